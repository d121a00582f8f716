#include "day_edits.h"

#include <algorithm>

namespace {

bool inWeek(int day) { return day >= 0 && day < WeekTable::kDays; }

// The entry as it stands at another day: the same time and action, or deleted.
TSwitchTime movedTo(const TSwitchTime& from, int day, int entry) {
  return from.isDeleted() ? TSwitchTime::deleted(day, entry)
                          : TSwitchTime::set(day, entry, from.time(), from.isOn());
}

}  // namespace

std::vector<int> copyDay(WeekTable& table, int source, const std::vector<int>& targets) {
  std::vector<int> written;
  if (!inWeek(source)) return written;
  for (const int day : targets) {
    if (day == source || !inWeek(day) || std::find(written.begin(), written.end(), day) != written.end())
      continue;
    for (int entry = 0; entry < WeekTable::kEntries; ++entry)
      table.at(day, entry) = movedTo(table.at(source, entry), day, entry);
    written.push_back(day);
  }
  return written;
}

void clearDay(WeekTable& table, int day) {
  for (int entry = 0; entry < WeekTable::kEntries; ++entry)
    table.at(day, entry) = TSwitchTime::deleted(day, entry);
}
