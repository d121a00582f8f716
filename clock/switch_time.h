#pragma once
// One switch time of the weekly timer, held as the exact command text the clock receives,
// for example "$21=0,12,30,00,ON" (set) or "$21=0,DEL" (deleted). Readers decide by fixed
// character positions, counted from 1 as in the clock's protocol; this class is the one place
// that knows them.
#include <string>
#include <string_view>

// The three time fields of a set entry, characters 7-8, 10-11 and 13-14 of its text. This
// program writes two decimal digits into each; whatever a clock's reply or a file put there is
// kept character for character, so that an entry is shown and written back as it stands.
struct SwitchFields {
  std::string hour = "00";
  std::string minute = "00";
  std::string second = "00";

  bool operator==(const SwitchFields&) const = default;
};

// A field written from a value: "0" and the digit for 0..9, plain decimal otherwise.
std::string twoDigitField(int value);
// The number a field begins with: leading spaces skipped, then decimal digits up to the first
// character that is not one (0 when there is none).
int fieldValue(std::string_view field);

class TSwitchTime {
 public:
  static constexpr std::size_t kMaxLength = 20;

  TSwitchTime() = default;
  explicit TSwitchTime(std::string_view text) { setText(text); }

  // "$2" day "=" entry ",": the head of both forms, for day index 0..6 and entry index 0..7.
  static std::string prefix(int day, int entry);
  // The deleted form: the prefix and "DEL".
  static TSwitchTime deleted(int day, int entry);
  // The set form: the prefix, the three fields separated by commas, a comma, "ON" or "OFF".
  static TSwitchTime set(int day, int entry, const SwitchFields& time, bool on);
  // The form a freshly checked row gets: midnight and ON. "Time 1" and "Time 6" (entries 0 and
  // 5) carry one space after "ON" until they are next rebuilt.
  static TSwitchTime fresh(int day, int entry);

  const std::string& text() const { return text_; }
  // Stores at most the first 20 characters.
  void setText(std::string_view text) { text_ = std::string(text.substr(0, kMaxLength)); }

  // Character at 1-based position pos, or '\0' when the text is shorter.
  char at(std::size_t pos) const { return pos >= 1 && pos <= text_.size() ? text_[pos - 1] : '\0'; }

  bool isDeleted() const { return at(7) == 'D'; }
  // Character 17 "N" means ON; anything else, a missing character included, means OFF.
  bool isOn() const { return at(17) == 'N'; }
  // The time fields as they stand; a character missing from a short text (or a NUL) reads "0".
  SwitchFields time() const { return {field(7), field(10), field(13)}; }

  // The action the ON or OFF button gives: character 17 becomes "N" or "F"; character 18
  // becomes a CR after "N" when the text has one, and "F" after "F" (appended to a text of 17).
  // Nothing else changes. A text too short to hold an action (only a malformed reply makes one)
  // is rebuilt in full as the set form of day index `day` and entry index `entry`.
  void setOn(bool on, int day, int entry);

  bool operator==(const TSwitchTime&) const = default;

 private:
  std::string field(std::size_t pos) const;
  std::string text_;
};

// The day and entry digits written into texts: "1".."7" for Monday..Sunday, "0".."7" for Time 1..8.
inline char dayDigit(int day) { return static_cast<char>('1' + day); }
inline char entryDigit(int entry) { return static_cast<char>('0' + entry); }
