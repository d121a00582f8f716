// One emulated clock: its pseudo-terminal, configuration, faults, reply pacing and files. Each
// serves on a thread of its own, so that one clock's waits (its pace, delays, a peer that reads
// nothing) never hold back another.
#pragma once

#include <string>

#include "clock_config.h"
#include "clock_responder.h"
#include "event_log.h"
#include "fault_plan.h"
#include "line_reader.h"
#include "options.h"
#include "pty_link.h"
#include "reply_writer.h"
#include "stop_signals.h"
#include "timing_log.h"

namespace kvxemu {

class EmulatedClock {
 public:
  // oneOfSeveral: its log lines on stderr and its "vanished" line name its port.
  EmulatedClock(const Options& options, const ClockConfig& config, StopSignals& signals, bool oneOfSeveral);
  EmulatedClock(const EmulatedClock&) = delete;
  EmulatedClock& operator=(const EmulatedClock&) = delete;

  // Opens its files and links its port; 0, or the exit status after saying why on stderr.
  int open();
  // "ready COMn PTY", for stdout once every clock is open.
  std::string readyLine() const;
  // Answers until a stop signal or until it vanishes, then saves, unlinks and returns its exit status.
  int serve();

 private:
  int answerUntilEnd();
  // False when the clock is to end.
  bool handle(const ReceivedLine& line);
  bool reply(const std::vector<std::string>& replies);
  void save();

  const Options options_;
  const bool oneOfSeveral_;
  ClockConfig config_;
  StopSignals& signals_;
  EventLog log_;
  PtyLink link_;
  LineReader reader_;
  ClockResponder responder_;
  FaultPlan faults_;
  ReplyWriter writer_;
  TimingLog timing_;
  int messages_ = 0;
  std::size_t repliesWritten_ = 0;
};

}  // namespace kvxemu
