// The safe write on POSIX systems: lstat checks (a read-only file is kept), a temporary file made
// with mkostemp, fsync, fchown and fchmod, and rename; the exit signals held meanwhile. The
// in-place rewrite reserves its room with Linux's fallocate, keeping the file's size.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <optional>
#include <vector>

#include "file_steps.h"
#include "posix_files.h"
#include "safe_write.h"
#include "shared_folder.h"

namespace fs = std::filesystem;
using posix_files::problemOf;

namespace {

constexpr int kMaxLinks = 40;  // as the system's own limit on a path's links
// Of a fixed length, so that any name the folder takes can be written.
constexpr char kTemporaryName[] = ".kelvox-XXXXXX";
// "kelvox.ini" holds one short line; a larger file is not held in memory to be put back.
constexpr off_t kMaxInPlaceSize = 64 * 1024;

constexpr int kExitSignals[] = {SIGTERM, SIGINT, SIGHUP};
volatile sig_atomic_t caughtSignals[std::size(kExitSignals)];

extern "C" void noteExitSignal(int signal) {
  for (std::size_t i = 0; i < std::size(kExitSignals); ++i)
    if (kExitSignals[i] == signal) caughtSignals[i] = 1;
}

// The exit signals wait while this lives: ending between making the temporary file and renaming
// or removing it would leave it behind, and ending amid an in-place rewrite would leave a mix.
// Any thread may take a signal, so it is caught and noted rather than blocked in this thread
// alone, and raised again, to its own handling, once the file is whole.
class ExitSignalsHeld {
 public:
  ExitSignalsHeld() {
    struct sigaction note {};
    note.sa_handler = noteExitSignal;
    sigemptyset(&note.sa_mask);
    note.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(kExitSignals); ++i) {
      caughtSignals[i] = 0;
      sigaction(kExitSignals[i], nullptr, &previous_[i]);
      if (previous_[i].sa_handler != SIG_IGN) sigaction(kExitSignals[i], &note, nullptr);
    }
  }
  ~ExitSignalsHeld() {
    for (std::size_t i = 0; i < std::size(kExitSignals); ++i) sigaction(kExitSignals[i], &previous_[i], nullptr);
    for (std::size_t i = 0; i < std::size(kExitSignals); ++i)
      if (caughtSignals[i] != 0) ::raise(kExitSignals[i]);
  }
  ExitSignalsHeld(const ExitSignalsHeld&) = delete;
  ExitSignalsHeld& operator=(const ExitSignalsHeld&) = delete;

 private:
  struct sigaction previous_[std::size(kExitSignals)] {};
};

fs::path folderOf(const fs::path& path) {
  const fs::path parent = path.parent_path();
  return parent.empty() ? fs::path(".") : parent;
}

// Why no temporary file can be made in the folder.
TProblem temporaryProblem(int error) {
  if (error == EACCES || error == EPERM) return TProblem::noTemporaryFile();
  if (error == ENOENT || error == ENOTDIR) return {TProblem::Kind::NoSuchFolder, "no such folder"};
  return problemOf(error);
}

// Follows links one by one until path names a regular file or nothing; st is its lstat, with
// st_mode 0 when nothing is there yet. The problem when it must not be written.
std::optional<TProblem> resolve(fs::path& path, struct stat& st) {
  for (int hops = 0;; ++hops) {
    if (::lstat(path.c_str(), &st) != 0) {
      if (errno != ENOENT) return problemOf(errno);
      st = {};
      return std::nullopt;
    }
    if (S_ISREG(st.st_mode)) return std::nullopt;
    if (!S_ISLNK(st.st_mode)) return TProblem::notRegularFile();
    if (hops == kMaxLinks) return problemOf(ELOOP);
    if (shared_folder::foreignEntry(path.string(), st))
      return TProblem::other("a link of another user in a shared folder; it is not followed");
    std::error_code error;
    const fs::path target = fs::read_symlink(path, error);
    if (error) return TProblem::other(error.message());
    path = target.is_absolute() ? target : folderOf(path) / target;
  }
}

bool inGroup(gid_t group) {
  if (group == ::getegid()) return true;
  const int count = ::getgroups(0, nullptr);
  std::vector<gid_t> groups(static_cast<std::size_t>(count > 0 ? count : 0));
  if (count <= 0 || ::getgroups(count, groups.data()) != count) return false;
  return std::find(groups.begin(), groups.end(), group) != groups.end();
}

// A read-only file is kept, as on Windows, although the rename that replaces it would not be
// stopped by its mode. Read-only is the mode's word for the writer's class: the owner's bits for
// the owner, the group's for a member of the group, the others' for anyone else. Root, whom the
// mode binds in no class, is held to the owner's bits: a file its owner made read-only stays so.
bool readOnly(const struct stat& st) {
  const uid_t user = ::geteuid();
  if (user == 0 || user == st.st_uid) return (st.st_mode & S_IWUSR) == 0;
  if (inGroup(st.st_gid)) return (st.st_mode & S_IWGRP) == 0;
  return (st.st_mode & S_IWOTH) == 0;
}

