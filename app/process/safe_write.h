#pragma once
// Writing a whole file so that it is never lost: the one way this program writes its files
// ("kelvox.ini", configuration files). The new contents go into a temporary file in the same folder,
// which is synced and then takes the old file's place with the old file's mode and owner; on any
// failure (a full disk included) the old file stays whole and the temporary file is removed.
// Where no temporary file can be made (a folder the user may not write to), an existing writable
// file is rewritten in place, its room reserved first.
//
// A name that stands for a folder, a FIFO, a device node or a socket, directly or through links,
// is never written or replaced. A link in a sticky, world-writable folder (/tmp) that belongs to
// neither the user nor the folder's owner is not followed, as the system refuses to follow it on
// an open (fs.protected_symlinks); the replacing rename would not be checked by that rule.
//
// The platform's calls live in platform/<system>/safe_write_*.cpp, chosen by the build.
#include <filesystem>
#include <string>
#include <string_view>

// Writes bytes as the whole contents of path. Returns "" on success, else why it failed, for
// example "No space left on device" or "not a regular file".
std::string writeFileSafely(const std::filesystem::path& path, std::string_view bytes);
// Why writeFileSafely would refuse path as it stands now ("not a regular file", a link it does not
// follow), or "": to be told before work whose result could not be kept.
std::string writeRefusal(const std::filesystem::path& path);
