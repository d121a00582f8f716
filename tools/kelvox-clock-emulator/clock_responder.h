// The clock's side of the conversation: what a received line asks for, and the replies to it.
#pragma once

#include <string>
#include <vector>

#include "clock_config.h"

namespace kvxemu {

class ClockResponder {
 public:
  struct Answer {
    std::vector<std::string> replies;  // each a whole reply, CR included
    bool configChanged = false;
  };

  ClockResponder(ClockConfig& config, char filler) : config_(config), filler_(filler) {}

  // line: one received line without its CR or LF. Commands are applied to the held configuration.
  // Anything the clock does not understand is answered with the error reply.
  Answer answer(const std::string& received);

  static std::string errorReply() { return "$error\r"; }

  // Changes the value the last applied command stored, as a line hit the clock did not notice:
  // a switch time one second later (a deleted one becomes 00:00:01 OFF), a setting one higher, or
  // one lower at the top of its range.
  void corruptLastApplied();

 private:
  std::vector<std::string> settingsReplies() const;
  std::vector<std::string> dayReplies(int day) const;
  bool applySetting(char which, const std::string& value);
  bool applySwitchTime(int day, int entry, const std::string& value);

  ClockConfig& config_;
  char filler_;
  // What the last applied command stored: a setting with its range check, or a switch time.
  int* lastSetting_ = nullptr;
  bool (*lastSettingValid_)(int) = nullptr;
  SwitchTime* lastEntry_ = nullptr;
};

}  // namespace kvxemu