// resolve, and a regular file found there must not be read-only.
std::optional<TProblem> writableTarget(fs::path& path, struct stat& st) {
  if (auto refusal = resolve(path, st)) return refusal;
  if (st.st_mode != 0 && readOnly(st)) return TProblem::readOnlyFile();
  return std::nullopt;
}

// Writes everything at the file's current offset.
int writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? errno : ENOSPC;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return 0;
}

// Puts bytes at the start of the file with one call, so that no kill can split them; the rest
// beyond them is cut off. A short write counts as a full disk.
int writeFromStart(int fd, std::string_view bytes, off_t oldSize) {
  if (!bytes.empty()) {
    ssize_t n = -1;
    do n = ::pwrite(fd, bytes.data(), bytes.size(), 0);
    while (n < 0 && errno == EINTR);
    if (n < 0) return errno;
    if (static_cast<std::size_t>(n) != bytes.size()) return ENOSPC;
  }
  const auto size = static_cast<off_t>(bytes.size());
  return size != oldSize && ::ftruncate(fd, size) != 0 ? errno : 0;
}

mode_t newFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// The old file's mode, and its owner and group as far as the system lets this user keep them.
int takeOver(int fd, const struct stat& old) {
  if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
    [[maybe_unused]] const int group = ::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
  }
  return ::fchmod(fd, old.st_mode & 07777) != 0 ? errno : 0;
}

void syncFolder(const fs::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// "kelvox.ini" in a folder that takes no temporary file, rewritten in place: its old bytes are
// read first and put back on any failure, a full disk included.
TProblem rewriteInPlace(const fs::path& path, const struct stat& old, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return problemOf(errno);
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_ino != old.st_ino || st.st_dev != old.st_dev) {
    ::close(fd);
    return TProblem::notRegularFile();
  }
  if (st.st_size > kMaxInPlaceSize) {
    ::close(fd);
    return TProblem::other("larger than 64 KB; it is not rewritten in place");
  }
  std::string before(static_cast<std::size_t>(st.st_size), '\0');
  if (::pread(fd, before.data(), before.size(), 0) != static_cast<ssize_t>(before.size())) {
    ::close(fd);
    return problemOf(EIO);
  }
  fileStep("old bytes read");
  const auto size = static_cast<off_t>(bytes.size());
  int error = 0;
  // The room is reserved without growing the file, so that a full disk is found before the old
  // bytes are touched and a kill meanwhile leaves them as they were.
  if (size > st.st_size && ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, size) != 0) {
    error = errno;
    if (error == EOPNOTSUPP || error == ENOSYS) error = 0;  // the write itself will tell
  }
  if (error == 0) fileStep("room reserved");
  if (error == 0) error = writeFromStart(fd, bytes, st.st_size);
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (error != 0) {
    writeFromStart(fd, before, -1);
    ::fsync(fd);
  } else {
    fileStep("rewritten in place");
  }
  if (::close(fd) != 0 && error == 0) error = errno;
  return error == 0 ? TProblem{} : problemOf(error);
}

}  // namespace

TProblem refusalToWrite(const fs::path& name) {
  fs::path path = name;
  struct stat st {};
  if (auto refusal = writableTarget(path, st)) return *refusal;
  if (::faccessat(AT_FDCWD, folderOf(path).c_str(), W_OK | X_OK, AT_EACCESS) != 0) return temporaryProblem(errno);
  return {};
}

TProblem writeWholeFile(const fs::path& name, std::string_view bytes, WriteMode mode) {
  fs::path path = name;
  struct stat old {};
  if (auto refusal = writableTarget(path, old)) return *refusal;
  const bool existed = old.st_mode != 0;

  const ExitSignalsHeld held;
  std::string temporary = (folderOf(path) / kTemporaryName).string();
  const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    const bool inPlace = mode == WriteMode::InPlaceWhereNeeded && existed && (error == EACCES || error == EPERM);
    return inPlace ? rewriteInPlace(path, old, bytes) : temporaryProblem(error);
  }
  fileStep("temporary file made");
  int error = existed ? takeOver(fd, old) : (::fchmod(fd, newFileMode()) != 0 ? errno : 0);
  if (error == 0) error = writeAll(fd, bytes);
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0) fileStep("temporary file written");
  // Something else may have been put under the name meanwhile.
  struct stat now {};
  if (error == 0 && ::lstat(path.c_str(), &now) == 0 && !S_ISREG(now.st_mode)) {
    ::unlink(temporary.c_str());
    return TProblem::notRegularFile();
  }
  if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temporary.c_str());
    return problemOf(error);
  }
  fileStep("renamed");
  syncFolder(folderOf(path));
  return {};
}
