#include "port_event_waiter.h"

#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace {
// Modem lines, breaks and a draining output queue are not pollable: they are looked at
// between slices of the wait.
constexpr int kSliceMs = 50;
}  // namespace

PortStatusCalls PortStatusCalls::ioctls() {
  const auto call = [](int fd, unsigned long request, void* out) {
    return ioctl(fd, request, out) == 0 ? 0 : errno;
  };
  return {[call](int fd, int& bits) { return call(fd, TIOCMGET, &bits); },
          [call](int fd, int& count) {
            serial_icounter_struct counts{};
            const int error = call(fd, TIOCGICOUNT, &counts);
            count = counts.brk;
            return error;
          },
          [call](int fd, int& count) { return call(fd, FIONREAD, &count); }};
}

PortEventWaiter::PortEventWaiter(PortStatusCalls calls)
    : calls_(std::move(calls)), wakeFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

PortEventWaiter::~PortEventWaiter() {
  if (wakeFd_ >= 0) ::close(wakeFd_);
}

void PortEventWaiter::wake() {
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = ::write(wakeFd_, &one, sizeof one);
}

void PortEventWaiter::noteWrite() {
  txPending_ = true;
  wake();
}

void PortEventWaiter::drainWake() {
  std::uint64_t count = 0;
  [[maybe_unused]] const ssize_t n = ::read(wakeFd_, &count, sizeof count);
}

PortEvents PortEventWaiter::wait(int fd, std::uint64_t generation, bool watchLines) {
  if (generation != generation_) {
    generation_ = generation;
    seenInput_.forget();
    haveModem_ = haveBreaks_ = false;
  }
  // Lines not watched have no baseline: watching them again starts from what they are then.
  if (!watchLines) haveModem_ = haveBreaks_ = false;
  for (;;) {
    PortEvents result;
    result.events = changes(fd, watchLines, result);
    if (result.events != 0) return result;

    // Bytes nobody has read keep the port readable: then only growth counts, looked at in slices.
    const bool unreadInput = seenInput_.unread();
    const bool sliced = unreadInput || haveModem_ || haveBreaks_ || txPending_;
    pollfd fds[2] = {{fd, static_cast<short>(unreadInput ? 0 : POLLIN), 0}, {wakeFd_, POLLIN, 0}};
    if (poll(fds, 2, sliced ? kSliceMs : -1) < 0) {
      if (errno == EINTR) continue;
      result.error = errno;
      return result;
    }
    if (fds[1].revents & POLLIN) {
      drainWake();
      return result;
    }
    if (fds[0].revents & POLLNVAL) {
      result.error = EBADF;
      return result;
    }
    if (fds[0].revents & (POLLHUP | POLLERR)) {
      result.error = EIO;  // the device has gone away
      return result;
    }
  }
}

std::uint32_t PortEventWaiter::changes(int fd, bool watchLines, PortEvents& result) {
  std::uint32_t events = 0;
  int bits = 0;
  if (watchLines && calls_.modemLines(fd, bits) == 0) {
    // ENOTTY on a pseudo-terminal just means there are no modem lines to watch.
    if (haveModem_) {
      const int changed = bits ^ modemBits_;
      if (changed & TIOCM_CTS) events |= PortEvents::kCts;
      if (changed & TIOCM_DSR) events |= PortEvents::kDsr;
      if (changed & TIOCM_CAR) events |= PortEvents::kRlsd;
      if (changed & bits & TIOCM_RNG) events |= PortEvents::kRing;
    }
    haveModem_ = true;
    modemBits_ = bits;
    result.cts = bits & TIOCM_CTS;
    result.dsr = bits & TIOCM_DSR;
    result.rlsd = bits & TIOCM_CAR;
  }
  int breaks = 0;
  if (watchLines && calls_.breaks(fd, breaks) == 0) {
    if (haveBreaks_ && breaks != breaks_) events |= PortEvents::kBreak;
    haveBreaks_ = true;
    breaks_ = breaks;
  }
  int queued = 0;
  if (txPending_ && (ioctl(fd, TIOCOUTQ, &queued) < 0 || queued == 0)) {
    txPending_ = false;
    events |= PortEvents::kTxEmpty;
  }
  int available = 0;
  if (calls_.inputCount(fd, available) == 0 && seenInput_.arrived(available))
    events |= PortEvents::kRxChar;
  return events;
}

void PortEventWaiter::pause(std::chrono::milliseconds duration) {
  pollfd p{wakeFd_, POLLIN, 0};
  if (poll(&p, 1, static_cast<int>(duration.count())) > 0) drainWake();
}
