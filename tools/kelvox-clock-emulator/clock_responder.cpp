#include "clock_responder.h"

#include <cstdio>
#include <cstdlib>

namespace kvxemu {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Decimal with an optional "-" and no leading "+" or spaces, as the program writes it.
bool parseDecimal(const std::string& s, int& value) {
  const std::size_t start = (!s.empty() && s[0] == '-') ? 1 : 0;
  if (s.size() == start || s.size() > start + 3) return false;
  for (std::size_t i = start; i < s.size(); ++i)
    if (!isDigit(s[i])) return false;
  value = std::atoi(s.c_str());
  return true;
}

}  // namespace

ClockResponder::Answer ClockResponder::answer(const std::string& received) {
  // A freshly checked entry may carry a space after "ON"; the clock does not mind.
  const std::string line = received.substr(0, received.find_last_not_of(' ') + 1);
  Answer a;
  const auto ok = [&](bool applied) {
    a.configChanged = applied;
    a.replies = {applied ? "$ok\r" : errorReply()};
    return a;
  };

  if (line == "$") {
    a.replies = settingsReplies();
    return a;
  }
  // Day request "$2d=" with nothing after the "=".
  if (line.size() == 4 && line.compare(0, 2, "$2") == 0 && line[2] >= '1' && line[2] <= '7' &&
      line[3] == '=') {
    a.replies = dayReplies(line[2] - '1');
    return a;
  }
  // Settings command "$k=value": the "=" is the third character.
  if (line.size() >= 4 && line[0] == '$' && line[2] == '=') return ok(applySetting(line[1], line.substr(3)));
  // Switch-time command "$2d=e,...": the "=" is the fourth character.
  if (line.size() >= 7 && line.compare(0, 2, "$2") == 0 && line[3] == '=' && line[5] == ',') {
    const int day = line[2] - '1';
    const int entry = line[4] - '0';
    if (day < 0 || day >= kDays || entry < 0 || entry >= kEntries) return ok(false);
    return ok(applySwitchTime(day, entry, line.substr(6)));
  }
  a.replies = {errorReply()};
  return a;
}

std::vector<std::string> ClockResponder::settingsReplies() const {
  const std::string head = std::string("$") + filler_;
  char utc[16];
  std::snprintf(utc, sizeof utc, "%c%02d", config_.utc < 0 ? '-' : '+', std::abs(config_.utc));
  // The relay mode comes last: the program moves on to the week when it sees it.
  return {head + "1=" + std::to_string(config_.language) + "\r", head + "2=" + utc + "\r",
          head + "3=" + std::to_string(config_.dls) + "\r",
          head + "4=" + std::to_string(config_.timeout) + "\r",
          head + "5=" + std::to_string(config_.relay) + "\r"};
}

std::vector<std::string> ClockResponder::dayReplies(int day) const {
  std::vector<std::string> replies;
  for (const SwitchTime& e : config_.week[day]) {
    if (!e.set) {
      replies.push_back("=-DEL\r");
      continue;
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "=%c%02d:%02d:%02d %s\r", filler_, e.hour, e.minute, e.second,
                  e.on ? "ON" : "OFF");
    replies.push_back(buf);
  }
  return replies;
}

bool ClockResponder::applySetting(char which, const std::string& value) {
  int v = 0;
  if (!parseDecimal(value, v)) return false;
  int* field = nullptr;
  bool (*valid)(int) = nullptr;
  switch (which) {
    case '1':
      field = &config_.language, valid = validLanguage;
      break;
    case '2':
      field = &config_.utc, valid = validUtc;
      break;
    case '3':
      field = &config_.dls, valid = validDls;
      break;
    case '4':
      field = &config_.timeout, valid = validTimeout;
      break;
    case '5':
      field = &config_.relay, valid = validRelay;
      break;
    default:
      return false;
  }
  if (!valid(v)) return false;
  *field = v;
  lastSetting_ = field, lastSettingValid_ = valid, lastEntry_ = nullptr;
  return true;
}

void ClockResponder::corruptLastApplied() {
  if (lastSetting_) {
    *lastSetting_ += lastSettingValid_(*lastSetting_ + 1) ? 1 : -1;
    return;
  }
  if (!lastEntry_) return;
  SwitchTime& e = *lastEntry_;
  if (!e.set) {
    e = SwitchTime{};
    e.set = true, e.second = 1;
    return;
  }
  const int seconds = (e.hour * 3600 + e.minute * 60 + e.second + 1) % (24 * 3600);
  e.hour = seconds / 3600, e.minute = seconds / 60 % 60, e.second = seconds % 60;
}

// value: "DEL" or "HH,MM,SS,ON" / "HH,MM,SS,OFF" (the trailing CR or space after ON is already gone).
bool ClockResponder::applySwitchTime(int day, int entry, const std::string& value) {
  if (!parseEntryCommand(value, config_.week[day][entry])) return false;
  lastEntry_ = &config_.week[day][entry], lastSetting_ = nullptr;
  return true;
}

}  // namespace kvxemu
