#pragma once
// "Compare with clock": a read of the clock into a configuration of its own, over the window's
// port, so that none of the window's controls changes. It has its own transfer and reply timer;
// the window hands it the received messages while it runs and shows the outcome.
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "clock_session.h"
#include "config_file.h"

class TSerial;

class TClockCompare : private TransferHost {
 public:
  // The read's end: no failure and what the clock holds, or why it failed.
  using Done = std::function<void(std::optional<TransferFailure> failure, const TClockConfig& clock)>;

  TClockCompare(TSerial& serial, Done done, const TTestTimes& testTimes = {});

  // Starts a read from a fresh configuration.
  void start();
  // From its start until `done` has returned.
  bool running() const { return running_; }
  // A received message, as the window's transfer would take it.
  void message(const std::string& text, bool beforeLastWrite, bool damaged) {
    session_.deliver(text, beforeLastWrite, damaged);
  }
  // Another port was applied: nothing more is waited for, and nothing shown.
  void abandon();
  // The settings the clock answered with a value outside their range, as it sent them: the
  // configuration holds them clamped, as the window's controls would.
  const std::map<Setting, int>& outOfRange() const { return outOfRange_; }

 private:
  // TransferHost: the settings of its own configuration.
  int setting(Setting s) const override { return clock_.setting(s); }
  void writeSetting(Setting s, int value) override;
  bool readSettles() const override { return true; }
  void readFinished() override { finish(std::nullopt); }
  void failed(TransferFailure why, const std::string& lastAcknowledged) override;
  void finish(std::optional<TransferFailure> failure);

  Done done_;
  TClockConfig clock_;
  std::map<Setting, int> outOfRange_;
  bool running_ = false;
  TClockSession session_;  // on the window's Serial1
};
