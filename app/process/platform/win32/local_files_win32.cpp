// Local files on Windows: names are UTF-16; a device name is refused before anything is opened,
// and the opened handle must be one of a disk file (no console, pipe or port behind a link).
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "local_files.h"
#include "win32_files.h"

std::filesystem::path localPath(const QString& name) { return std::filesystem::path(name.toStdWString()); }

QString localName(const std::filesystem::path& path) { return QString::fromStdWString(path.native()); }

TProblem openRegularFile(const std::filesystem::path& path, QFile& file) {
  const std::wstring full = win32_files::fullPath(path);
  if (full.empty()) return win32_files::problemOf(GetLastError());
  if (win32_files::namesDevice(full)) return TProblem::notRegularFile();
  // Without FILE_FLAG_BACKUP_SEMANTICS a folder is not opened.
  const HANDLE handle = CreateFileW(full.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    const DWORD attributes = GetFileAttributesW(full.c_str());  // a folder is refused as access denied
    const bool folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return folder ? TProblem::notRegularFile() : win32_files::problemOf(error);
  }
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    CloseHandle(handle);
    return TProblem::notRegularFile();
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
  if (fd < 0) {
    CloseHandle(handle);
    return TProblem::other("the file cannot be opened");
  }
  if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    _close(fd);
    return TProblem::other(file.errorString().toStdString());
  }
  return {};
}
