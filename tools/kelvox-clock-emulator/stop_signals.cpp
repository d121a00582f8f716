#include "stop_signals.h"

#include <poll.h>
#include <signal.h>

#include <cerrno>

namespace kvxemu {

namespace {

volatile sig_atomic_t gStop = 0;
sigset_t gWaitMask;  // the mask in force while waiting: stop signals let through

void onStopSignal(int) { gStop = 1; }

timespec toTimespec(std::chrono::nanoseconds d) {
  if (d.count() < 0) d = {};
  return {static_cast<time_t>(d.count() / 1000000000), static_cast<long>(d.count() % 1000000000)};
}

}  // namespace

StopSignals::StopSignals() {
  sigset_t stopSet;
  sigemptyset(&stopSet);
  sigaddset(&stopSet, SIGTERM);
  sigaddset(&stopSet, SIGINT);
  sigprocmask(SIG_BLOCK, &stopSet, &gWaitMask);
  sigdelset(&gWaitMask, SIGTERM);
  sigdelset(&gWaitMask, SIGINT);

  struct sigaction sa {};
  sa.sa_handler = onStopSignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

bool StopSignals::stopRequested() const { return gStop != 0; }

StopSignals::Wait StopSignals::waitFor(int fd, short events, std::chrono::milliseconds timeout) {
  pollfd p{fd, events, 0};
  const timespec ts = toTimespec(timeout);
  while (!stopRequested()) {
    const int n = ppoll(&p, 1, timeout.count() < 0 ? nullptr : &ts, &gWaitMask);
    if (n > 0) return Wait::Ready;
    if (n == 0) return Wait::TimedOut;
    if (errno != EINTR) return Wait::Ready;  // let the caller's read or write report the error
  }
  return Wait::Stopped;
}

bool StopSignals::sleepUntil(std::chrono::steady_clock::time_point until) {
  while (!stopRequested()) {
    const auto left = until - std::chrono::steady_clock::now();
    if (left <= std::chrono::nanoseconds::zero()) return true;
    const timespec ts = toTimespec(left);
    ppoll(nullptr, 0, &ts, &gWaitMask);
  }
  return false;
}

}  // namespace kvxemu
