#include "clock_session.h"

#include <algorithm>

#include "Serial4.h"

TClockSession::TClockSession(TransferHost& host, WeekTable& table, TSerial* serial)
    : line_(serial), transfer_(line_, replyTimer_, host, table) {
  QObject::connect(&timeout_, &QTimer::timeout, [this] { transfer_.TimeoutTimer(); });
}

int TClockSession::clamped(Setting s, int value) {
  const SettingRange range = settingRange(s);
  return std::clamp(value, range.min, range.max);
}
