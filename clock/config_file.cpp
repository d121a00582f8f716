#include "config_file.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr std::string_view kFormatName = "KELVOX configuration";
constexpr int kFormatVersion = 1;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

struct SettingKey {
  Setting setting;
  std::string_view name;
  int min, max;
};

// In the order a file lists them.
constexpr std::array kSettingKeys{
    SettingKey{Setting::Language, "language", 0, 4},      SettingKey{Setting::RelayMode, "relay", 0, 3},
    SettingKey{Setting::UtcOffset, "utc", -12, 12},       SettingKey{Setting::DaylightSaving, "dls", 0, 1},
    SettingKey{Setting::ValidTimeout, "timeout", 1, 720},
};

constexpr std::array<std::string_view, WeekTable::kDays> kDayNames{"Mon", "Tue", "Wed", "Thu",
                                                                   "Fri", "Sat", "Sun"};

// The characters of an entry after its "$2d=e,".
constexpr std::size_t kEntryHead = 6;
constexpr std::size_t kMaxTail = TSwitchTime::kMaxLength - kEntryHead;

constexpr std::array<int, 3> kTimeLimits{23, 59, 59};

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string entryName(int day, int entry) { return std::string(kDayNames[day]) + ' ' + char('1' + entry); }

// "HH,MM,SS,ON" or "HH,MM,SS,OFF" with a valid time: the form a file writes as "HH:MM:SS ON".
bool isPlainTime(std::string_view tail) {
  if (tail.size() < 11 || tail[2] != ',' || tail[5] != ',' || tail[8] != ',') return false;
  for (int field = 0; field < 3; ++field) {
    const char hi = tail[3 * field], lo = tail[3 * field + 1];
    if (!isDigit(hi) || !isDigit(lo) || (hi - '0') * 10 + (lo - '0') > kTimeLimits[field]) return false;
  }
  const std::string_view action = tail.substr(9);
  return action == "ON" || action == "OFF";
}

std::string quoted(std::string_view tail) {
  std::string out = "\"";
  for (const char c : tail) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (byte < 0x20 || byte >= 0x7F) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", byte);
      out += hex;
    } else {
      out += c;
    }
  }
  return out + '"';
}

std::string entryValue(const TSwitchTime& entry) {
  const std::string& text = entry.text();
  const std::string_view tail = text.size() > kEntryHead ? std::string_view(text).substr(kEntryHead) : "";
  if (tail == "DEL") return "DEL";
  if (isPlainTime(tail)) {
    std::string time(tail);  // "HH,MM,SS,ON" becomes "HH:MM:SS ON"
    time[2] = time[5] = ':';
    time[8] = ' ';
    return time;
  }
  return quoted(tail);
}

// --- reading ----------------------------------------------------------------------------------

struct Fault {
  std::string what;
};

// Length of the UTF-8 sequence at s[i], or 0 when it is not one (overlong forms, surrogates and
// values beyond U+10FFFF included).
std::size_t utf8Length(std::string_view s, std::size_t i) {
  const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char lead = b(i);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (i + length > s.size() || b(i + 1) < low || b(i + 1) > high) return 0;
  for (std::size_t k = 2; k < length; ++k)
    if (b(i + k) < 0x80 || b(i + k) > 0xBF) return 0;
  return length;
}

// Checks the characters of one line (its line end already gone).
std::optional<Fault> checkCharacters(std::string_view line) {
  for (std::size_t i = 0; i < line.size();) {
    const auto byte = static_cast<unsigned char>(line[i]);
    if ((byte < 0x20 && line[i] != '\t') || byte == 0x7F) {
      char text[64];
      std::snprintf(text, sizeof text, "control character 0x%02X; write it as \\x%02X inside a quoted text",
                    byte, byte);
      return Fault{text};
    }
    const std::size_t length = utf8Length(line, i);
    if (length == 0) return Fault{"not UTF-8 text"};
    i += length;
  }
  return std::nullopt;
}

// The line without its comment: "#" outside a quoted text begins one.
std::string_view withoutComment(std::string_view line) {
  bool inQuote = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (inQuote && line[i] == '\\') {
      ++i;
    } else if (line[i] == '"') {
      inQuote = !inQuote;
    } else if (line[i] == '#' && !inQuote) {
      return line.substr(0, i);
    }
  }
  return line;
}

std::optional<Fault> checkVersion(std::string_view line) {
  line = trimmed(line);
  const std::string expected = std::string(kFormatName) + ' ' + std::to_string(kFormatVersion);
  if (line == expected) return std::nullopt;
  if (trimmed(withoutComment(line)) == expected)
    return Fault{"the first line takes no comment: it must be \"" + expected + "\" alone"};
  if (line.substr(0, kFormatName.size() + 1) == std::string(kFormatName) + ' ')
    return Fault{"format version \"" + std::string(line.substr(kFormatName.size() + 1)) +
                 "\" is not supported; this program reads \"" + expected + "\""};
  return Fault{"not a KELVOX configuration file: the first line must be \"" + expected + "\""};
}

