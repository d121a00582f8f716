#include "config_compare.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

TEST(ConfigCompare, OneLinePerSettingOrSwitchTimeThatDiffers) {
  const struct {
    const char* name;
    std::function<void(TClockConfig&)> changeClock;
    std::vector<std::string> lines;
  } cases[] = {
      {"the same", [](TClockConfig&) {}, {}},
      {"a setting", [](TClockConfig& c) { c.setSetting(Setting::UtcOffset, 5); }, {"UTC offset: file -5, clock 5"}},
      {"a second later", [](TClockConfig& c) { c.week.at(1, 2).setText("$22=2,07,15,31,ON"); },
       {"Tuesday Time 3: file 07:15:30 ON, clock 07:15:31 ON"}},
      {"the action", [](TClockConfig& c) { c.week.at(1, 2).setOn(false, 1, 2); },
       {"Tuesday Time 3: file 07:15:30 ON, clock 07:15:30 OFF"}},
      {"deleted on the clock", [](TClockConfig& c) { c.week.at(1, 2) = TSwitchTime::deleted(1, 2); },
       {"Tuesday Time 3: file 07:15:30 ON, clock deleted"}},
      {"set on the clock", [](TClockConfig& c) { c.week.at(6, 7).setText("$27=7,23,59,00,OFF"); },
       {"Sunday Time 8: file deleted, clock 23:59:00 OFF"}},
      // A fresh entry's space after "ON" means nothing.
      {"only the text", [](TClockConfig& c) { c.week.at(1, 2).setText("$22=2,07,15,30,ON "); }, {}},
      {"in the order of a send",
       [](TClockConfig& c) {
         c.week.at(0, 0).setText("$21=0,00,00,01,ON");
         c.setSetting(Setting::ValidTimeout, 720);
         c.setSetting(Setting::Language, 0);
       },
       {"Language: file 2, clock 0", "Time-not-valid timeout: file 1, clock 720",
        "Monday Time 1: file deleted, clock 00:00:01 ON"}},
  };
  for (const auto& c : cases) {
    TClockConfig file;
    file.week.setAllDeleted();
    file.setSetting(Setting::UtcOffset, -5);
    file.week.at(1, 2).setText("$22=2,07,15,30,ON");
    TClockConfig clock = file;
    c.changeClock(clock);
    std::vector<std::string> lines;
    for (const ConfigDifference& d : compareConfigs(file, clock)) lines.push_back(differenceLine(d));
    EXPECT_EQ(lines, c.lines) << c.name;
  }
}

}  // namespace
