#include "clock_compare.h"

#include <algorithm>

#include "Serial4.h"

TClockCompare::TClockCompare(TSerial& serial, Done done) : serial_(serial), done_(std::move(done)) {
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

void TClockCompare::message(const std::string& text, bool beforeLastWrite) {
  transfer_.Serial1Message(text, beforeLastWrite);
}

void TClockCompare::sendString(const std::string& text) { serial_.SendString(text); }
void TClockCompare::sendChar(char c) { serial_.SendChar(c); }
void TClockCompare::abortRx() { serial_.AbortRx(); }
void TClockCompare::abortTx() { serial_.AbortTx(); }
void TClockCompare::setMessageStartChar(char c) { serial_.setMessageStartChar(c); }
void TClockCompare::setSecondStartChar(std::optional<char> c) { serial_.setMessageSecondStartChar(c); }

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
