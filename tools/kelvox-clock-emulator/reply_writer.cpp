#include "reply_writer.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace kvxemu {

namespace {

// 19200 baud, 8 data bits, even parity, 1 stop bit, plus the start bit: 11 bits a byte.
constexpr std::chrono::microseconds kByteTime{11 * 1000000 / 19200};
// A peer that reads nothing for this long gets no more replies.
constexpr std::chrono::milliseconds kStuckWrite{2000};
// An FTDI adapter's receive packet: 64 bytes, 2 of them its status.
constexpr std::size_t kAdapterBuffer = 62;

}  // namespace

bool ReplyWriter::send(const std::vector<std::string>& replies) {
  for (const std::string& reply : replies) {
    if (options_.delayMs > 0 && !signals_.sleepFor(std::chrono::milliseconds(options_.delayMs))) return false;
    if (options_.garbage && !write(garbage())) return false;
    if (!write(reply)) return false;
  }
  return handOverWhenDue();
}

bool ReplyWriter::write(const std::string& bytes) {
  log_.sent(bytes);
  if (!options_.pace && options_.latencyMs == 0) return writeNow(bytes.data(), bytes.size());
  // On a line a byte is there only once its stop bit has passed: each is written at the end of
  // its time.
  auto next = std::chrono::steady_clock::now();
  for (const char c : bytes) {
    if (options_.pace) {
      next += kByteTime;
      if (!signals_.sleepUntil(next)) return false;
    }
    if (!pass(c)) return false;
  }
  return true;
}

bool ReplyWriter::pass(char byte) {
  if (options_.latencyMs == 0) return writeNow(&byte, 1);
  const auto now = std::chrono::steady_clock::now();
  if (!held_.empty() && now >= heldSince_ + std::chrono::milliseconds(options_.latencyMs) && !handOver())
    return false;
  if (held_.empty()) heldSince_ = now;
  held_ += byte;
  return held_.size() < kAdapterBuffer || handOver();
}

bool ReplyWriter::handOverWhenDue() {
  if (held_.empty()) return true;
  if (!signals_.sleepUntil(heldSince_ + std::chrono::milliseconds(options_.latencyMs))) return false;
  return handOver();
}

bool ReplyWriter::handOver() {
  std::string bytes;
  bytes.swap(held_);
  return writeNow(bytes.data(), bytes.size());
}

bool ReplyWriter::writeNow(const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd_, data, size);
    if (n > 0) {
      lastWrite_ = std::chrono::steady_clock::now();
      data += n;
      size -= static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) {
      log_.note("write failed, reply dropped");
      return true;
    }
    // The port's input queue is full: nobody reads it.
    const auto wait = signals_.waitFor(fd_, POLLOUT, kStuckWrite);
    if (wait == StopSignals::Wait::Stopped) return false;
    if (wait == StopSignals::Wait::TimedOut) {
      log_.note("nobody reads the port, reply dropped");
      return true;
    }
  }
  return true;
}

}  // namespace kvxemu
