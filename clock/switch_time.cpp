#include "switch_time.h"

namespace {

constexpr std::size_t kActionPos = 17;  // "N" of "ON", first "F" of "OFF"
constexpr std::size_t kFieldLength = 2;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string twoDigitField(int value) {
  return value >= 0 && value <= 9 ? "0" + std::to_string(value) : std::to_string(value);
}

int fieldValue(std::string_view field) {
  std::size_t pos = 0;
  while (pos < field.size() && field[pos] == ' ') ++pos;
  int value = 0;
  // Nine digits at most, so that no field can overflow the value.
  for (int digits = 0; pos < field.size() && isDigit(field[pos]) && digits < 9; ++pos, ++digits)
    value = value * 10 + (field[pos] - '0');
  return value;
}

std::string TSwitchTime::prefix(int day, int entry) {
  return {'$', '2', dayDigit(day), '=', entryDigit(entry), ','};
}

TSwitchTime TSwitchTime::deleted(int day, int entry) { return TSwitchTime(prefix(day, entry) + "DEL"); }

TSwitchTime TSwitchTime::set(int day, int entry, const SwitchFields& time, bool on) {
  return TSwitchTime(prefix(day, entry) + time.hour + ',' + time.minute + ',' + time.second + ',' +
                     (on ? "ON" : "OFF"));
}

TSwitchTime TSwitchTime::fresh(int day, int entry) {
  TSwitchTime entryText = set(day, entry, SwitchFields{}, true);
  if (entry == 0 || entry == 5) entryText.text_ += ' ';
  return entryText;
}

std::string TSwitchTime::field(std::size_t pos) const {
  std::string value;
  for (std::size_t p = pos; p < pos + kFieldLength; ++p) value += at(p) == '\0' ? '0' : at(p);
  return value;
}

void TSwitchTime::setOn(bool on, int day, int entry) {
  if (text_.size() < kActionPos) {
    *this = set(day, entry, time(), on);
    return;
  }
  text_[kActionPos - 1] = on ? 'N' : 'F';
  if (text_.size() > kActionPos)
    text_[kActionPos] = on ? '\r' : 'F';
  else if (!on)
    text_ += 'F';
}
