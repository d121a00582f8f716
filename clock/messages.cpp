#include "messages.h"

#include <algorithm>
#include <array>

namespace {

// How a settings reply carries its value before the final CR.
enum class ValueRule {
  LastDigit,     // the digit value of the last character
  SignedDigits,  // the run of digits, negated by a "-" right before it
  UpToThree,     // the run of up to three digits
};

struct SettingRow {
  Setting setting;
  char digit;
  ValueRule rule;
};

constexpr std::array kSettingRows{
    SettingRow{Setting::Language, '1', ValueRule::LastDigit},
    SettingRow{Setting::UtcOffset, '2', ValueRule::SignedDigits},
    SettingRow{Setting::DaylightSaving, '3', ValueRule::LastDigit},
    SettingRow{Setting::ValidTimeout, '4', ValueRule::UpToThree},
    SettingRow{Setting::RelayMode, '5', ValueRule::LastDigit},
};

const SettingRow* rowOf(Setting setting) {
  for (const auto& row : kSettingRows)
    if (row.setting == setting) return &row;
  return nullptr;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }
int digitValue(char c) { return isDigit(c) ? c - '0' : 0; }

// Character at 1-based position pos; callers check the length first.
char charAt(std::string_view m, std::size_t pos) { return m[pos - 1]; }

// Values far beyond any control's range are held here, so a long run of digits cannot overflow;
// the controls clamp them anyway.
constexpr int kValueCeiling = 99999;

// The value from the value characters m[first..last], a run of digits at their end read backwards.
int decodeValue(std::string_view m, std::size_t first, std::size_t last, ValueRule rule) {
  if (rule == ValueRule::LastDigit) return digitValue(charAt(m, last));
  const std::size_t maxDigits = rule == ValueRule::UpToThree ? 3 : last - first + 1;
  std::size_t start = last + 1;  // first position of the digit run
  while (start > first && last + 1 - start < maxDigits && isDigit(charAt(m, start - 1))) --start;
  int value = 0;
  for (std::size_t pos = start; pos <= last; ++pos)
    value = std::min(value * 10 + digitValue(charAt(m, pos)), kValueCeiling);
  const bool negative = rule == ValueRule::SignedDigits && start > first && charAt(m, start - 1) == '-';
  return negative ? -value : value;
}

}  // namespace

std::string readRequest() { return std::string{'$', kCR}; }

std::string dayRequest(int day) { return std::string{'$', '2', dayDigit(day), '=', kCR}; }

std::string bareCr() { return std::string{kCR}; }

char settingDigit(Setting setting) { return rowOf(setting)->digit; }

std::string settingCommand(Setting setting, int value) {
  return std::string{'$', settingDigit(setting), '='} + std::to_string(value) + kCR + kLF;
}

std::string switchTimeCommand(const TSwitchTime& entry) { return entry.text() + kCR + kLF; }

bool isErrorReply(std::string_view m) { return m.size() >= 3 && charAt(m, 3) == 'r'; }

bool isAcknowledgement(std::string_view m) {
  return m.size() >= 3 && charAt(m, 1) == '$' && (charAt(m, 3) == 'k' || charAt(m, 3) == '5');
}

std::optional<Setting> replySetting(std::string_view m) {
  if (m.size() < 3) return std::nullopt;
  for (const auto& row : kSettingRows)
    if (row.digit == charAt(m, 3)) return row.setting;
  return std::nullopt;
}

std::optional<SettingReply> decodeSettingReply(std::string_view m) {
  const auto setting = replySetting(m);
  // The value stands between m[3] and the final CR m[L]; a reply with nothing there carries none.
  if (!setting || m.size() < 5) return std::nullopt;
  return SettingReply{*setting, decodeValue(m, 4, m.size() - 1, rowOf(*setting)->rule)};
}

TSwitchTime entryFromReply(std::string_view m, int day, int entry) {
  if (m.size() < 12) return TSwitchTime::deleted(day, entry);
  // Hour, minute, second and state: m[3]..m[13], the clock's separators made commas. The final CR
  // ends the message and is never part of an entry, so a short reply gives a short entry.
  std::string taken(m.substr(2, std::min<std::size_t>(11, m.size() - 3)));
  if (taken.size() == 11) taken[2] = taken[5] = taken[8] = ',';
  std::string text = TSwitchTime::prefix(day, entry) + taken;
  // The window ends inside "OFF"; complete it.
  if (text.size() >= 17 && text[16] == 'F') text += 'F';
  return TSwitchTime(text);
}
