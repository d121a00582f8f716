#pragma once
// Where the program works, decided once when it starts (settings_folder.h) and handed to what
// keeps or finds something there: kelvox.ini, kelvox-folder.ini and the COMn entries that stand
// for ports. The process's current directory is never changed: names given on the command line
// lie in the start folder, as the user typed them there.
#include <filesystem>
#include <system_error>

#include "dialog_folder_file.h"
#include "foreign_entries.h"
#include "port_settings_file.h"

// The folder the program was started in, taken once.
struct TStartFolder {
  std::filesystem::path path;  // absolute; empty when it cannot be found (removed since)
  std::error_code error;       // why it cannot be found

  // `name` as an absolute path: a relative one lies in the start folder. Empty, with `why` set,
  // for an empty name and for a relative one while the start folder is not known.
  std::filesystem::path absolute(const std::filesystem::path& name, std::error_code& why) const;
};

class TWorkingFolder {
 public:
  // `folder` is absolute; `foreign` records what was said of other users' entries in it.
  explicit TWorkingFolder(std::filesystem::path folder, TSaving saving = TSaving::Allowed,
                          TForeignEntriesRecord foreign = std::make_shared<TForeignEntries>());

  // Empty only when neither the start folder nor the user's could be had.
  const std::filesystem::path& path() const { return folder_; }
  // Switched off when the program has no settings folder to work in: the start folder is then
  // not the place for its files.
  TSaving saving() const { return saving_; }
  const TForeignEntriesRecord& foreignEntries() const { return foreign_; }
  // A name as it lies in the folder: a relative one within it, an absolute one as it is.
  std::filesystem::path place(const std::filesystem::path& name) const;
  // "kelvox.ini" and "kelvox-folder.ini" in the folder.
  TPortSettingsFile settingsFile() const;
  TDialogFolderFile dialogFolderFile() const;

 private:
  std::filesystem::path folder_;
  TSaving saving_;
  TForeignEntriesRecord foreign_;
};
