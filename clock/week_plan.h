#pragma once
// When the relay is ON in timer mode, worked out from the week table. The set switch times act in
// time order through the week; each sets the relay ON or OFF at its second, and the state carries
// over midnight and from Sunday into Monday. A week without a switch time is OFF all week. Entries
// of one day at the same second act in table order ("Time 1" first), so the last of them decides;
// when their actions differ, that is a conflict the plan names. An entry whose time fields are not
// a time of day (two digits each, up to 23:59:59) switches nothing and is named as well.
#include <array>
#include <string>
#include <vector>

#include "week_table.h"

inline constexpr int kSecondsPerDay = 24 * 60 * 60;

// The relay is ON from begin up to, not including, end; seconds of the day, end at most 24:00:00.
struct OnInterval {
  int begin = 0;
  int end = 0;
  bool operator==(const OnInterval&) const = default;
};

// A set switch time as the plan reads it.
struct PlanSwitch {
  int entry = 0;     // 0 "Time 1" .. 7 "Time 8"
  int second = -1;   // of the day; -1 when the fields are not a time of day
  bool on = false;
  bool operator==(const PlanSwitch&) const = default;
};

// Entries of one day at one second with different actions; `decides` is the one that acts last.
struct PlanConflict {
  int second = 0;
  std::vector<int> entries;  // in table order
  int decides = 0;
  bool operator==(const PlanConflict&) const = default;
};

struct DayPlan {
  std::vector<PlanSwitch> switches;  // the set entries that are times of day, in time order
  std::vector<int> unusable;         // set entries whose fields are no time of day
  std::vector<OnInterval> on;        // in time order, neither empty nor touching
  std::vector<PlanConflict> conflicts;
};

using WeekPlan = std::array<DayPlan, WeekTable::kDays>;

WeekPlan weekPlan(const WeekTable& table);

// The words of a plan's text, in one language; UTF-8.
struct PlanWords {
  std::array<std::string, WeekTable::kDays> days;
  std::string on;          // before the intervals: "ON"
  std::string off;         // an action: "OFF"
  std::string offAllDay;   // "OFF all day"
  std::string onAllDay;    // "ON all day"
  std::string conflict;    // %1 the time, %2 the entries, %3 the one that acts: "conflict at %1 ..."
  std::string unusable;    // %1 the entry: "Time %1 is no time of day, switches nothing"
  std::string entry;       // %1 the entry's number: "Time %1"
  std::string noTimes;     // a day without switch times: "no switch times"
};

const PlanWords& englishPlanWords();

// "HH:MM:SS" for a second of the day; 86400 gives "24:00:00".
std::string planTime(int second);
// One day as text: "Monday: ON 07:15:30–22:00:00, 23:00:00–24:00:00", "Monday: OFF all day" or
// "Monday: ON all day", followed by its conflicts and unusable entries.
std::string dayPlanLine(const DayPlan& plan, int day, const PlanWords& words);
// The day's switch times in time order, "07:15:30 ON, 22:00:00 OFF", or the words for none.
std::string switchTimesText(const DayPlan& plan, const PlanWords& words);
