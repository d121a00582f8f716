#include "lock_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <limits>

#include "posix_port.h"
#include "small_file.h"

namespace lock_files {

std::string& folderSetting() {
  static std::string folder = "/var/lock";
  return folder;
}

// "LCK.." and the device's name below /dev, a "/" in it written as "_" ("LCK..pts_3").
std::string fileFor(const std::string& device) {
  std::string name =
      device.starts_with("/dev/") ? device.substr(5) : std::filesystem::path(device).filename().string();
  std::replace(name.begin(), name.end(), '/', '_');
  return folderSetting() + "/LCK.." + name;
}

// A lock file's PID: ten ASCII characters and a newline (leading blanks allowed).
LockFile read(const std::string& lockPath) {
  LockFile lock;
  std::string text;
  struct stat st {};
  lock.regular = small_file::read(lockPath, text, st, lock.missing);
  if (!lock.regular) {
    // One that cannot be read is judged by its age alone, as one without a PID.
    struct stat named {};
    if (lock.missing || lstat(lockPath.c_str(), &named) != 0 || !S_ISREG(named.st_mode)) return lock;
    lock.regular = true;
    lock.modified = named.st_mtime;
    return lock;
  }
  lock.modified = st.st_mtime;
  long pid = 0;
  if (std::sscanf(text.c_str(), "%ld", &pid) == 1 && pid > 0 && pid <= std::numeric_limits<pid_t>::max())
    lock.pid = static_cast<pid_t>(pid);
  return lock;
}

namespace {

bool processRuns(pid_t pid) { return kill(pid, 0) == 0 || errno == EPERM; }

// A lock file with no PID in it yet may be one that its program is still writing: for this
// long it counts as held.
constexpr int kUnwrittenLockSeconds = 5;

}  // namespace

pid_t otherOwner(const std::string& lockPath) {
  const LockFile lock = read(lockPath);
  if (lock.missing) return 0;
  if (!lock.regular) return kLockNotARegularFile;
  if (lock.pid == getpid()) return 0;
  if (lock.pid > 0 && processRuns(lock.pid)) return lock.pid;
  if (lock.pid == 0 && time(nullptr) - lock.modified < kUnwrittenLockSeconds) return kLockBeingWritten;
  unlink(lockPath.c_str());
  return 0;
}

}  // namespace lock_files

void PosixPort::setLockFolder(const std::string& folder) { lock_files::folderSetting() = folder; }

int PosixPort::takeLockFile(const std::string& lockPath) {
  // The PID is written into a file of our own first and then linked under the lock's name, so
  // another program never finds our lock file without its PID.
  const std::string ownFile = lockPath + ".tmp" + std::to_string(getpid());
  // The lock folder is writable by everyone: a file or link already standing under that name was
  // put there by someone else and is neither followed nor truncated. Without a file of our own
  // the port is used without a lock file, as in a folder we may not write to.
  const int fd = ::open(ownFile.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) return 0;
  char text[16];
  const int length = std::snprintf(text, sizeof text, "%10ld\n", static_cast<long>(getpid()));
  const bool written = ::write(fd, text, static_cast<std::size_t>(length)) == length;
  ::close(fd);
  int error = 0;
  for (int attempt = 0; written && attempt < 2; ++attempt) {
    if (link(ownFile.c_str(), lockPath.c_str()) == 0) {
      ownLock_ = lockPath;
      break;
    }
    if (errno != EEXIST) break;  // no links in this folder: go on without a lock file
    // Another program came first; a file naming this process is one left behind by it.
    lockOwner_ = lock_files::otherOwner(lockPath);
    if (lockOwner_ != 0) {
      error = EBUSY;
      break;
    }
    const lock_files::LockFile left = lock_files::read(lockPath);
    if (left.regular && left.pid == getpid()) unlink(lockPath.c_str());
  }
  unlink(ownFile.c_str());
  return error;
}
