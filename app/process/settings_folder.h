#pragma once
// The folder the program works in. Started from a folder that holds "kelvox.ini" (on POSIX
// systems also a COMn entry), it works there; started anywhere else (from the desktop's menu,
// say), it keeps "kelvox.ini" in the user's own folder for the program, so that nothing is
// written into the home folder or next to the program: XDG_CONFIG_HOME/kelvox-setup (else
// HOME/.config/kelvox-setup) on POSIX systems, %APPDATA%\KELVOX Setup on Windows.
// Each system's side lives in platform/<system>/settings_folder_<system>.cpp, chosen by the build.
#include <filesystem>

#include "problem.h"
#include "program_environment.h"
#include "working_folder.h"

namespace settings_folder {

// The working folder, and what went wrong when the user's folder could not be had.
struct TChoice {
  TWorkingFolder folder;
  TProblem problem;
};

// The start folder (absolute; empty when it is gone) when it holds a port setup itself (entries
// of another user apart, foreign_entries.h), else the user's folder, created when missing (for
// its owner only where the system has modes). When that cannot be had, the start folder with
// saving switched off, and why.
TChoice chooseWorkingFolder(const TProgramEnvironment& environment, const std::filesystem::path& startFolder);

// Where the port is kept and where ports come from, in the system's own words, for --help.
const char* description();

}  // namespace settings_folder
