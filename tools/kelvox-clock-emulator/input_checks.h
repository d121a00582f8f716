// Checks of the files and folders named on the command line, made before anything is read,
// replaced or linked, so that bad input ends the emulator with one line instead of a hang, an
// endless read or a lost file.
#pragma once

#include <string>
#include <string_view>

namespace kvxemu {

// A configuration is a few kilobytes; anything much larger is not one.
inline constexpr long kMaxConfigBytes = 64 * 1024;

// The configuration file: a regular file (or a link to one) of at most kMaxConfigBytes.
// Nothing is opened, so neither a FIFO nor a device can hold the emulator up.
bool checkConfigFile(const std::string& path, std::string& error);
// The save file is replaced by a new one: only a regular file may stand there already.
bool checkSaveFile(const std::string& path, std::string& error);
// The port link goes into an existing folder and replaces only a symbolic link, such as one
// left over from an earlier run; a file of that name is not the emulator's to remove.
bool checkLinkPlace(const std::string& dir, const std::string& linkPath, std::string& error);

// Text for a one-line error: bytes outside printable ASCII escaped, and cut to a readable length.
std::string errorLine(std::string_view text);

}  // namespace kvxemu
