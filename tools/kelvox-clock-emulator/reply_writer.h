// Writes the clock's replies to the master side of the pseudo-terminal, with the line-level
// faults: a delay before each reply, garbage before each reply, the pace of a real line, and a
// USB adapter's latency timer between the line and the program.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "event_log.h"
#include "options.h"
#include "stop_signals.h"

namespace kvxemu {

class ReplyWriter {
 public:
  ReplyWriter(const Options& options, EventLog& log, StopSignals& signals)
      : options_(options), log_(log), signals_(signals) {}

  void attach(int masterFd) { fd_ = masterFd; }

  // False when a stop signal interrupted the replies.
  bool send(const std::vector<std::string>& replies);

  // When the last byte so far went into the pseudo-terminal (on a paced line, the start of its frame).
  std::chrono::steady_clock::time_point lastWrite() const { return lastWrite_; }

  // Bytes that no reader can take for a message: neither "$", "=", CR nor LF.
  static std::string garbage() { return "\x07#~\x7f\xfe!x"; }

 private:
  bool write(const std::string& bytes);
  // One byte reaching the adapter: with a latency timer it waits in the adapter's buffer.
  bool pass(char byte);
  // The adapter hands its buffer over: at once when full, else when its timer runs out.
  bool handOver();
  bool handOverWhenDue();
  bool writeNow(const char* data, std::size_t size);

  int fd_ = -1;
  const Options& options_;
  EventLog& log_;
  StopSignals& signals_;
  std::chrono::steady_clock::time_point lastWrite_{};
  std::string held_;  // in the adapter's buffer
  std::chrono::steady_clock::time_point heldSince_{};
};

}  // namespace kvxemu
