#pragma once
// The configuration file: the clock's five settings and 56 switch times as plain UTF-8 text, one
// per line, readable and editable by hand, for example
//
//   KELVOX configuration 1
//   language = 2
//   relay = 3
//   utc = -5
//   dls = 1
//   timeout = 48
//   Mon 1 = 06:30:00 ON
//   Mon 2 = 22:00:00 OFF
//   Mon 3 = DEL
//   Mon 4 = "07,15,30,ON\r"
//   ...
//   Sun 8 = DEL
//
// The first line names the format and its version. A switch time is written as its time and
// action, as DEL, or, when its text is in any other form (as a clock's odd reply or the editor can
// leave it), as the exact characters after "$2d=e," in double quotes with \\ \" \r \n \t and \xHH
// escapes. A quoted text is read back when it can be sent as one command: no "=", a CR at most as
// its last character and then not after a "$"; any other byte is taken. So every entry text a
// clock's reply or the editor gives reads back byte for byte and goes out as it came, and a file
// never smuggles in a command of its own. Lines end with LF, CR LF or CR. Blanks around names
// and values are free; "#" outside a quoted text begins a comment; empty lines are skipped. A
// file must name every setting and every switch time exactly once.
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "setting.h"
#include "week_table.h"

// The clock's configuration as a whole: the five settings and the week table.
struct TClockConfig {
  static constexpr int kSettingCount = 5;

  // Indexed by Setting; the start values of the window's controls.
  std::array<int, kSettingCount> settings{2, 0, 1, 0, 1};
  WeekTable week;

  int setting(Setting s) const { return settings[static_cast<std::size_t>(s)]; }
  void setSetting(Setting s, int value) { settings[static_cast<std::size_t>(s)] = value; }

  bool operator==(const TClockConfig&) const = default;
};

// The values a setting can take, which a file holds to and the window's controls clamp to.
struct SettingRange {
  int min, max;
};
SettingRange settingRange(Setting setting);
// The name a file gives the setting: "language", "relay", "utc", "dls" or "timeout".
const char* settingName(Setting setting);

// Why a file was refused: the line (counted from 1) and what is wrong there.
struct ConfigFileFault {
  int line = 0;
  std::string what;

  std::string message() const { return "line " + std::to_string(line) + ": " + what; }
};

// The text of a configuration file for config; every entry's first six characters are taken to be
// its own "$2d=e,".
std::string formatConfigFile(const TClockConfig& config);

// Reads a whole file's text into config, or gives the first fault and leaves config untouched.
std::optional<ConfigFileFault> parseConfigFile(std::string_view text, TClockConfig& config);
