// The safe write on Windows: the name is judged first (a device name is refused unopened; an
// open handle must be a disk file and no folder; links are followed to the file they name), the
// new contents go into a temporary file beside it, flushed with FlushFileBuffers, which then
// takes the old file's place with its attributes through MoveFileExW, written through. Windows
// has no mode bits or owner to carry over; the new file gets the folder's inherited access. A
// read-only file is kept: the system would not replace it, and the reason says so.
#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <optional>
#include <random>
#include <system_error>
#include <variant>

#include "safe_write.h"
#include "win32_files.h"

namespace fs = std::filesystem;

namespace {

const char* const kNotRegular = "not a regular file";
const char* const kReadOnly = "the file is read-only";

std::string reason(DWORD error) { return std::system_category().message(static_cast<int>(error)); }

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() { close(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }
  // The error of closing, or 0.
  DWORD close() {
    if (!valid()) return 0;
    const DWORD error = CloseHandle(handle_) ? 0 : GetLastError();
    handle_ = INVALID_HANDLE_VALUE;
    return error;
  }

 private:
  HANDLE handle_;
};

// What stands under the name now: nothing (attributes 0, the path as given), or a disk file
// that is no folder, with the path of the file itself once links are followed.
struct Target {
  std::wstring path;
  bool exists = false;
  DWORD attributes = 0;
};

// Nothing under the name, or not even its folder: a new file, or a failure to make it.
bool notFound(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// The final path of an opened file, in the DOS form the file calls take (\\?\C:\...).
std::optional<std::wstring> finalPath(HANDLE handle) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()),
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0) return std::nullopt;
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(length);
  }
}

// The reason when the name must not be written, else what stands there.
std::variant<std::string, Target> judge(const fs::path& name) {
  const std::wstring full = win32_files::fullPath(name);
  if (full.empty()) return reason(GetLastError());
  if (win32_files::namesDevice(full)) return kNotRegular;
  const DWORD attributes = GetFileAttributesW(full.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    if (notFound(error)) return Target{full, false, 0};
    return reason(error);
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return kNotRegular;
  // Opened without any access, only to be looked at; reparse points (links) are followed.
  const Handle file(CreateFileW(full.c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file.valid()) {
    const DWORD error = GetLastError();
    // A link that leads nowhere: the name is taken by something that cannot be judged.
    return notFound(error) ? std::string(kNotRegular) : reason(error);
  }
  BY_HANDLE_FILE_INFORMATION information{};
  if (GetFileType(file.get()) != FILE_TYPE_DISK || !GetFileInformationByHandle(file.get(), &information) ||
      (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return kNotRegular;
  }
  if ((information.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) return kReadOnly;
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return Target{full, true, information.dwFileAttributes};
  // A link: the file it leads to is the one replaced, as on POSIX systems.
  const auto target = finalPath(file.get());
  if (!target) return kNotRegular;
  return Target{*target, true, information.dwFileAttributes};
}

std::wstring folderOf(const std::wstring& path) { return fs::path(path).parent_path().native(); }

// A new file beside path that no one else has opened; INVALID_HANDLE_VALUE with the error set
// when none can be made.
HANDLE createTemporary(const std::wstring& path, std::wstring& temporary) {
  std::random_device random;
  const std::wstring base = folderOf(path) + L"\\." + fs::path(path).filename().native() + L".";
  for (int attempt = 0; attempt < 100; ++attempt) {
    wchar_t suffix[16];
    swprintf(suffix, 16, L"%08x", static_cast<unsigned>(random()));
    temporary = base + suffix;
    const HANDLE handle = CreateFileW(temporary.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return handle;
  }
  return INVALID_HANDLE_VALUE;
}

DWORD writeAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1 << 20));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), chunk, &written, nullptr)) return GetLastError();
    if (written == 0) return ERROR_DISK_FULL;
    bytes.remove_prefix(written);
  }
  return 0;
}

// An existing file rewritten in place, where no file can be made beside it: its room is
// reserved first, so a full disk stops the write before a byte of the old contents is lost.
std::string rewriteInPlace(const std::wstring& path, std::string_view bytes) {
  Handle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return reason(GetLastError());
  if (GetFileType(file.get()) != FILE_TYPE_DISK) return kNotRegular;
  LARGE_INTEGER oldSize{};
  DWORD error = GetFileSizeEx(file.get(), &oldSize) ? 0 : GetLastError();
  LARGE_INTEGER size{};
  size.QuadPart = static_cast<LONGLONG>(bytes.size());
  const auto seek = [&file](LONGLONG offset) {
    LARGE_INTEGER position{};
    position.QuadPart = offset;
    return SetFilePointerEx(file.get(), position, nullptr, FILE_BEGIN) ? DWORD{0} : GetLastError();
  };
  if (error == 0 && size.QuadPart > oldSize.QuadPart) {
    error = seek(size.QuadPart);
    if (error == 0 && !SetEndOfFile(file.get())) error = GetLastError();
  }
  if (error == 0) error = seek(0);
  if (error == 0) error = writeAll(file.get(), bytes);
  if (error == 0 && !SetEndOfFile(file.get())) error = GetLastError();
  if (error == 0 && !FlushFileBuffers(file.get())) error = GetLastError();
  if (const DWORD closing = file.close(); error == 0) error = closing;
  return error == 0 ? std::string() : reason(error);
}

}  // namespace

std::string writeRefusal(const fs::path& name) {
  const auto judged = judge(name);
  return std::holds_alternative<std::string>(judged) ? std::get<std::string>(judged) : std::string();
}

std::string writeFileSafely(const fs::path& name, std::string_view bytes) {
  const auto judged = judge(name);
  if (const auto* refusal = std::get_if<std::string>(&judged)) return *refusal;
  const Target& target = std::get<Target>(judged);
  const bool existed = target.exists;

  std::wstring temporary;
  Handle file(createTemporary(target.path, temporary));
  if (!file.valid()) {
    const DWORD error = GetLastError();
    if (existed && error == ERROR_ACCESS_DENIED) return rewriteInPlace(target.path, bytes);
    return reason(error);
  }
  DWORD error = writeAll(file.get(), bytes);
  if (error == 0 && !FlushFileBuffers(file.get())) error = GetLastError();
  if (const DWORD closing = file.close(); error == 0) error = closing;
  // The old file's attributes (hidden, not indexed, ...) go to the new one.
  constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                    FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  const DWORD kept = target.attributes & kKeptAttributes;
  if (error == 0 && kept != 0 && !SetFileAttributesW(temporary.c_str(), kept)) {
    error = GetLastError();
  }
  // Something else may have been put under the name meanwhile.
  if (error == 0) {
    const auto now = judge(target.path);
    if (const auto* refusal = std::get_if<std::string>(&now)) {
      DeleteFileW(temporary.c_str());
      return *refusal;
    }
  }
  if (error == 0 && !MoveFileExW(temporary.c_str(), target.path.c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = GetLastError();
  }
  if (error != 0) {
    DeleteFileW(temporary.c_str());
    return reason(error);
  }
  return {};
}
