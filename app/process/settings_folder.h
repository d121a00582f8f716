#pragma once
// The folder the program works in. Started from a folder that holds "kelvox.ini" (on POSIX
// systems also a COMn entry), it works there; started anywhere else (from the desktop's menu,
// say), it keeps "kelvox.ini" in the user's own folder for the program, so that nothing is
// written into the home folder or next to the program: XDG_CONFIG_HOME/kelvox-setup (else
// HOME/.config/kelvox-setup) on POSIX systems, %APPDATA%\KELVOX Setup on Windows.
// Each system's side lives in platform/<system>/settings_folder_<system>.cpp, chosen by the build.
#include <filesystem>
#include <string>

namespace settings_folder {

// Whether an entry of the working folder ("kelvox.ini", a COMn entry) is to be left alone: one
// that another user put into a shared folder, sticky and world-writable such as /tmp, may lead to
// that user's device or file, so it is neither followed nor used, and does not make the folder
// the working folder. The first time for each entry, one line on standard error says so. Never
// on systems without such folders.
bool foreignEntry(const std::filesystem::path& entry);

// Makes the user's folder, created when missing (for its owner only where the system has modes),
// the current directory, unless the current directory holds a port setup itself (entries of
// another user apart, see foreignEntry). Returns what went wrong, or "".
std::string enter();

// Where the port is kept and where ports come from, in the system's own words, for --help.
const char* description();

}  // namespace settings_folder
