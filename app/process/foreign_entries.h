#pragma once
// Entries of the working folder ("kelvox.ini", a COMn entry) that are left alone: one that another
// user put into a shared folder, sticky and world-writable such as /tmp, may lead to that user's
// device or file, so it is neither followed nor used, and does not make the folder the working
// folder. The first time for each entry, one line on standard error says so; the record of what
// was said is shared by what one working folder gives (its choice, kelvox.ini, the port list).
// Never on systems without such folders. Each system's side lives in
// platform/<system>/settings_folder_<system>.cpp.
#include <filesystem>
#include <memory>
#include <mutex>
#include <set>

class TForeignEntries {
 public:
  // Whether `entry` (as its folder names it) is another user's in a shared folder.
  bool leftAlone(const std::filesystem::path& entry);

 private:
  std::mutex mutex_;
  std::set<std::filesystem::path> told_;
};

using TForeignEntriesRecord = std::shared_ptr<TForeignEntries>;
