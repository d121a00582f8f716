#include "clock_compare.h"

TClockCompare::TClockCompare(TSerial& serial, Done done, const TTestTimes& testTimes)
    : done_(std::move(done)), session_(*this, clock_.week, &serial, testTimes) {}

void TClockCompare::start() {
  clock_ = TClockConfig();
  outOfRange_.clear();
  running_ = true;
  session_.transfer().ReadClockClick();
}

void TClockCompare::abandon() {
  session_.transfer().portChanged();
  running_ = false;
}

void TClockCompare::writeSetting(Setting s, int value) {
  const int clamped = TClockSession::clamped(s, value);
  if (clamped != value) outOfRange_[s] = value;
  clock_.setSetting(s, clamped);
}

void TClockCompare::failed(TransferFailure why, const std::string& /*lastAcknowledged*/) { finish(why); }

void TClockCompare::finish(std::optional<TransferFailure> failure) {
  done_(failure, clock_);
  running_ = false;
}
