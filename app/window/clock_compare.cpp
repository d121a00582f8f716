#include "clock_compare.h"

#include <algorithm>

#include "Serial4.h"

TClockCompare::TClockCompare(TSerial& serial, Done done) : port_(&serial), done_(std::move(done)) {
  QObject::connect(&timeout_, &QTimer::timeout, [this] { transfer_.TimeoutTimer(); });
}

void TClockCompare::start() {
  clock_ = TClockConfig();
  running_ = true;
  transfer_.ReadClockClick();
}

void TClockCompare::abandon() {
  transfer_.portChanged();
  running_ = false;
}



void TClockCompare::writeSetting(Setting s, int value) {
  // Clamped as the window's controls clamp what a read writes into them.
  const SettingRange range = settingRange(s);
  clock_.setSetting(s, std::clamp(value, range.min, range.max));
}

void TClockCompare::failed(TransferFailure why, const std::string& /*lastAcknowledged*/) { finish(why); }

void TClockCompare::finish(std::optional<TransferFailure> failure) {
  done_(failure, clock_);
  running_ = false;
}
