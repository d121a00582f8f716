// SIGTERM and SIGINT end the emulator cleanly. They are blocked except while it waits, so every
// wait (for input, for the line, for a reply delay) ends at once when one arrives. A signal wakes
// only the thread it is delivered to; a pipe that it makes readable wakes every other clock's
// wait as well.
#pragma once

#include <chrono>

namespace kvxemu {

class StopSignals {
 public:
  enum class Wait { Ready, TimedOut, Stopped };

  // One for the whole process, made before any clock's thread starts.
  StopSignals();
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  bool stopRequested() const;
  // Waits for events on fd (POLLIN or POLLOUT); a negative timeout waits for ever.
  Wait waitFor(int fd, short events, std::chrono::milliseconds timeout);
  // Sleeps until the given time; false when a stop signal came first.
  bool sleepUntil(std::chrono::steady_clock::time_point until);
  bool sleepFor(std::chrono::microseconds duration) {
    return sleepUntil(std::chrono::steady_clock::now() + duration);
  }
};

}  // namespace kvxemu
