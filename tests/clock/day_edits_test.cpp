#include "day_edits.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Entry {
  int day, entry;
  const char* rest;  // the text after "$2d=e,"
};

WeekTable tableOf(const std::vector<Entry>& entries) {
  WeekTable table;
  table.setAllDeleted();
  for (const Entry& e : entries)
    table.at(e.day, e.entry).setText(TSwitchTime::prefix(e.day, e.entry) + e.rest);
  return table;
}

// The 56 texts, Monday's first: readable where two tables differ.
std::vector<std::string> texts(const WeekTable& table) {
  std::vector<std::string> all;
  for (int day = 0; day < WeekTable::kDays; ++day)
    for (int entry = 0; entry < WeekTable::kEntries; ++entry) all.push_back(table.at(day, entry).text());
  return all;
}

TEST(DayEdits, CopyWritesTheSourceDayAfreshForEachTarget) {
  // Monday: a set entry, an OFF, the editor's forms with a CR and a blank after "ON", a short reply.
  const std::vector<Entry> monday = {
      {0, 0, "07,00,00,ON"}, {0, 3, "18,30,00,OFF"}, {0, 4, "10,00,00,ON\r"}, {0, 5, "00,00,00,ON "},
      {0, 6, "12,30"},
  };
  const std::vector<Entry> mondayOnTuesday = {
      {1, 0, "07,00,00,ON"}, {1, 3, "18,30,00,OFF"}, {1, 4, "10,00,00,ON"}, {1, 5, "00,00,00,ON"},
      {1, 6, "12,30,00,OFF"},
  };
  const struct {
    const char* name;
    std::vector<Entry> start;
    int source;
    std::vector<int> targets;
    std::vector<Entry> expected;  // what the written days hold; the other days keep the start's
    std::vector<int> written;
  } cases[] = {
      {"one day", monday, 0, {1}, mondayOnTuesday, {1}},
      {"deleted entries are copied too",
       {{0, 1, "08,00,00,ON"}, {2, 1, "05,00,00,OFF"}, {2, 7, "23,00,00,ON"}}, 0, {2},
       {{2, 1, "08,00,00,ON"}, {2, 7, "DEL"}}, {2}},
      {"Sunday to Monday and Saturday", {{6, 2, "22,15,00,OFF"}}, 6, {0, 5},
       {{0, 2, "22,15,00,OFF"}, {5, 2, "22,15,00,OFF"}}, {0, 5}},
      {"the source, repeats and days outside the week are passed over", {{3, 0, "06,00,00,ON"}}, 3,
       {3, -1, 7, 4, 4}, {{4, 0, "06,00,00,ON"}}, {4}},
      {"a source outside the week writes nothing", {{0, 0, "06,00,00,ON"}}, 9, {0, 1}, {}, {}},
      {"no targets", monday, 0, {}, {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WeekTable table = tableOf(c.start);
    std::vector<Entry> expected = c.start;
    for (const int day : c.written) std::erase_if(expected, [day](const Entry& e) { return e.day == day; });
    expected.insert(expected.end(), c.expected.begin(), c.expected.end());
    EXPECT_EQ(copyDay(table, c.source, c.targets), c.written);
    EXPECT_EQ(texts(table), texts(tableOf(expected)));
  }
}

TEST(DayEdits, ClearDeletesOnlyThatDay) {
  const std::vector<Entry> week = {
      {1, 0, "07,00,00,ON"}, {1, 7, "odd"}, {2, 0, "07,00,00,ON"}, {0, 7, "23,00,00,OFF"}};
  const struct {
    int day;
    std::vector<Entry> left;
  } cases[] = {
      {1, {{2, 0, "07,00,00,ON"}, {0, 7, "23,00,00,OFF"}}},
      {0, {{1, 0, "07,00,00,ON"}, {1, 7, "odd"}, {2, 0, "07,00,00,ON"}}},
      {6, week},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.day);
    WeekTable table = tableOf(week);
    clearDay(table, c.day);
    EXPECT_EQ(texts(table), texts(tableOf(c.left)));
    for (int entry = 0; entry < WeekTable::kEntries; ++entry)
      EXPECT_EQ(table.at(c.day, entry).text(), TSwitchTime::prefix(c.day, entry) + "DEL");
  }
}

}  // namespace
