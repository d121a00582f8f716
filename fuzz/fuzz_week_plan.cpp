// Random week tables: every second of the week is ON exactly when it lies in one of the intervals
// the plan gives for its day, checked against the relay run at every second where either can
// change; and each day's intervals are in order, not empty and not touching, within the day.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>

#include "week_plan.h"
#include "week_simulation.h"

namespace {

// A field that is mostly a time of day, now and then one beyond it or not two digits.
std::string field(FuzzedDataProvider& input, int max) {
  switch (input.ConsumeIntegralInRange(0, 15)) {
    case 0: return twoDigitField(max + 1 + input.ConsumeIntegralInRange(0, 80));
    case 1: return input.ConsumeBytesAsString(2);
    default: return twoDigitField(input.ConsumeIntegralInRange(0, max));
  }
}

WeekTable randomTable(FuzzedDataProvider& input) {
  WeekTable table;
  table.setAllDeleted();
  for (int day = 0; day < WeekTable::kDays; ++day)
    for (int entry = 0; entry < WeekTable::kEntries; ++entry) {
      if (!input.ConsumeBool()) continue;
      // Few distinct times, so that entries of one day meet at one second.
      const SwitchFields time{field(input, 23), input.ConsumeBool() ? "00" : field(input, 59),
                              input.ConsumeBool() ? "00" : field(input, 59)};
      table.at(day, entry) = TSwitchTime::set(day, entry, time, input.ConsumeBool());
    }
  return table;
}

void checkIntervals(const DayPlan& day) {
  int previousEnd = -1;
  for (const OnInterval& interval : day.on) {
    if (interval.begin <= previousEnd || interval.begin >= interval.end || interval.end > kSecondsPerDay)
      std::abort();
    previousEnd = interval.end;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const WeekTable table = randomTable(input);
  const WeekPlan plan = weekPlan(table);
  for (const DayPlan& day : plan) checkIntervals(day);
  if (!planAgreesWithRelay(plan, table)) std::abort();
  return 0;
}
