#pragma once
// Entries in a shared folder. Anyone may put an entry into a sticky, world-writable folder such as
// /tmp, and only its owner may take it away: there an entry of another user, neither the one this
// program runs as nor the folder's owner, may lead to that user's device or file. Such an entry
// is neither followed nor used, by the serial layer and the program alike: the system's own rule
// for links in such folders (fs.protected_symlinks), kept for every kind of entry.
#include <sys/stat.h>

#include <string>

namespace shared_folder {

// Whether `entry`, whose lstat is `entryStat`, is such an entry of another user.
bool foreignEntry(const std::string& entry, const struct stat& entryStat);
// The same, looking at the entry itself; false when nothing stands there.
bool foreignEntry(const std::string& entry);

}  // namespace shared_folder
