#include "week_timer.h"

void WeekTimer::set(int day, int entry, const TSwitchTime& value) {
  if (table_.at(day, entry) == value) return;
  table_.at(day, entry) = value;
  emit dayChanged(day);
}

void WeekTimer::writeDay(const WeekTable& from, int day) {
  bool changed = false;
  for (int entry = 0; entry < WeekTable::kEntries; ++entry) {
    if (table_.at(day, entry) == from.at(day, entry)) continue;
    table_.at(day, entry) = from.at(day, entry);
    changed = true;
  }
  if (changed) emit dayChanged(day);
}

void WeekTimer::setDays(const WeekTable& from, const std::vector<int>& days) {
  for (const int day : days) writeDay(from, day);
}

void WeekTimer::setWeek(const WeekTable& week) {
  for (int day = 0; day < WeekTable::kDays; ++day) writeDay(week, day);
}

void WeekTimer::setAllDeleted() {
  WeekTable deleted;
  deleted.setAllDeleted();
  setWeek(deleted);
}

void WeekTimer::transferWrote() {
  for (int day = 0; day < WeekTable::kDays; ++day) emit dayChanged(day);
}
