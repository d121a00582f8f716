#pragma once
// Writing a whole file so that it is never lost: the one way this program writes its files
// ("kelvox.ini", configuration files). The new contents go into a temporary file of a fixed name
// length (".kelvox-" and six random characters) in the same folder, which is synced and then takes
// the old file's place by a rename; on any failure (a full disk included) the old file stays whole
// and the temporary file is removed. Ending signals (SIGTERM, SIGINT, SIGHUP) wait until the
// temporary file is renamed or removed. The new file keeps the old one's mode; its owner and group
// where the system allows it (root keeps any; another user becomes the owner, the group stays
// when the user belongs to it). A second hard link of the old file keeps the old contents.
//
// A configuration file is never rewritten in place: where its folder takes no temporary file,
// the write is refused and the file is left as it was. Only "kelvox.ini" may be rewritten in place
// then (WriteMode::InPlaceWhereNeeded): its old bytes are read first and put back on any failure,
// and the new line goes in with one write, so a kill leaves the old or the new line; only a
// shorter new file has an instant between the write and the cut of the old rest.
//
// A name that stands for a folder, a FIFO, a device node or a socket, directly or through links,
// is never written or replaced, and neither is a read-only file (on POSIX systems: no write bit
// in the mode's class of the writer, root held to the owner's; on Windows: its attribute). A link
// in a sticky, world-writable folder (/tmp) that belongs to neither the user nor the folder's
// owner is not followed, as the system refuses to follow it on an open (fs.protected_symlinks);
// the replacing rename would not be checked by that rule.
//
// The platform's calls live in platform/<system>/safe_write_*.cpp, chosen by the build.
#include <filesystem>
#include <string>
#include <string_view>

#include "problem.h"

enum class WriteMode {
  ReplaceOnly,         // configuration files
  InPlaceWhereNeeded,  // "kelvox.ini", whose folder may be read-only by design
};

// Writes bytes as the whole contents of path; kind None on success.
TProblem writeWholeFile(const std::filesystem::path& path, std::string_view bytes,
                        WriteMode mode = WriteMode::ReplaceOnly);
// Why a replacing write would be refused as things stand now (not a regular file, a read-only
// file, a link it does not follow, a folder that takes no temporary file, a name too long), or
// kind None: to be told before work whose result could not be kept.
TProblem refusalToWrite(const std::filesystem::path& path);

