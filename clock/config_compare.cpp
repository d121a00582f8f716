#include "config_compare.h"

#include <array>

namespace {

constexpr std::array<const char*, WeekTable::kDays> kDayNames{"Monday", "Tuesday",  "Wednesday", "Thursday",
                                                             "Friday", "Saturday", "Sunday"};

// Indexed by Setting.
constexpr std::array<const char*, TClockConfig::kSettingCount> kSettingTitles{
    "Language", "Relay mode", "UTC offset", "Daylight saving", "Time-not-valid timeout"};

bool sameMeaning(const TSwitchTime& a, const TSwitchTime& b) {
  if (a.isDeleted() || b.isDeleted()) return a.isDeleted() == b.isDeleted();
  return a.time() == b.time() && a.isOn() == b.isOn();
}

}  // namespace

std::vector<ConfigDifference> compareConfigs(const TClockConfig& file, const TClockConfig& clock) {
  std::vector<ConfigDifference> differences;
  for (const Setting s : kAllSettings) {
    if (file.setting(s) == clock.setting(s)) continue;
    ConfigDifference& d = differences.emplace_back();
    d.setting = s, d.fileValue = file.setting(s), d.clockValue = clock.setting(s);
  }
  for (int day = 0; day < WeekTable::kDays; ++day)
    for (int entry = 0; entry < WeekTable::kEntries; ++entry) {
      const TSwitchTime& ours = file.week.at(day, entry);
      const TSwitchTime& theirs = clock.week.at(day, entry);
      if (sameMeaning(ours, theirs)) continue;
      ConfigDifference& d = differences.emplace_back();
      d.day = day, d.entry = entry, d.fileTime = ours, d.clockTime = theirs;
    }
  return differences;
}

std::string shownSwitchTime(const TSwitchTime& time) {
  if (time.isDeleted()) return "deleted";
  const SwitchFields fields = time.time();
  return fields.hour + ":" + fields.minute + ":" + fields.second + (time.isOn() ? " ON" : " OFF");
}

const char* dayName(int day) { return kDayNames[static_cast<std::size_t>(day)]; }

std::string differenceSubject(const ConfigDifference& d) {
  if (d.setting) return kSettingTitles[static_cast<std::size_t>(*d.setting)];
  return std::string(dayName(d.day)) + " Time " + std::to_string(d.entry + 1);
}

std::string differenceLine(const ConfigDifference& d) {
  if (d.setting)
    return differenceSubject(d) + ": file " + std::to_string(d.fileValue) + ", clock " + std::to_string(d.clockValue);
  return differenceSubject(d) + ": file " + shownSwitchTime(d.fileTime) + ", clock " + shownSwitchTime(d.clockTime);
}
