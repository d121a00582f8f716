#pragma once
// One switch time of the weekly timer, held as the exact command text the clock receives,
// for example "$21=0,12,30,00,ON" (set) or "$21=0,DEL" (deleted). Readers decide by fixed
// character positions, counted from 1 as in the clock's protocol.
#include <string>
#include <string_view>

class TSwitchTime {
 public:
  static constexpr std::size_t kMaxLength = 20;

  TSwitchTime() = default;
  explicit TSwitchTime(std::string_view text) { setText(text); }

  // The deleted form "$2" day "=" entry ",DEL" for day index 0..6 and entry index 0..7.
  static TSwitchTime deleted(int day, int entry);

  const std::string& text() const { return text_; }
  // Stores at most the first 20 characters.
  void setText(std::string_view text) { text_ = std::string(text.substr(0, kMaxLength)); }

  // Character at 1-based position pos, or '\0' when the text is shorter.
  char at(std::size_t pos) const { return pos >= 1 && pos <= text_.size() ? text_[pos - 1] : '\0'; }

  bool isDeleted() const { return at(7) == 'D'; }
  // Character 17 "N" means ON; anything else, a missing character included, means OFF.
  bool isOn() const { return at(17) == 'N'; }
  // Two-character fields at 7-8, 10-11 and 13-14 as they stand (shorter when the text is).
  std::string hourText() const { return field(7); }
  std::string minuteText() const { return field(10); }
  std::string secondText() const { return field(13); }

  bool operator==(const TSwitchTime&) const = default;

 private:
  std::string field(std::size_t pos) const {
    return pos - 1 < text_.size() ? text_.substr(pos - 1, 2) : std::string();
  }
  std::string text_;
};

// The day and entry digits written into texts: "1".."7" for Monday..Sunday, "0".."7" for Time 1..8.
inline char dayDigit(int day) { return static_cast<char>('1' + day); }
inline char entryDigit(int entry) { return static_cast<char>('0' + entry); }
