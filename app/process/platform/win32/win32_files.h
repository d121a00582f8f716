#pragma once
// What the Win32 sides of the file calls share: the full path a name stands for, whether that is
// a device rather than a file, and a system error as a problem.
#include <windows.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "problem.h"

namespace win32_files {

// The name as the system resolves it: "COM1", "NUL" or "CON" (with any folder or extension, on
// the systems where that still holds) come back as \\.\COM1 and so on. Empty when it cannot.
inline std::wstring fullPath(const std::filesystem::path& path) {
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) return {};
    if (length < full.size()) {
      full.resize(length);
      return full;
    }
    full.resize(length);
  }
}

// A name of the device namespace: opening it would already act on the device.
inline bool namesDevice(const std::wstring& fullPath) { return fullPath.starts_with(L"\\\\.\\"); }

inline TProblem problemOf(DWORD error) {
  using Kind = TProblem::Kind;
  std::string text = std::system_category().message(static_cast<int>(error));
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
      return {Kind::NoSuchFile, "no such file", static_cast<int>(error)};
    case ERROR_PATH_NOT_FOUND:
      return {Kind::NoSuchFolder, "no such folder", static_cast<int>(error)};
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return {Kind::DiskFull, text, static_cast<int>(error)};
    case ERROR_ACCESS_DENIED:
      return {Kind::PermissionDenied, text, static_cast<int>(error)};
    case ERROR_WRITE_PROTECT:
      return {Kind::ReadOnlyFileSystem, text, static_cast<int>(error)};
    case ERROR_FILENAME_EXCED_RANGE:
      return {Kind::NameTooLong, text, static_cast<int>(error)};
    default:
      return TProblem::other(text, static_cast<int>(error));
  }
}

}  // namespace win32_files
