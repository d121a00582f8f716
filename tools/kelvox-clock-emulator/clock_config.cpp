#include "clock_config.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace kvxemu {

namespace {

constexpr const char* kDayNames[kDays] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
constexpr const char* kVersionLine = "KELVOX configuration 1";
constexpr const char* kFormatName = "KELVOX configuration ";

std::string trim(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  const auto last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

// Whole-string integer with an optional sign; no other characters allowed.
bool parseInt(const std::string& s, int& value) {
  if (s.empty() || s.size() > 6) return false;
  std::size_t pos = 0;
  try {
    value = std::stoi(s, &pos);
  } catch (...) {
    return false;
  }
  return pos == s.size();
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool twoDigits(const std::string& s, std::size_t pos, int& value) {
  if (pos + 2 > s.size() || !isDigit(s[pos]) || !isDigit(s[pos + 1])) return false;
  value = (s[pos] - '0') * 10 + (s[pos + 1] - '0');
  return true;
}

// The line up to a '#' that stands outside double quotes.
std::string withoutComment(const std::string& line) {
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (quoted && line[i] == '\\')
      ++i;
    else if (line[i] == '"')
      quoted = !quoted;
    else if (line[i] == '#' && !quoted)
      return line.substr(0, i);
  }
  return line;
}

// "\"...\"" with its escapes undone; false on a malformed text.
bool unquote(const std::string& text, std::string& out) {
  if (text.size() < 2 || text.front() != '"' || text.back() != '"') return false;
  out.clear();
  for (std::size_t i = 1; i + 1 < text.size(); ++i) {
    char c = text[i];
    if (c == '"') return false;
    if (c == '\\') {
      if (i + 2 >= text.size()) return false;
      c = text[++i];
      if (c == 'r')
        c = '\r';
      else if (c == 'n')
        c = '\n';
      else if (c == 't')
        c = '\t';
      else if (c == 'x') {
        if (i + 3 >= text.size() || !std::isxdigit(static_cast<unsigned char>(text[i + 1])) ||
            !std::isxdigit(static_cast<unsigned char>(text[i + 2])))
          return false;
        c = static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
        i += 2;
      } else if (c != '\\' && c != '"') {
        return false;
      }
    }
    out += c;
  }
  return out.size() <= 14;  // an entry holds 20 characters, 6 of them "$2d=e,"
}

// A quoted entry text as the clock would take its command: the line ends at the first CR, LF is
// never part of it, trailing spaces go.
bool parseQuotedEntry(const std::string& text, SwitchTime& entry) {
  std::string tail;
  if (!unquote(text, tail)) return false;
  std::string line;
  for (const char c : tail.substr(0, tail.find('\r')))
    if (c != '\n') line += c;
  line.erase(line.find_last_not_of(' ') + 1);
  return parseEntryCommand(line, entry);
}

bool parseSwitchTime(const std::string& text, SwitchTime& entry) {
  if (!text.empty() && text.front() == '"') return parseQuotedEntry(text, entry);
  if (text == "DEL") {
    entry = SwitchTime{};
    return true;
  }
  int h = 0, m = 0, s = 0;
  char action[4] = {};
  int used = 0;
  if (std::sscanf(text.c_str(), "%2d:%2d:%2d %3s%n", &h, &m, &s, action, &used) != 4) return false;
  if (static_cast<std::size_t>(used) != text.size() || !validTime(h, m, s)) return false;
  const std::string act = action;
  if (act != "ON" && act != "OFF") return false;
  entry = SwitchTime{true, h, m, s, act == "ON"};
  return true;
}

std::string formatSwitchTime(const SwitchTime& e) {
  if (!e.set) return "DEL";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d %s", e.hour, e.minute, e.second, e.on ? "ON" : "OFF");
  return buf;
}

// "Mon 1" .. "Sun 8" to day and entry indexes.
bool parseEntryKey(const std::string& key, int& day, int& entry) {
  for (day = 0; day < kDays; ++day) {
    const std::string name = kDayNames[day];
    if (key.size() == name.size() + 2 && key.compare(0, name.size(), name) == 0 && key[name.size()] == ' ') {
      entry = key.back() - '1';
      return entry >= 0 && entry < kEntries;
    }
  }
  return false;
}

}  // namespace

bool validLanguage(int v) { return v >= 0 && v <= 4; }
bool validRelay(int v) { return v >= 0 && v <= 3; }
bool validUtc(int v) { return v >= -12 && v <= 12; }
bool validDls(int v) { return v == 0 || v == 1; }
bool validTimeout(int v) { return v >= 1 && v <= 720; }
bool validTime(int h, int m, int s) { return h >= 0 && h <= 23 && m >= 0 && m <= 59 && s >= 0 && s <= 59; }

bool parseEntryCommand(const std::string& value, SwitchTime& entry) {
  if (value == "DEL") {
    entry = SwitchTime{};
    return true;
  }
  int h = 0, m = 0, s = 0;
  if (!twoDigits(value, 0, h) || !twoDigits(value, 3, m) || !twoDigits(value, 6, s)) return false;
  if (value[2] != ',' || value[5] != ',' || value.size() < 9 || value[8] != ',') return false;
  const std::string action = value.substr(9);
  if ((action != "ON" && action != "OFF") || !validTime(h, m, s)) return false;
  entry = SwitchTime{true, h, m, s, action == "ON"};
  return true;
}

ClockConfig ClockConfig::defaults() {
  ClockConfig c;
  c.week[0][0] = {true, 6, 30, 0, true};
  c.week[0][1] = {true, 8, 15, 0, false};
  c.week[0][2] = {true, 17, 45, 30, true};
  c.week[0][3] = {true, 23, 0, 0, false};
  c.week[2][0] = {true, 7, 0, 0, true};
  c.week[2][1] = {true, 12, 30, 15, false};
  return c;
}

bool ConfigFile::parse(std::istream& in, ClockConfig& config, std::string& error) {
  ClockConfig c;  // default settings, every entry deleted
  std::string raw;
  for (int lineNo = 1; std::getline(in, raw); ++lineNo) {
    if (lineNo == 1 && trim(raw).rfind(kFormatName, 0) == 0) {
      if (trim(raw) == kVersionLine) continue;
      error = "line 1: format version not supported: " + trim(raw);
      return false;
    }
    const std::string line = trim(withoutComment(raw));
    if (line.empty()) continue;
    const auto eq = line.find('=');
    const std::string key = eq == std::string::npos ? line : trim(line.substr(0, eq));
    const std::string value = eq == std::string::npos ? "" : trim(line.substr(eq + 1));
    auto fail = [&](const std::string& why) {
      error = "line " + std::to_string(lineNo) + ": " + why + ": " + line;
      return false;
    };
    if (eq == std::string::npos) return fail("expected key = value");

    struct Setting {
      const char* name;
      int* field;
      bool (*valid)(int);
    } settings[] = {{"language", &c.language, validLanguage},
                    {"relay", &c.relay, validRelay},
                    {"utc", &c.utc, validUtc},
                    {"dls", &c.dls, validDls},
                    {"timeout", &c.timeout, validTimeout}};
    bool known = false;
    for (const auto& s : settings) {
      if (key != s.name) continue;
      int v = 0;
      if (!parseInt(value, v) || !s.valid(v)) return fail("value out of range");
      *s.field = v;
      known = true;
    }
    if (known) continue;

    int day = 0, entry = 0;
    if (!parseEntryKey(key, day, entry)) return fail("unknown key");
    if (!parseSwitchTime(value, c.week[day][entry]))
      return fail("expected HH:MM:SS ON, HH:MM:SS OFF, DEL or a quoted text the clock takes");
  }
  config = c;
  return true;
}

bool ConfigFile::load(const std::string& path, ClockConfig& config, std::string& error) {
  std::ifstream in(path);
  if (!in) {
    error = "cannot read " + path;
    return false;
  }
  if (!parse(in, config, error)) {
    error = path + ": " + error;
    return false;
  }
  return true;
}

std::string ConfigFile::format(const ClockConfig& c) {
  std::ostringstream out;
  out << kVersionLine << "\n"
      << "language = " << c.language << "\n"
      << "relay = " << c.relay << "\n"
      << "utc = " << (c.utc >= 0 ? "+" : "") << c.utc << "\n"
      << "dls = " << c.dls << "\n"
      << "timeout = " << c.timeout << "\n";
  for (int d = 0; d < kDays; ++d)
    for (int e = 0; e < kEntries; ++e)
      out << kDayNames[d] << ' ' << (e + 1) << " = " << formatSwitchTime(c.week[d][e]) << "\n";
  return out.str();
}

bool ConfigFile::save(const std::string& path, const ClockConfig& config) {
  // Write beside the target and rename, so a reader never sees half a file. The temporary name
  // is this process's own; a file that already has it is not the emulator's to overwrite.
  const std::string tmp = path + ".tmp" + std::to_string(::getpid());
  if (struct stat st{}; ::lstat(tmp.c_str(), &st) == 0) return false;
  std::ofstream out(tmp, std::ios::trunc);
  out << format(config);
  out.close();
  if (!out || std::rename(tmp.c_str(), path.c_str()) != 0) {
    ::unlink(tmp.c_str());  // made by this call, if at all
    return false;
  }
  return true;
}

}  // namespace kvxemu
