// Reads arbitrary configuration files: a file is either refused with a line inside it, or read
// into entries that are their own command texts, and written back it reads as the same.
// The same input also builds a configuration the program can come to hold (settings in range,
// entries as a clock's replies give them, ON/OFF pressed in the editor): its file must read back
// into the same 61 command texts, so what is read from a clock can always be sent back.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "config_file.h"
#include "messages.h"

namespace {

// Configurations are compared by their files or their commands (which hold every byte): clang 14
// fails on the defaulted comparison of the nested arrays.
std::vector<std::string> commandTexts(const TClockConfig& config) {
  std::vector<std::string> texts;
  for (const Setting setting : kAllSettings) texts.push_back(settingCommand(setting, config.setting(setting)));
  for (int day = 0; day < WeekTable::kDays; ++day)
    for (int entry = 0; entry < WeekTable::kEntries; ++entry)
      texts.push_back(switchTimeCommand(config.week.at(day, entry)));
  return texts;
}

// The file of a configuration nothing was read into, made once.
const std::string& untouchedFile() {
  static const std::string file = [] {
    const TClockConfig fresh;
    return formatConfigFile(fresh);
  }();
  return file;
}

void checkArbitraryFile(std::string_view text) {
  const std::string& untouched = untouchedFile();
  TClockConfig config;
  if (const auto fault = parseConfigFile(text, config)) {
    if (fault->line < 1 || fault->what.empty() || formatConfigFile(config) != untouched) std::abort();
    return;
  }
  for (int day = 0; day < WeekTable::kDays; ++day)
    for (int entry = 0; entry < WeekTable::kEntries; ++entry) {
      const std::string& entryText = config.week.at(day, entry).text();
      if (entryText.size() > TSwitchTime::kMaxLength || entryText[2] != dayDigit(day) ||
          entryText[4] != entryDigit(entry))
        std::abort();
    }
  const std::string file = formatConfigFile(config);
  TClockConfig again;
  if (parseConfigFile(file, again) || formatConfigFile(again) != file) std::abort();
}

// A week entry reply as the port frames it while the week is read: "=", bytes that are neither
// its start character "=" nor its end character CR, and the CR.
std::string entryReply(FuzzedDataProvider& input) {
  std::string body = input.ConsumeBytesAsString(input.ConsumeIntegralInRange<std::size_t>(0, 16));
  for (char& c : body)
    if (c == '=' || c == '\r') c = static_cast<char>(c ^ 0x80);
  return '=' + body + '\r';
}

void checkReportedConfig(FuzzedDataProvider& input) {
  TClockConfig config;
  for (const Setting setting : kAllSettings) {
    const SettingRange range = settingRange(setting);
    config.setSetting(setting, input.ConsumeIntegralInRange(range.min, range.max));
  }
  for (int day = 0; day < WeekTable::kDays; ++day)
    for (int entry = 0; entry < WeekTable::kEntries; ++entry) {
      TSwitchTime& switchTime = config.week.at(day, entry);
      switchTime = entryFromReply(entryReply(input), day, entry);
      const int pressed = input.ConsumeIntegralInRange(0, 2);  // none, ON or OFF
      if (pressed != 0) switchTime.setOn(pressed == 1, day, entry);
    }
  TClockConfig read;
  if (parseConfigFile(formatConfigFile(config), read)) std::abort();
  if (commandTexts(read) != commandTexts(config)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  checkArbitraryFile(std::string_view(reinterpret_cast<const char*>(data), size));
  FuzzedDataProvider input(data, size);
  checkReportedConfig(input);
  return 0;
}
