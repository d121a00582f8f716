// Blocks until a watched port event occurs or until another thread wakes it: the POSIX stand-in
// for WaitCommEvent, which the component's close ends by clearing the event mask.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>

#include "port_events.h"

// The status calls the wait makes on the port, each giving 0 or an errno. Real ports answer all
// of them; pseudo-terminals have no modem lines (ENOTTY), so tests put a stand-in here.
struct PortStatusCalls {
  std::function<int(int fd, int& bits)> modemLines;   // TIOCMGET
  std::function<int(int fd, int& count)> breaks;      // TIOCGICOUNT
  std::function<int(int fd, int& count)> inputCount;  // FIONREAD
  static PortStatusCalls ioctls();
};

class PortEventWaiter {
 public:
  explicit PortEventWaiter(PortStatusCalls calls = PortStatusCalls::ioctls());
  ~PortEventWaiter();
  PortEventWaiter(const PortEventWaiter&) = delete;
  PortEventWaiter& operator=(const PortEventWaiter&) = delete;

  // Any thread: ends the current or next wait or pause.
  void wake();
  // After a write: report the output queue empty once it drains.
  void noteWrite();
  // After bytes were taken from the input queue.
  void noteRead(std::int32_t count) { seenInput_.noteRead(count); }

  // Receive thread only. A new generation (a new open) starts from fresh baselines.
  // Modem lines, breaks and ring cannot be polled: they are looked at in short slices, which is
  // done only while watchLines asks for them. Otherwise the wait blocks until data or a wake-up.
  PortEvents wait(int fd, std::uint64_t generation, bool watchLines);
  void pause(std::chrono::milliseconds duration);

 private:
  std::uint32_t changes(int fd, bool watchLines, PortEvents& result);
  void drainWake();

  PortStatusCalls calls_;
  int wakeFd_ = -1;
  std::atomic<bool> txPending_{false};

  // Baselines of the receive thread: what the last wait saw.
  std::uint64_t generation_ = 0;
  SeenInput seenInput_;
  bool haveModem_ = false;
  int modemBits_ = 0;
  bool haveBreaks_ = false;
  int breaks_ = 0;
};
