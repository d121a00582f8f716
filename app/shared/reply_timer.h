#pragma once
// The transfer's reply timer on a QTimer: the window's Timeout, the command line's own.
#include <QTimer>

#include "transfer.h"

class TReplyTimer final : public TransferTimer {
 public:
  explicit TReplyTimer(QTimer& timer) : timer_(timer) {}
  void start(int ms) override {
    if (!timer_.isActive()) timer_.start(ms);  // a running timer keeps its interval going
  }
  void stop() override { timer_.stop(); }
  bool active() const override { return timer_.isActive(); }

 private:
  QTimer& timer_;
};
