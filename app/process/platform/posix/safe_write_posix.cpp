// The safe write on POSIX systems: lstat checks, a temporary file made with mkostemp, fsync,
// fchown and fchmod, and rename.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>

#include "safe_write.h"

namespace fs = std::filesystem;

namespace {

constexpr int kMaxLinks = 40;  // as the system's own limit on a path's links

std::string reason(int error) { return std::strerror(error); }

const char* const kNotRegular = "not a regular file";

fs::path folderOf(const fs::path& path) {
  const fs::path parent = path.parent_path();
  return parent.empty() ? fs::path(".") : parent;
}

// Whether the system's rule for links in shared folders forbids following this one: the folder is
// sticky and world-writable, and the link belongs to neither the user nor the folder's owner.
bool protectedLink(const fs::path& link, const struct stat& linkStat) {
  struct stat folder {};
  if (::stat(folderOf(link).c_str(), &folder) != 0) return true;
  const bool shared = (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0;
  return shared && linkStat.st_uid != ::geteuid() && linkStat.st_uid != folder.st_uid;
}

// Follows links one by one until path names a regular file or nothing; st is its lstat, with
// st_mode 0 when nothing is there yet. The reason when it must not be written.
std::optional<std::string> resolve(fs::path& path, struct stat& st) {
  for (int hops = 0;; ++hops) {
    if (::lstat(path.c_str(), &st) != 0) {
      if (errno != ENOENT) return reason(errno);
      st = {};
      return std::nullopt;
    }
    if (S_ISREG(st.st_mode)) return std::nullopt;
    if (!S_ISLNK(st.st_mode)) return kNotRegular;
    if (hops == kMaxLinks) return reason(ELOOP);
    if (protectedLink(path, st)) return "a link of another user in a shared folder; it is not followed";
    std::error_code error;
    const fs::path target = fs::read_symlink(path, error);
    if (error) return error.message();
    path = target.is_absolute() ? target : folderOf(path) / target;
  }
}

// Writes everything at the file's current offset, or from offset 0 when inPlace.
int writeAll(int fd, std::string_view bytes, bool inPlace) {
  off_t offset = 0;
  while (!bytes.empty()) {
    const ssize_t n = inPlace ? ::pwrite(fd, bytes.data(), bytes.size(), offset)
                              : ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? errno : ENOSPC;
    bytes.remove_prefix(static_cast<std::size_t>(n));
    offset += n;
  }
  return 0;
}

mode_t newFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

void syncFolder(const fs::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// An existing file rewritten in place: its room is reserved first, so a full disk stops the write
// before a byte of the old contents is overwritten.
std::string rewriteInPlace(const fs::path& path, const struct stat& old, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return reason(errno);
  struct stat st {};
  int error = ::fstat(fd, &st) != 0 ? errno : 0;
  if (error == 0 && (!S_ISREG(st.st_mode) || st.st_ino != old.st_ino || st.st_dev != old.st_dev)) {
    ::close(fd);
    return kNotRegular;
  }
  const auto size = static_cast<off_t>(bytes.size());
  if (error == 0 && size > 0) {
    error = ::posix_fallocate(fd, 0, size);
    if (error == EOPNOTSUPP && size <= st.st_size) error = 0;  // the old blocks hold it
  }
  if (error == 0) error = writeAll(fd, bytes, true);
  if (error == 0 && ::ftruncate(fd, size) != 0) error = errno;
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  return error == 0 ? std::string() : reason(error);
}

}  // namespace

std::string writeRefusal(const fs::path& name) {
  fs::path path = name;
  struct stat st {};
  return resolve(path, st).value_or(std::string());
}

std::string writeFileSafely(const fs::path& name, std::string_view bytes) {
  fs::path path = name;
  struct stat old {};
  if (const auto refusal = resolve(path, old)) return *refusal;
  const bool existed = old.st_mode != 0;

  std::string temporary = (folderOf(path) / ("." + path.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    if (existed && (error == EACCES || error == EPERM)) return rewriteInPlace(path, old, bytes);
    return reason(error);
  }
  int error = 0;
  if (existed) {
    // Another owner can be kept only by root; the new file is still better than none.
    [[maybe_unused]] const int owner = ::fchown(fd, old.st_uid, old.st_gid);
    if (::fchmod(fd, old.st_mode & 07777) != 0) error = errno;
  } else if (::fchmod(fd, newFileMode()) != 0) {
    error = errno;
  }
  if (error == 0) error = writeAll(fd, bytes, false);
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  // Something else may have been put under the name meanwhile.
  struct stat now {};
  if (error == 0 && ::lstat(path.c_str(), &now) == 0 && !S_ISREG(now.st_mode)) {
    ::unlink(temporary.c_str());
    return kNotRegular;
  }
  if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temporary.c_str());
    return reason(error);
  }
  syncFolder(folderOf(path));
  return {};
}
