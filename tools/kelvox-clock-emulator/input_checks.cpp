#include "input_checks.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "event_log.h"

namespace kvxemu {

namespace {

constexpr std::size_t kMaxErrorBytes = 160;

std::string systemError(const std::string& path) { return path + ": " + std::strerror(errno); }

}  // namespace

bool checkConfigFile(const std::string& path, std::string& error) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return error = systemError(path), false;
  if (!S_ISREG(st.st_mode)) return error = path + ": not a regular file", false;
  if (st.st_size > kMaxConfigBytes)
    return error = path + ": larger than " + std::to_string(kMaxConfigBytes) + " bytes", false;
  return true;
}

bool checkSaveFile(const std::string& path, std::string& error) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) {
    if (errno == ENOENT) return true;
    return error = systemError(path), false;
  }
  if (!S_ISREG(st.st_mode)) return error = path + ": not a regular file, not replaced", false;
  return true;
}

bool checkLinkPlace(const std::string& dir, const std::string& linkPath, std::string& error) {
  struct stat st {};
  if (::stat(dir.c_str(), &st) != 0) return error = systemError(dir), false;
  if (!S_ISDIR(st.st_mode)) return error = dir + ": not a folder", false;
  if (::lstat(linkPath.c_str(), &st) != 0) {
    if (errno == ENOENT) return true;
    return error = systemError(linkPath), false;
  }
  if (!S_ISLNK(st.st_mode)) return error = linkPath + ": exists and is not a link, not replaced", false;
  return true;
}

std::string errorLine(std::string_view text) {
  std::string shown;
  for (const char byte : text) {
    if (shown.size() >= kMaxErrorBytes) return shown + "...";
    shown += EventLog::visible(std::string(1, byte));
  }
  return shown;
}

}  // namespace kvxemu
