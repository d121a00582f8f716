#pragma once
// Whole-day edits of the week table: copy one day onto others, clear a day. An entry's text
// carries its day digit ("$2" day "=" ...), so a copy writes each entry afresh for its new day.
#include <vector>

#include "week_table.h"

// Gives each target day the source day's eight entries, set and deleted alike: a set entry in its
// set form (its time fields as they stand, its action), a deleted one in its deleted form. The
// source itself and days outside the week are passed over. Gives the days written, each once, in
// the order given.
std::vector<int> copyDay(WeekTable& table, int source, const std::vector<int>& targets);

// Deletes the day's eight entries.
void clearDay(WeekTable& table, int day);
