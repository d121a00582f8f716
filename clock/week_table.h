#pragma once
// The weekly timer: 7 days (0 Monday .. 6 Sunday) by 8 entries (0 "Time 1" .. 7 "Time 8").
#include <array>

#include "switch_time.h"

class WeekTable {
 public:
  static constexpr int kDays = 7;
  static constexpr int kEntries = 8;

  TSwitchTime& at(int day, int entry) { return rows_.at(day).at(entry); }
  const TSwitchTime& at(int day, int entry) const { return rows_.at(day).at(entry); }

  // Every entry in its deleted form.
  bool operator==(const WeekTable&) const = default;

  void setAllDeleted() {
    for (int d = 0; d < kDays; ++d)
      for (int e = 0; e < kEntries; ++e) at(d, e) = TSwitchTime::deleted(d, e);
  }

 private:
  std::array<std::array<TSwitchTime, kEntries>, kDays> rows_{};
};
