#pragma once
// Where two configurations differ, for example a file and what a clock holds after a send: one
// difference per setting or switch time, as data for a window to word in its language and as one
// English line for the command line.
#include <optional>
#include <string>
#include <vector>

#include "config_file.h"

struct ConfigDifference {
  // A setting, or else the switch time `entry` (0 "Time 1" .. 7) of day index `day` (0 Monday .. 6).
  std::optional<Setting> setting;
  int day = -1;
  int entry = -1;
  // The values on each side: a setting's number, or a switch time's text.
  int fileValue = 0;
  int clockValue = 0;
  TSwitchTime fileTime;
  TSwitchTime clockTime;

  bool operator==(const ConfigDifference&) const = default;
};

// The differences in the order a send writes them: the five settings, then Monday Time 1 to
// Sunday Time 8. Switch times differ when they mean something different (deleted or not, the
// time fields, the action), not when only their texts do.
std::vector<ConfigDifference> compareConfigs(const TClockConfig& file, const TClockConfig& clock);

// A switch time as a person reads it: "07:15:30 ON", or "deleted".
std::string shownSwitchTime(const TSwitchTime& time);

// What differs, in English: "Tuesday Time 3", "UTC offset".
std::string differenceSubject(const ConfigDifference& difference);
// "Monday" .. "Sunday" for day index 0 .. 6.
const char* dayName(int day);

// One line in English, for example "Tuesday Time 3: file 07:15:30 ON, clock 07:15:31 ON" or
// "UTC offset: file -5, clock 5".
std::string differenceLine(const ConfigDifference& difference);
