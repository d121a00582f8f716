// Reads arbitrary configuration files: a file is either refused with a line inside it, or read
// into entries that are their own command texts, and written back it reads as the same.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "config_file.h"

// Configurations are compared by their files (which hold every byte): clang 14 fails on the
// defaulted comparison of the nested arrays.

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  TClockConfig config;
  if (const auto fault = parseConfigFile(text, config)) {
    if (fault->line < 1 || fault->what.empty() ||
        formatConfigFile(config) != formatConfigFile(TClockConfig()))
      std::abort();
    return 0;
  }
  for (int day = 0; day < WeekTable::kDays; ++day)
    for (int entry = 0; entry < WeekTable::kEntries; ++entry) {
      const std::string& entryText = config.week.at(day, entry).text();
      if (entryText.size() > TSwitchTime::kMaxLength || entryText[2] != dayDigit(day) ||
          entryText[4] != entryDigit(entry))
        std::abort();
    }
  TClockConfig again;
  if (parseConfigFile(formatConfigFile(config), again) || formatConfigFile(again) != formatConfigFile(config))
    std::abort();
  return 0;
}
