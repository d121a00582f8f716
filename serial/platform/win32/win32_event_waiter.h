// Blocks until a watched port event occurs or until another thread wakes it: WaitCommEvent on
// an overlapped record, ended from the closing thread by clearing the event mask.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>

#include "port_events.h"
#include "win32_port.h"

class Win32EventWaiter {
 public:
  Win32EventWaiter();
  ~Win32EventWaiter();
  Win32EventWaiter(const Win32EventWaiter&) = delete;
  Win32EventWaiter& operator=(const Win32EventWaiter&) = delete;

  // Any thread: ends the current or next wait or pause. Called before the port's handle is
  // closed, it ends a pending wait by clearing the port's event mask.
  void wake();
  // The driver reports the output queue empty by itself.
  void noteWrite() {}
  // Wine reports received characters as long as any are queued: only new arrivals count.
  void noteRead(std::int32_t count) { seenInput_.noteRead(count); }

  // Receive thread only. A new generation (a new open) starts from fresh baselines. The driver
  // watches the modem lines itself while the wait blocks, with nothing polled, so their events
  // stay in the mask whether or not watchLines asks for them.
  PortEvents wait(Win32Handle port, std::uint64_t generation, bool watchLines);
  void pause(std::chrono::milliseconds duration);

 private:
  // The events of a completed wait, with the modem input states when one of them changed.
  PortEvents eventsOf(Win32Handle port, std::uint32_t mask);
  // Woken already: the wake is taken.
  bool takeWake();

  Win32Handle woken_ = nullptr;     // auto-reset: one wake ends one wait
  Win32Handle waitDone_ = nullptr;  // the overlapped wait's completion

  std::mutex mutex_;
  Win32Handle pending_ = nullptr;  // the port a wait is pending on, if any
  bool maskCleared_ = false;       // a wake cleared the mask of the current generation's port

  std::uint64_t generation_ = 0;
  SeenInput seenInput_;
};
