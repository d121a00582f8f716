// The configuration the emulated clock holds, and its readable text form.
#pragma once

#include <array>
#include <iosfwd>
#include <string>

namespace kvxemu {

struct SwitchTime {
  bool set = false;  // false: the entry is deleted
  int hour = 0;
  int minute = 0;
  int second = 0;
  bool on = false;

  bool operator==(const SwitchTime&) const = default;
};

inline constexpr int kDays = 7;     // index 0 Monday .. 6 Sunday
inline constexpr int kEntries = 8;  // index 0 "Time 1" .. 7 "Time 8"

struct ClockConfig {
  int language = 2;  // 0..4
  int relay = 0;     // 0..3
  int utc = 1;       // -12..12
  int dls = 0;       // 0..1
  int timeout = 72;  // 1..720
  std::array<std::array<SwitchTime, kEntries>, kDays> week{};

  bool operator==(const ClockConfig&) const = default;

  // English, relay off, UTC +1, a few switch times on Monday and Wednesday.
  static ClockConfig defaults();
};

// Range checks shared by the command handling and the file loader.
bool validLanguage(int v);
bool validRelay(int v);
bool validUtc(int v);
bool validDls(int v);
bool validTimeout(int v);
bool validTime(int hour, int minute, int second);

// What the clock makes of a switch-time command's part after "$2d=e,", as the clock receives it
// (the line ends at its CR, trailing spaces dropped): "DEL", "HH,MM,SS,ON" or "HH,MM,SS,OFF".
bool parseEntryCommand(const std::string& value, SwitchTime& entry);

// Text form (the setup program's configuration file), one "key = value" per line, '#' outside a
// quoted text starts a comment:
//   KELVOX configuration 1      (the format and its version; files without it are read as well)
//   language = 2        relay = 0       utc = +1       dls = 0       timeout = 72
//   Mon 1 = 06:30:00 ON     (day Mon..Sun, entry 1..8 as "Time 1".."Time 8")
//   Mon 2 = 22:00:00 OFF
//   Tue 1 = DEL
//   Tue 2 = "07,15,30,ON\r"  (the entry text after "$22=1," as the program would send it,
//                             with \\ \" \r \n \t \xHH escapes; taken as the clock takes it)
// Loading starts from the default settings and an all-deleted week.
class ConfigFile {
 public:
  // Returns false and sets error (with the line number) on a malformed file.
  static bool parse(std::istream& in, ClockConfig& config, std::string& error);
  static bool load(const std::string& path, ClockConfig& config, std::string& error);
  // Writes all five settings and all 56 entries; replaces the file in one step.
  static bool save(const std::string& path, const ClockConfig& config);
  static std::string format(const ClockConfig& config);
};

}  // namespace kvxemu
