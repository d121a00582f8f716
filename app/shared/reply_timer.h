#pragma once
// The transfer's reply timer on a QTimer: the window's Timeout, the command line's own.
#include <QTimer>

#include "transfer.h"

class TReplyTimer final : public TransferTimer {
 public:
  // A coarse timer may end up to 5 % early: 2.85 s of a 3 s reply time, too soon for a clock
  // that answers late but in time.
  explicit TReplyTimer(QTimer& timer) : timer_(timer) { timer_.setTimerType(Qt::PreciseTimer); }
  void start(int ms) override {
    if (!timer_.isActive()) timer_.start(ms);  // a running timer keeps its interval going
  }
  void stop() override { timer_.stop(); }
  bool active() const override { return timer_.isActive(); }

 private:
  QTimer& timer_;
};
