#pragma once
// The folder the program works in. Started from a folder that holds "kelvox.ini" or a COMn
// entry, it works there; started anywhere else (from the desktop's menu, say), it keeps
// "kelvox.ini" and looks for COMn links in the user's configuration folder, so that nothing is
// written into the home folder or next to the program.
#include <filesystem>
#include <string>

namespace settings_folder {

// Whether `folder` holds "kelvox.ini" or an entry COM1 .. COM9 (a link that leads nowhere counts:
// it marks an absent port).
bool holdsPortSetup(const std::filesystem::path& folder);

// $XDG_CONFIG_HOME/kelvox-setup when that variable is an absolute path, else
// HOME/.config/kelvox-setup; empty when neither is known. Either argument may be null.
std::filesystem::path userFolder(const char* xdgConfigHome, const char* home);

// Makes the user's folder, created with owner-only access when missing, the current directory,
// unless the current directory holds a port setup itself. Returns what went wrong, or "".
std::string enter();

}  // namespace settings_folder
