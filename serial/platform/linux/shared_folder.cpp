#include "shared_folder.h"

#include <unistd.h>

#include <filesystem>

namespace shared_folder {

bool foreignEntry(const std::string& entry, const struct stat& entryStat) {
  const std::filesystem::path folder = std::filesystem::path(entry).parent_path();
  struct stat folderStat {};
  // A folder that cannot be looked at cannot be vouched for.
  if (::stat(folder.empty() ? "." : folder.c_str(), &folderStat) != 0) return true;
  const bool shared = (folderStat.st_mode & S_ISVTX) != 0 && (folderStat.st_mode & S_IWOTH) != 0;
  return shared && entryStat.st_uid != ::geteuid() && entryStat.st_uid != folderStat.st_uid;
}

bool foreignEntry(const std::string& entry) {
  struct stat entryStat {};
  return ::lstat(entry.c_str(), &entryStat) == 0 && foreignEntry(entry, entryStat);
}

}  // namespace shared_folder
