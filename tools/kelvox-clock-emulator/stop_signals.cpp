#include "stop_signals.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace kvxemu {

namespace {

std::atomic<bool> gStop{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");
int gWake[2] = {-1, -1};  // readable once a stop signal came; never read, so it stays readable
sigset_t gWaitMask;       // the mask in force while waiting: stop signals let through

void onStopSignal(int) {
  const int savedErrno = errno;
  gStop = true;
  const char byte = 1;
  if (gWake[1] >= 0 && ::write(gWake[1], &byte, 1) < 0) {
    // Full already: it is readable, which is all it is for.
  }
  errno = savedErrno;
}

timespec toTimespec(std::chrono::nanoseconds d) {
  if (d.count() < 0) d = {};
  return {static_cast<time_t>(d.count() / 1000000000), static_cast<long>(d.count() % 1000000000)};
}

}  // namespace

StopSignals::StopSignals() {
  if (::pipe2(gWake, O_CLOEXEC | O_NONBLOCK) != 0) gWake[0] = gWake[1] = -1;

  sigset_t stopSet;
  sigemptyset(&stopSet);
  sigaddset(&stopSet, SIGTERM);
  sigaddset(&stopSet, SIGINT);
  // Threads started later inherit the blocked stop signals.
  pthread_sigmask(SIG_BLOCK, &stopSet, &gWaitMask);
  sigdelset(&gWaitMask, SIGTERM);
  sigdelset(&gWaitMask, SIGINT);

  struct sigaction sa {};
  sa.sa_handler = onStopSignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

StopSignals::~StopSignals() {
  // Signals stay blocked from here on, so the handler no longer writes to the pipe.
  for (int& fd : gWake)
    if (fd >= 0) ::close(fd), fd = -1;
}

bool StopSignals::stopRequested() const { return gStop; }

StopSignals::Wait StopSignals::waitFor(int fd, short events, std::chrono::milliseconds timeout) {
  pollfd p[2] = {{fd, events, 0}, {gWake[0], POLLIN, 0}};
  const timespec ts = toTimespec(timeout);
  while (!stopRequested()) {
    const int n = ppoll(p, 2, timeout.count() < 0 ? nullptr : &ts, &gWaitMask);
    if (n > 0 && p[0].revents != 0) return Wait::Ready;
    if (n == 0) return Wait::TimedOut;
    if (n < 0 && errno != EINTR) return Wait::Ready;  // let the caller's read or write report the error
  }
  return Wait::Stopped;
}

bool StopSignals::sleepUntil(std::chrono::steady_clock::time_point until) {
  pollfd wake{gWake[0], POLLIN, 0};
  while (!stopRequested()) {
    const auto left = until - std::chrono::steady_clock::now();
    if (left <= std::chrono::nanoseconds::zero()) return true;
    const timespec ts = toTimespec(left);
    ppoll(&wake, 1, &ts, &gWaitMask);
  }
  return false;
}

}  // namespace kvxemu
