// What a wait for port events gives, the same on every platform, and the count of received bytes
// that both platforms' waits keep so that they report each arrival once.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>

struct PortEvents {
  // The event bits, with the values of the Win32 communications events they were designed as.
  static constexpr std::uint32_t kRxChar = 0x001;
  static constexpr std::uint32_t kTxEmpty = 0x004;
  static constexpr std::uint32_t kCts = 0x008;
  static constexpr std::uint32_t kDsr = 0x010;
  static constexpr std::uint32_t kRlsd = 0x020;
  static constexpr std::uint32_t kBreak = 0x040;
  static constexpr std::uint32_t kRing = 0x100;

  std::uint32_t events = 0;  // nothing when woken
  int error = 0;             // the system's code of a failed wait
  bool cts = false, dsr = false, rlsd = false;
};

// The bytes of the input queue that a wait has already reported. Only a queue longer than that is
// an arrival; bytes taken from the queue no longer count as seen, so the next arrival is reported
// even when it brings the queue back to the same length.
class SeenInput {
 public:
  // Any thread: after `count` bytes were taken from the queue.
  void noteRead(std::int32_t count) {
    std::int32_t seen = seen_.load();
    while (!seen_.compare_exchange_weak(seen, std::max<std::int32_t>(0, seen - count))) {
    }
  }
  // The waiting thread: the queue holds `queued` bytes now. True when some of them are new.
  bool arrived(std::int32_t queued) { return queued > seen_.exchange(queued); }
  // Bytes seen and not read yet.
  bool unread() const { return seen_ > 0; }
  void forget() { seen_ = 0; }

 private:
  std::atomic<std::int32_t> seen_{0};
};
