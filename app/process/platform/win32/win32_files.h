#pragma once
// What the Win32 sides of the file calls share: the full path a name stands for, and whether
// that is a device rather than a file.
#include <windows.h>

#include <filesystem>
#include <string>

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

}  // namespace win32_files
