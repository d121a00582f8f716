// Microsecond timing of the conversation, for measuring how fast the program answers the clock.
// One line per received message, CLOCK_MONOTONIC microseconds:
//   N FIRST PREVIOUS
// N is the message number, FIRST the time its first byte was read, PREVIOUS the time the last
// byte of the clock's replies to the message before it went into the pseudo-terminal, where the
// program can read it at once, paced or not (0 when that message got no reply).
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <string>

namespace kvxemu {

class TimingLog {
 public:
  TimingLog() = default;
  ~TimingLog();
  TimingLog(const TimingLog&) = delete;
  TimingLog& operator=(const TimingLog&) = delete;

  bool open(const std::string& path);
  bool isOpen() const { return file_ != nullptr; }

  // Notes when each line of these bytes began (CR and LF begin none), just after they were read.
  void bytesRead(const char* data, std::size_t size);
  // Writes the line of message n, whose text began at the oldest unclaimed start.
  void messageReceived(int n);
  // The last byte of the clock's replies to the current message went out at this time.
  void repliesWritten(std::chrono::steady_clock::time_point lastByte);

  static std::int64_t nowMicros();
  static std::int64_t micros(std::chrono::steady_clock::time_point t);

 private:
  std::FILE* file_ = nullptr;
  std::deque<std::int64_t> lineStarts_;
  bool inLine_ = false;
  std::int64_t lastReplyEnd_ = 0;
};

}  // namespace kvxemu
