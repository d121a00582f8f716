// The safe write on Windows: the name is judged first (a device name is refused unopened; an
// open handle must be a disk file and no folder; links are followed to the file they name), the
// new contents go into a temporary file beside it (".kelvox-" and eight hex digits, whatever the
// file's name), flushed with FlushFileBuffers, which then takes the old file's place with its
// attributes through MoveFileExW, written through. Windows has no mode bits or owner to carry
// over; the new file gets the folder's inherited access. A read-only file is kept: the system
// would not replace it, and the reason says so. Only "kelvox.ini" is rewritten in place where
// its folder takes no temporary file, its old bytes put back on any failure.
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

using win32_files::problemOf;

// "kelvox.ini" holds one short line; a larger file is not held in memory to be put back.
constexpr LONGLONG kMaxInPlaceSize = 64 * 1024;

TProblem notRegular() { return TProblem::notRegularFile(); }

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
std::variant<TProblem, Target> judge(const fs::path& name) {
  const std::wstring full = win32_files::fullPath(name);
  if (full.empty()) return problemOf(GetLastError());
  if (win32_files::namesDevice(full)) return notRegular();
  const DWORD attributes = GetFileAttributesW(full.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    if (notFound(error)) return Target{full, false, 0};
    return problemOf(error);
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return notRegular();
  // Opened without any access, only to be looked at; reparse points (links) are followed.
  const Handle file(CreateFileW(full.c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file.valid()) {
    const DWORD error = GetLastError();
    // A link that leads nowhere: the name is taken by something that cannot be judged.
    return notFound(error) ? notRegular() : problemOf(error);
  }
  BY_HANDLE_FILE_INFORMATION information{};
  if (GetFileType(file.get()) != FILE_TYPE_DISK || !GetFileInformationByHandle(file.get(), &information) ||
      (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return notRegular();
  }
  if ((information.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) return TProblem::readOnlyFile();
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return Target{full, true, information.dwFileAttributes};
  // A link: the file it leads to is the one replaced, as on POSIX systems.
  const auto target = finalPath(file.get());
  if (!target) return notRegular();
  return Target{*target, true, information.dwFileAttributes};
}

std::wstring folderOf(const std::wstring& path) { return fs::path(path).parent_path().native(); }

// A new file beside path that no one else has opened; INVALID_HANDLE_VALUE with the error set
// when none can be made.
HANDLE createTemporary(const std::wstring& path, std::wstring& temporary, DWORD flags = FILE_ATTRIBUTE_NORMAL) {
  std::random_device random;
  const std::wstring base = folderOf(path) + L"\\.kelvox-";
  for (int attempt = 0; attempt < 100; ++attempt) {
    wchar_t suffix[16];
    swprintf(suffix, 16, L"%08x", static_cast<unsigned>(random()));
    temporary = base + suffix;
    const HANDLE handle = CreateFileW(temporary.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW, flags,
                                      nullptr);
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

// Why no temporary file can be made beside the file.
TProblem temporaryProblem(DWORD error) {
  return error == ERROR_ACCESS_DENIED ? TProblem::noTemporaryFile() : problemOf(error);
}

DWORD seek(HANDLE file, LONGLONG offset) {
  LARGE_INTEGER position{};
  position.QuadPart = offset;
  return SetFilePointerEx(file, position, nullptr, FILE_BEGIN) ? DWORD{0} : GetLastError();
}

// Puts bytes at the start of the file with one call and cuts off the rest; a short write counts as
// a full disk.
DWORD writeFromStart(HANDLE file, std::string_view bytes) {
  DWORD error = seek(file, 0);
  DWORD written = 0;
  if (error == 0 && !bytes.empty() && !WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
    error = GetLastError();
  if (error == 0 && written != bytes.size()) error = ERROR_DISK_FULL;
  if (error == 0 && !SetEndOfFile(file)) error = GetLastError();
  return error;
}

// "kelvox.ini" in a folder that takes no temporary file, rewritten in place: its old bytes are
// read first and put back on any failure, a full disk included.
TProblem rewriteInPlace(const std::wstring& path, std::string_view bytes) {
  Handle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return problemOf(GetLastError());
  if (GetFileType(file.get()) != FILE_TYPE_DISK) return notRegular();
  LARGE_INTEGER oldSize{};
  if (!GetFileSizeEx(file.get(), &oldSize)) return problemOf(GetLastError());
  if (oldSize.QuadPart > kMaxInPlaceSize) return TProblem::other("larger than 64 KB; it is not rewritten in place");
  std::string before(static_cast<std::size_t>(oldSize.QuadPart), '\0');
  DWORD read = 0;
  if (!before.empty() && (!ReadFile(file.get(), before.data(), static_cast<DWORD>(before.size()), &read, nullptr) ||
                          read != before.size()))
    return problemOf(ERROR_READ_FAULT);
  // The file is not grown first: a kill would then leave the old bytes and zeros behind.
  DWORD error = writeFromStart(file.get(), bytes);
  if (error == 0 && !FlushFileBuffers(file.get())) error = GetLastError();
  if (error != 0) {
    writeFromStart(file.get(), before);
    FlushFileBuffers(file.get());
  }
  if (const DWORD closing = file.close(); error == 0) error = closing;
  return error == 0 ? TProblem{} : problemOf(error);
}

}  // namespace

TProblem refusalToWrite(const fs::path& name) {
  const auto judged = judge(name);
  if (const auto* refusal = std::get_if<TProblem>(&judged)) return *refusal;
  // A temporary file made and gone at once tells whether the folder takes one.
  std::wstring temporary;
  const Handle probe(createTemporary(std::get<Target>(judged).path, temporary, FILE_FLAG_DELETE_ON_CLOSE));
  return probe.valid() ? TProblem{} : temporaryProblem(GetLastError());
}

TProblem writeWholeFile(const fs::path& name, std::string_view bytes, WriteMode mode) {
  const auto judged = judge(name);
  if (const auto* refusal = std::get_if<TProblem>(&judged)) return *refusal;
  const Target& target = std::get<Target>(judged);
  const bool existed = target.exists;

  std::wstring temporary;
  Handle file(createTemporary(target.path, temporary));
  if (!file.valid()) {
    const DWORD error = GetLastError();
    const bool inPlace = mode == WriteMode::InPlaceWhereNeeded && existed && error == ERROR_ACCESS_DENIED;
    return inPlace ? rewriteInPlace(target.path, bytes) : temporaryProblem(error);
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
    if (const auto* refusal = std::get_if<TProblem>(&now)) {
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
    return problemOf(error);
  }
  return {};
}
