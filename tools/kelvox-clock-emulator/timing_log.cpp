#include "timing_log.h"

namespace kvxemu {

TimingLog::~TimingLog() {
  if (file_) std::fclose(file_);
}

bool TimingLog::open(const std::string& path) {
  file_ = std::fopen(path.c_str(), "w");
  return file_ != nullptr;
}

// steady_clock is CLOCK_MONOTONIC on Linux, so these times compare with other processes' ones.
std::int64_t TimingLog::micros(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration_cast<std::chrono::microseconds>(t.time_since_epoch()).count();
}

std::int64_t TimingLog::nowMicros() { return micros(std::chrono::steady_clock::now()); }

void TimingLog::bytesRead(const char* data, std::size_t size) {
  if (!file_) return;
  const std::int64_t now = nowMicros();
  for (std::size_t i = 0; i < size; ++i) {
    const char c = data[i];
    if (c == '\r') {
      inLine_ = false;
    } else if (c != '\n' && !inLine_) {
      inLine_ = true;
      lineStarts_.push_back(now);
    }
  }
}

void TimingLog::messageReceived(int n) {
  if (!file_) return;
  std::int64_t first = 0;
  if (!lineStarts_.empty()) {
    first = lineStarts_.front();
    lineStarts_.pop_front();
  }
  std::fprintf(file_, "%d %lld %lld\n", n, static_cast<long long>(first),
               static_cast<long long>(lastReplyEnd_));
  std::fflush(file_);
  lastReplyEnd_ = 0;
}

void TimingLog::repliesWritten(std::chrono::steady_clock::time_point lastByte) {
  if (file_) lastReplyEnd_ = micros(lastByte);
}

}  // namespace kvxemu
