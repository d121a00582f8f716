#include "week_plan.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "week_simulation.h"

namespace {

struct Switch {
  int day, entry;
  const char* fields;  // "HH,MM,SS,ON" or "HH,MM,SS,OFF"
};

WeekTable tableOf(const std::vector<Switch>& switches) {
  WeekTable table;
  table.setAllDeleted();
  for (const Switch& s : switches) table.at(s.day, s.entry).setText(TSwitchTime::prefix(s.day, s.entry) + s.fields);
  return table;
}

std::string weekText(const WeekTable& table) {
  const WeekPlan plan = weekPlan(table);
  std::string text;
  for (int day = 0; day < WeekTable::kDays; ++day) text += dayPlanLine(plan[day], day, englishPlanWords()) + '\n';
  return text;
}

// Every day but those named is "OFF all day" or, with on = true, "ON all day".
std::string week(std::vector<std::pair<int, std::string>> named, bool on = false) {
  std::string text;
  for (int day = 0; day < WeekTable::kDays; ++day) {
    std::string line = englishPlanWords().days[day] + ": " + (on ? "ON all day" : "OFF all day");
    for (const auto& [d, l] : named)
      if (d == day) line = englishPlanWords().days[day] + ": " + l;
    text += line + '\n';
  }
  return text;
}

TEST(WeekPlan, DaysAsTheRelayRunsThem) {
  const struct {
    const char* name;
    std::vector<Switch> switches;
    std::string expected;
  } cases[] = {
      {"empty week", {}, week({})},
      {"one ON holds all week", {{2, 0, "12,00,00,ON"}},       week({}, true)},
      {"ON and OFF on one day", {{0, 0, "07,15,30,ON"}, {0, 1, "22,00,00,OFF"}},
       week({{0, "ON 07:15:30–22:00:00"}})},
      {"late Sunday ON carried into Monday", {{0, 0, "06,00,00,OFF"}, {6, 3, "23,00,00,ON"}},
       week({{0, "ON 00:00:00–06:00:00"}, {6, "ON 23:00:00–24:00:00"}})},
      {"ON at midnight", {{1, 2, "00,00,00,ON"}, {1, 3, "01,00,00,OFF"}}, week({{1, "ON 00:00:00–01:00:00"}})},
      {"OFF in the last second", {{4, 7, "23,59,59,OFF"}, {4, 6, "08,00,00,ON"}},
       week({{4, "ON 08:00:00–23:59:59"}})},
      {"eight entries in reverse time order",
       {{0, 0, "23,00,00,OFF"}, {0, 1, "20,00,00,ON"}, {0, 2, "17,00,00,OFF"}, {0, 3, "14,00,00,ON"},
        {0, 4, "11,00,00,OFF"}, {0, 5, "08,00,00,ON"}, {0, 6, "05,00,00,OFF"}, {0, 7, "02,00,00,ON"}},
       week({{0, "ON 02:00:00–05:00:00, 08:00:00–11:00:00, 14:00:00–17:00:00, 20:00:00–23:00:00"}})},
      {"a conflict: the later entry acts", {{3, 1, "09,00,00,ON"}, {3, 4, "09,00,00,OFF"}, {3, 5, "18,00,00,OFF"}},
       week({{3, "OFF all day; conflict at 09:00:00 (Time 2 ON, Time 5 OFF): Time 5 acts last"}})},
      {"same second, same action: no conflict", {{3, 1, "09,00,00,ON"}, {3, 4, "09,00,00,ON"}, {3, 5, "18,00,00,OFF"}},
       week({{3, "ON 09:00:00–18:00:00"}})},
      {"deleted entries between set ones", {{5, 1, "10,00,00,ON"}, {5, 6, "12,30,00,OFF"}},
       week({{5, "ON 10:00:00–12:30:00"}})},
      {"a time the clock has not switches nothing", {{0, 2, "24,00,00,ON"}, {0, 3, "7 ,00,00,ON"}},
       week({{0, "OFF all day; Time 3 is no time of day and switches nothing; Time 4 is no time of day and "
                 "switches nothing"}})},
      {"ON after OFF in the editor's CR form", {{0, 0, "10,00,00,ON\r"}, {0, 1, "11,00,00,OFF"}},
       week({{0, "ON 10:00:00–11:00:00"}})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(weekText(tableOf(c.switches)), c.expected);
  }
}

TEST(WeekPlan, SwitchesListedInTimeOrder) {
  const WeekTable table = tableOf({{0, 0, "22,00,00,OFF"}, {0, 5, "07,15,30,ON"}});
  const WeekPlan plan = weekPlan(table);
  EXPECT_EQ(switchTimesText(plan[0], englishPlanWords()), "07:15:30 ON, 22:00:00 OFF");
  EXPECT_EQ(switchTimesText(plan[1], englishPlanWords()), "no switch times");
}

// Random weeks of few, clustered times (so that seconds coincide) against the clock run second by second.
TEST(WeekPlan, AgreesWithTheRelaySecondBySecond) {
  std::mt19937 random(20261208);
  for (int round = 0; round < 40; ++round) {
    WeekTable table;
    table.setAllDeleted();
    for (int day = 0; day < WeekTable::kDays; ++day)
      for (int entry = 0; entry < WeekTable::kEntries; ++entry) {
        if (random() % 3 == 0) continue;
        const SwitchFields time{twoDigitField(int(random() % 24)), random() % 2 ? "00" : "59",
                                random() % 2 ? "00" : "59"};
        table.at(day, entry) = TSwitchTime::set(day, entry, time, random() % 2 == 0);
      }
    ASSERT_EQ(plannedWeek(weekPlan(table)), simulatedWeek(table)) << "round " << round;
    // The fuzzer's comparison at the seconds where something switches says the same.
    WeekPlan plan = weekPlan(table);
    ASSERT_TRUE(planAgreesWithRelay(plan, table)) << "round " << round;
    // ... and sees a plan that is a second off anywhere.
    for (DayPlan& day : plan)
      if (!day.on.empty()) {
        day.on.front().end += day.on.front().end < kSecondsPerDay && day.on.size() == 1 ? 1 : -1;
        ASSERT_FALSE(planAgreesWithRelay(plan, table)) << "round " << round;
        break;
      }
  }
}

}  // namespace
