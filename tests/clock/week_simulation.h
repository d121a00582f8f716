#pragma once
// The relay second by second through a week table, as the clock would run it: at each second the
// set entries of that second act in table order. Two weeks are run and the second is kept, so the
// state carried from Sunday into Monday is in place. Shared by the plan's test and its fuzz target.
#include <algorithm>
#include <iterator>
#include <map>
#include <vector>

#include "week_plan.h"

inline constexpr int kSecondsPerWeek = WeekTable::kDays * kSecondsPerDay;

// The seconds of the week where an entry acts, with what the last entry of that second does (ON true).
inline std::map<int, bool> weekActions(const WeekTable& table) {
  std::map<int, bool> action;
  for (int day = 0; day < WeekTable::kDays; ++day)
    for (int entry = 0; entry < WeekTable::kEntries; ++entry) {
      const TSwitchTime& t = table.at(day, entry);
      const SwitchFields f = t.time();
      const auto digits = [](const std::string& s) {
        return s.size() == 2 && s[0] >= '0' && s[0] <= '9' && s[1] >= '0' && s[1] <= '9';
      };
      if (t.isDeleted() || !digits(f.hour) || !digits(f.minute) || !digits(f.second)) continue;
      const int h = std::stoi(f.hour), m = std::stoi(f.minute), s = std::stoi(f.second);
      if (h > 23 || m > 59 || s > 59) continue;
      action[day * kSecondsPerDay + ((h * 60 + m) * 60 + s)] = t.isOn();
    }
  return action;
}

inline std::vector<unsigned char> simulatedWeek(const WeekTable& table) {
  std::vector<signed char> action(kSecondsPerWeek, -1);  // what acts last at each second
  for (const auto& [second, on] : weekActions(table)) action[static_cast<std::size_t>(second)] = on ? 1 : 0;
  std::vector<unsigned char> on(kSecondsPerWeek);
  bool state = false;
  for (int pass = 0; pass < 2; ++pass)
    for (std::size_t s = 0; s < on.size(); ++s) {
      if (action[s] >= 0) state = action[s] == 1;
      on[s] = state ? 1 : 0;
    }
  return on;
}

// The same seconds as the plan's intervals give them.
inline std::vector<unsigned char> plannedWeek(const WeekPlan& plan) {
  std::vector<unsigned char> on(kSecondsPerWeek);
  for (int day = 0; day < WeekTable::kDays; ++day)
    for (const OnInterval& interval : plan[static_cast<std::size_t>(day)].on)
      for (int s = interval.begin; s < interval.end; ++s)
        on[static_cast<std::size_t>(day * kSecondsPerDay + s)] = 1;
  return on;
}

// The same comparison at the seconds where either side can change: the relay only where an entry
// acts, the plan only where an interval begins or ends. Between two such seconds both stay as they
// are, so agreeing there is agreeing at every second, at a fraction of the cost (for the fuzzer).
inline bool planAgreesWithRelay(const WeekPlan& plan, const WeekTable& table) {
  const std::map<int, bool> actions = weekActions(table);
  // What the week before leaves on at Monday 00:00:00.
  const bool carried = !actions.empty() && actions.rbegin()->second;
  const auto relayAt = [&](int second) {
    const auto after = actions.upper_bound(second);
    return after == actions.begin() ? carried : std::prev(after)->second;
  };
  const auto plannedAt = [&](int second) {
    for (const OnInterval& interval : plan[static_cast<std::size_t>(second / kSecondsPerDay)].on)
      if (interval.begin <= second % kSecondsPerDay && second % kSecondsPerDay < interval.end) return true;
    return false;
  };
  std::vector<int> seconds{0};
  for (const auto& [second, on] : actions) seconds.push_back(second);
  for (int day = 0; day < WeekTable::kDays; ++day)
    for (const OnInterval& interval : plan[static_cast<std::size_t>(day)].on)
      for (int edge : {interval.begin, interval.end})
        if (day * kSecondsPerDay + edge < kSecondsPerWeek) seconds.push_back(day * kSecondsPerDay + edge);
  return std::all_of(seconds.begin(), seconds.end(), [&](int s) { return relayAt(s) == plannedAt(s); });
}
