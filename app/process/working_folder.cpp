#include "working_folder.h"

#include "local_files.h"

namespace fs = std::filesystem;

fs::path TStartFolder::absolute(const fs::path& name, std::error_code& why) const {
  why.clear();
  if (name.empty()) {
    why = std::make_error_code(std::errc::invalid_argument);
    return {};
  }
  if (!name.is_absolute() && path.empty()) {
    why = error ? error : std::make_error_code(std::errc::no_such_file_or_directory);
    return {};
  }
  // Absolute by now, so the system's own form of it (Windows writes it afresh) needs no folder.
  return fs::absolute(path / name, why);
}

TWorkingFolder::TWorkingFolder(fs::path folder, TSaving saving, TForeignEntriesRecord foreign)
    : folder_(std::move(folder)), saving_(saving), foreign_(std::move(foreign)) {}

fs::path TWorkingFolder::place(const fs::path& name) const { return name.empty() ? name : folder_ / name; }

TPortSettingsFile TWorkingFolder::settingsFile() const {
  return TPortSettingsFile(localName(place("kelvox.ini")), saving_, foreign_);
}

TDialogFolderFile TWorkingFolder::dialogFolderFile() const {
  return TDialogFolderFile(localName(place("kelvox-folder.ini")), saving_);
}
