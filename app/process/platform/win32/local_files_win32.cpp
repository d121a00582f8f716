// Local files on Windows: names are UTF-16; a device name is refused before anything is opened,
// and the opened handle must be one of a disk file (no console, pipe or port behind a link).
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "local_files.h"
#include "win32_files.h"

std::filesystem::path localPath(const QString& name) { return std::filesystem::path(name.toStdWString()); }

bool openRegularFile(const QString& name, QFile& file) {
  const std::wstring full = win32_files::fullPath(localPath(name));
  if (full.empty() || win32_files::namesDevice(full)) return false;
  // Without FILE_FLAG_BACKUP_SEMANTICS a folder is not opened.
  const HANDLE handle = CreateFileW(full.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    CloseHandle(handle);
    return false;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
  if (fd < 0) {
    CloseHandle(handle);
    return false;
  }
  if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    _close(fd);
    return false;
  }
  return true;
}