constexpr std::size_t kMaxDigits = 3;

// A setting's value: a sign and at most three digits, in the setting's range.
std::optional<Fault> settingValue(const SettingKey& key, std::string_view value, int& number) {
  const std::string rule = std::string(key.name) + " must be a whole number from " + std::to_string(key.min) +
                           " to " + std::to_string(key.max);
  const std::size_t start = !value.empty() && (value[0] == '-' || value[0] == '+') ? 1 : 0;
  const std::string_view digits = value.substr(start);
  if (digits.empty() || !std::all_of(digits.begin(), digits.end(), isDigit))
    return Fault{rule + ", not \"" + std::string(value) + "\""};
  if (digits.size() > kMaxDigits)
    return Fault{rule + " of at most " + std::to_string(kMaxDigits) + " digits; \"" + std::string(value) +
                 "\" has " + std::to_string(digits.size())};
  number = 0;
  for (const char c : digits) number = number * 10 + (c - '0');
  if (value[0] == '-') number = -number;
  if (number < key.min || number > key.max) return Fault{rule + ", not " + std::string(value)};
  return std::nullopt;
}

int hexValue(char c) {
  if (isDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Why a quoted text cannot go out as one command, or nothing. Every text a clock's reply can put
// into an entry is taken (its framing lets neither a "=" nor a CR into one), and so is the
// editor's CR after "ON"; nothing else that would let a file send a command of its own: a "="
// completes one ("$1=3"), a CR before the end ends the entry's command there, and a "$" just
// before the final CR is the read request "$" CR.
std::optional<Fault> unsendable(std::string_view tail) {
  for (std::size_t i = 0; i < tail.size(); ++i) {
    const char c = tail[i];
    std::string what;
    if (c == '\r' && i + 1 < tail.size())
      what = "a CR (\\r) before its end, which ends the command there";
    else if (c == '=')
      what = "\"=\", where the clock starts reading a command anew";
    else if (c == '$' && i + 2 == tail.size() && tail.back() == '\r')
      what = "\"$\" before its final CR, which makes a read request of its own";
    if (!what.empty()) return Fault{"the quoted text cannot be sent as one command: it holds " + what};
  }
  return std::nullopt;
}

// The characters of a quoted text, its escapes undone.
std::optional<Fault> unquote(std::string_view value, std::string& tail) {
  tail.clear();
  std::size_t i = 1;
  for (; i < value.size() && value[i] != '"'; ++i) {
    if (static_cast<unsigned char>(value[i]) >= 0x80)
      return Fault{"only ASCII characters in a quoted text; write other bytes as \\xHH"};
    if (value[i] != '\\') {
      tail += value[i];
      continue;
    }
    if (++i == value.size()) break;
    switch (value[i]) {
      case '\\':
      case '"':
        tail += value[i];
        break;
      case 'r':
        tail += '\r';
        break;
      case 'n':
        tail += '\n';
        break;
      case 't':
        tail += '\t';
        break;
      case 'x': {
        const int hi = i + 1 < value.size() ? hexValue(value[i + 1]) : -1;
        const int lo = i + 2 < value.size() ? hexValue(value[i + 2]) : -1;
        if (hi < 0 || lo < 0) return Fault{"\\x must be followed by two hexadecimal digits"};
        tail += static_cast<char>(hi * 16 + lo);
        i += 2;
        break;
      }
      default:
        return Fault{std::string("unknown escape \\") + value[i] + " in the quoted text"};
    }
  }
  if (i >= value.size()) return Fault{"the quoted text has no closing \""};
  if (i + 1 != value.size()) return Fault{"characters after the closing \" of the quoted text"};
  if (tail.size() > kMaxTail)
    return Fault{"the quoted text has " + std::to_string(tail.size()) +
                 " characters; an entry holds at most " + std::to_string(kMaxTail) + " after its \"$2d=e,\""};
  return unsendable(tail);
}

// "HH:MM:SS ON" or "HH:MM:SS OFF" as the entry's tail "HH,MM,SS,ON".
std::optional<Fault> plainTime(std::string_view value, std::string& tail) {
  const std::size_t blank = value.find_first_of(" \t");
  const std::string_view time = value.substr(0, blank);
  const std::string_view action = blank == std::string_view::npos ? "" : trimmed(value.substr(blank));
  const Fault form{"expected HH:MM:SS ON, HH:MM:SS OFF, DEL or a quoted entry text"};
  if (time.size() != 8 || time[2] != ':' || time[5] != ':' || (action != "ON" && action != "OFF"))
    return form;
  tail = std::string(time) + ',' + std::string(action);
  tail[2] = tail[5] = ',';
  for (int field = 0; field < 3; ++field)
    if (!isDigit(tail[3 * field]) || !isDigit(tail[3 * field + 1])) return form;
  if (!isPlainTime(tail))
    return Fault{"time " + std::string(time) + " is out of range (00:00:00 to 23:59:59)"};
  return std::nullopt;
}

std::optional<Fault> entryTail(std::string_view value, std::string& tail) {
  if (value == "DEL") {
    tail = "DEL";
    return std::nullopt;
  }
  if (!value.empty() && value[0] == '"') return unquote(value, tail);
  return plainTime(value, tail);
}

// Which item a line sets: a setting (0..4) or a switch time (5.. in table order).
constexpr int kItems = TClockConfig::kSettingCount + WeekTable::kDays * WeekTable::kEntries;

std::optional<int> itemOf(std::string_view name) {
  for (std::size_t i = 0; i < kSettingKeys.size(); ++i)
    if (name == kSettingKeys[i].name) return static_cast<int>(i);
  for (int day = 0; day < WeekTable::kDays; ++day)
    for (int entry = 0; entry < WeekTable::kEntries; ++entry)
      if (name == entryName(day, entry))
        return TClockConfig::kSettingCount + day * WeekTable::kEntries + entry;
  return std::nullopt;
}

std::string itemName(int item) {
  if (item < TClockConfig::kSettingCount) return std::string(kSettingKeys[item].name);
  item -= TClockConfig::kSettingCount;
  return entryName(item / WeekTable::kEntries, item % WeekTable::kEntries);
}

std::optional<Fault> applyItem(int item, std::string_view value, TClockConfig& config) {
  if (item < TClockConfig::kSettingCount) {
    const SettingKey& key = kSettingKeys[item];
    int number = 0;
    if (auto fault = settingValue(key, value, number)) return fault;
    config.setSetting(key.setting, number);
    return std::nullopt;
  }
  const int day = (item - TClockConfig::kSettingCount) / WeekTable::kEntries;
  const int entry = (item - TClockConfig::kSettingCount) % WeekTable::kEntries;
  std::string tail;
  if (auto fault = entryTail(value, tail)) return Fault{itemName(item) + ": " + fault->what};
  config.week.at(day, entry)
      .setText(TSwitchTime::prefix(day, entry) + tail);
  return std::nullopt;
}

}  // namespace

const char* settingName(Setting setting) {
  for (const SettingKey& key : kSettingKeys)
    if (key.setting == setting) return key.name.data();
  return "";
}

SettingRange settingRange(Setting setting) {
  for (const SettingKey& key : kSettingKeys)
    if (key.setting == setting) return {key.min, key.max};
  return {0, 0};
}

std::string formatConfigFile(const TClockConfig& config) {
  std::string text = std::string(kFormatName) + ' ' + std::to_string(kFormatVersion) + '\n';
  for (const SettingKey& key : kSettingKeys) {
    const int value = config.setting(key.setting);
    // The UTC offset carries its sign, as the clock reports it.
    const std::string sign = key.setting == Setting::UtcOffset && value >= 0 ? "+" : "";
    text += std::string(key.name) + " = " + sign + std::to_string(value) + '\n';
  }
  for (int day = 0; day < WeekTable::kDays; ++day)
    for (int entry = 0; entry < WeekTable::kEntries; ++entry)
      text += entryName(day, entry) + " = " + entryValue(config.week.at(day, entry)) + '\n';
  return text;
}

std::optional<ConfigFileFault> parseConfigFile(std::string_view text, TClockConfig& config) {
  if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) text.remove_prefix(kByteOrderMark.size());
  TClockConfig read;
  std::array<int, kItems> lineOf{};  // where each item was given; 0: not yet
  int lineNumber = 0;
  for (std::size_t start = 0; start < text.size();) {
    ++lineNumber;
    // A line ends with LF, CR LF or a CR alone.
    const std::size_t end = std::min(text.find_first_of("\r\n", start), text.size());
    std::string_view line = text.substr(start, end - start);
    start = end + (text.substr(end, 2) == "\r\n" ? 2 : 1);
    const auto fail = [&](const std::string& what) { return ConfigFileFault{lineNumber, what}; };

    if (auto fault = checkCharacters(line)) return fail(fault->what);
    if (lineNumber == 1) {
      if (auto fault = checkVersion(line)) return fail(fault->what);
      continue;
    }
    line = trimmed(withoutComment(line));
    if (line.empty()) continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) return fail("expected NAME = VALUE");
    const std::string_view name = trimmed(line.substr(0, equals));
    const auto item = itemOf(name);
    if (!item) return fail("unknown name \"" + std::string(name) + "\"");
    if (lineOf[*item] != 0)
      return fail(itemName(*item) + " is given twice (first on line " + std::to_string(lineOf[*item]) + ")");
    lineOf[*item] = lineNumber;
    if (auto fault = applyItem(*item, trimmed(line.substr(equals + 1)), read)) return fail(fault->what);
  }
  if (lineNumber == 0) return ConfigFileFault{1, "the file is empty"};
  for (int item = 0; item < kItems; ++item)
    if (lineOf[item] == 0) return ConfigFileFault{lineNumber, "the file ends without " + itemName(item)};
  config = read;
  return std::nullopt;
}
