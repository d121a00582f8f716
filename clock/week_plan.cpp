#include "week_plan.h"

#include <algorithm>

namespace {

constexpr const char* kDash = "\xE2\x80\x93";  // en dash, UTF-8

// A time field the clock can take: two decimal digits, at most `max`; -1 otherwise.
int fieldNumber(const std::string& field, int max) {
  if (field.size() != 2 || field[0] < '0' || field[0] > '9' || field[1] < '0' || field[1] > '9') return -1;
  const int value = (field[0] - '0') * 10 + (field[1] - '0');
  return value <= max ? value : -1;
}

int secondOfDay(const SwitchFields& time) {
  const int hour = fieldNumber(time.hour, 23);
  const int minute = fieldNumber(time.minute, 59);
  const int second = fieldNumber(time.second, 59);
  if (hour < 0 || minute < 0 || second < 0) return -1;
  return (hour * 60 + minute) * 60 + second;
}

// The day's usable switch times in the order they act: by second, then by entry.
void readDay(const WeekTable& table, int day, DayPlan& plan) {
  for (int entry = 0; entry < WeekTable::kEntries; ++entry) {
    const TSwitchTime& switchTime = table.at(day, entry);
    if (switchTime.isDeleted()) continue;
    const int second = secondOfDay(switchTime.time());
    if (second < 0)
      plan.unusable.push_back(entry);
    else
      plan.switches.push_back({entry, second, switchTime.isOn()});
  }
  std::stable_sort(plan.switches.begin(), plan.switches.end(),
                   [](const PlanSwitch& a, const PlanSwitch& b) { return a.second < b.second; });
}

// Walks one day from the state it starts in; gives the state it ends in.
bool walkDay(DayPlan& plan, bool on) {
  int begin = 0;
  const auto& switches = plan.switches;
  for (std::size_t first = 0; first < switches.size();) {
    std::size_t last = first;
    bool mixed = false;
    while (last + 1 < switches.size() && switches[last + 1].second == switches[first].second) {
      ++last;
      mixed = mixed || switches[last].on != switches[first].on;
    }
    const int second = switches[first].second;
    if (mixed) {
      PlanConflict conflict{second, {}, switches[last].entry};
      for (std::size_t i = first; i <= last; ++i) conflict.entries.push_back(switches[i].entry);
      plan.conflicts.push_back(conflict);
    }
    const bool next = switches[last].on;
    if (next && !on) begin = second;
    if (!next && on && second > begin) plan.on.push_back({begin, second});
    on = next;
    first = last + 1;
  }
  if (on) plan.on.push_back({begin, kSecondsPerDay});
  return on;
}

std::string replaced(std::string text, const std::string& mark, const std::string& by) {
  const std::size_t at = text.find(mark);
  return at == std::string::npos ? text : text.replace(at, mark.size(), by);
}

std::string entryName(int entry, const PlanWords& words) {
  return replaced(words.entry, "%1", std::to_string(entry + 1));
}

const PlanSwitch* switchOf(const DayPlan& plan, int entry) {
  for (const PlanSwitch& s : plan.switches)
    if (s.entry == entry) return &s;
  return nullptr;
}

std::string conflictText(const DayPlan& plan, const PlanConflict& conflict, const PlanWords& words) {
  std::string entries;
  for (const int entry : conflict.entries) {
    if (!entries.empty()) entries += ", ";
    entries += entryName(entry, words) + ' ' + (switchOf(plan, entry)->on ? words.on : words.off);
  }
  std::string text = replaced(words.conflict, "%1", planTime(conflict.second));
  text = replaced(text, "%2", entries);
  return replaced(text, "%3", entryName(conflict.decides, words));
}

}  // namespace

WeekPlan weekPlan(const WeekTable& table) {
  WeekPlan plan;
  for (int day = 0; day < WeekTable::kDays; ++day) readDay(table, day, plan[day]);
  // Monday begins in the state the week's last switch time leaves, as the week repeats.
  bool on = false;
  for (const DayPlan& day : plan)
    if (!day.switches.empty()) on = day.switches.back().on;
  for (DayPlan& day : plan) on = walkDay(day, on);
  return plan;
}

const PlanWords& englishPlanWords() {
  static const PlanWords words{
      {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"},
      "ON",
      "OFF",
      "OFF all day",
      "ON all day",
      "conflict at %1 (%2): %3 acts last",
      "%1 is no time of day and switches nothing",
      "Time %1",
      "no switch times",
  };
  return words;
}

std::string planTime(int second) {
  const auto two = [](int value) { return std::string{char('0' + value / 10), char('0' + value % 10)}; };
  return two(second / 3600) + ':' + two(second / 60 % 60) + ':' + two(second % 60);
}

std::string dayPlanLine(const DayPlan& plan, int day, const PlanWords& words) {
  std::string line = words.days.at(static_cast<std::size_t>(day)) + ": ";
  if (plan.on.empty()) {
    line += words.offAllDay;
  } else if (plan.on.size() == 1 && plan.on[0] == OnInterval{0, kSecondsPerDay}) {
    line += words.onAllDay;
  } else {
    line += words.on + ' ';
    for (std::size_t i = 0; i < plan.on.size(); ++i)
      line += (i ? ", " : "") + planTime(plan.on[i].begin) + kDash + planTime(plan.on[i].end);
  }
  for (const PlanConflict& conflict : plan.conflicts) line += "; " + conflictText(plan, conflict, words);
  for (const int entry : plan.unusable) line += "; " + replaced(words.unusable, "%1", entryName(entry, words));
  return line;
}

std::string switchTimesText(const DayPlan& plan, const PlanWords& words) {
  if (plan.switches.empty()) return words.noTimes;
  std::string line;
  for (std::size_t i = 0; i < plan.switches.size(); ++i)
    line += (i ? ", " : "") + planTime(plan.switches[i].second) + ' ' +
            (plan.switches[i].on ? words.on : words.off);
  return line;
}
