#pragma once
// Every clock on the bench at once: one job per port of the list, all started together in one
// event loop, each ending on its own. Ports plugged in later are not joined.
#include <QString>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "clock_job.h"

class TEveryClock {
 public:
  // For Task::Read, `request.readInto` is the folder the clocks are written into, one file each.
  TEveryClock(const std::vector<TPortEntry>& ports, const TClockJob::Request& request);

  // Starts every job; `jobEnded` is told of each as it ends, `allEnded` once the last has.
  void start(std::function<void(const TClockJob&)> jobEnded, std::function<void()> allEnded);
  // Ends every job that still runs, each with how far it came.
  void interrupt();

  const std::vector<std::unique_ptr<TClockJob>>& jobs() const { return jobs_; }
  bool ended() const { return running_ == 0; }
  // How many ports a clock answered on, and how many of those ended with `result`.
  int clocks() const;
  int count(TClockOutcome::Result result) const;
  // "6 clocks: 5 verified, 1 differs (COM8)"; "no clock answered on any of the 4 ports".
  QString summary() const;

 private:
  std::vector<std::unique_ptr<TClockJob>> jobs_;
  int running_ = 0;
};

// The file a clock read from `port` is written to: named after its adapter's serial number where it
// has one that no other port of `ports` shares, else after the port ("COM3.cfg", "ttyUSB0.cfg").
QString readFileName(const TPortEntry& port, const std::vector<TPortEntry>& ports);
