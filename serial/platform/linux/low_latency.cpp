#include "low_latency.h"

#include <linux/serial.h>
#include <sys/ioctl.h>

#include <cerrno>

namespace {

int getFlags(int fd, int& flags) {
  serial_struct info{};
  if (ioctl(fd, TIOCGSERIAL, &info) < 0) return errno;
  flags = info.flags;
  return 0;
}

int setFlags(int fd, int flags) {
  serial_struct info{};
  if (ioctl(fd, TIOCGSERIAL, &info) < 0) return errno;
  info.flags = flags;
  return ioctl(fd, TIOCSSERIAL, &info) < 0 ? errno : 0;
}

}  // namespace

TLowLatency::Calls TLowLatency::systemCalls() { return {&getFlags, &setFlags}; }

void TLowLatency::request(int fd) {
  setByUs_ = false;
  int flags = 0;
  if (calls_.get(fd, flags) != 0 || (flags & ASYNC_LOW_LATENCY)) return;
  setByUs_ = calls_.set(fd, flags | ASYNC_LOW_LATENCY) == 0;
}

void TLowLatency::restore(int fd) {
  if (!setByUs_) return;
  setByUs_ = false;
  int flags = 0;
  if (calls_.get(fd, flags) == 0) calls_.set(fd, flags & ~ASYNC_LOW_LATENCY);
}
