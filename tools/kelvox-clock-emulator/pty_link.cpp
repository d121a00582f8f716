#include "pty_link.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace kvxemu {

namespace {

std::string systemError(const std::string& what) { return what + ": " + std::strerror(errno); }

}  // namespace

bool PtyLink::open(const std::string& linkPath, std::string& error) {
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (master_ < 0) return error = systemError("posix_openpt"), false;
  if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
    return error = systemError("grantpt"), close(), false;
  const char* name = ::ptsname(master_);
  if (!name) return error = systemError("ptsname"), close(), false;
  slavePath_ = name;

  slave_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave_ < 0) return error = systemError("open " + slavePath_), close(), false;
  // Raw until the program sets its own line: no echo, no CR/LF translation, no line editing.
  termios tio{};
  if (::tcgetattr(slave_, &tio) == 0) {
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, B19200);
    ::cfsetospeed(&tio, B19200);
    ::tcsetattr(slave_, TCSANOW, &tio);
  }

  // A fresh link beside the old one, renamed over it: a stale link is replaced in one step.
  // Its name is this process's own, and whatever already has that name is left alone.
  const std::string tmp = linkPath + ".new" + std::to_string(::getpid());
  if (::symlink(slavePath_.c_str(), tmp.c_str()) != 0)
    return error = systemError("symlink " + tmp), close(), false;
  if (::rename(tmp.c_str(), linkPath.c_str()) != 0) {
    error = systemError("rename to " + linkPath);
    ::unlink(tmp.c_str());
    close();
    return false;
  }
  linkPath_ = linkPath;
  return true;
}

void PtyLink::close() {
  if (!linkPath_.empty()) {
    // Leave alone a link that someone else has put there since.
    char target[256] = {};
    const ssize_t n = ::readlink(linkPath_.c_str(), target, sizeof target - 1);
    if (n > 0 && slavePath_ == std::string(target, n)) ::unlink(linkPath_.c_str());
    linkPath_.clear();
  }
  if (slave_ >= 0) ::close(slave_);
  if (master_ >= 0) ::close(master_);
  slave_ = master_ = -1;
}

}  // namespace kvxemu
