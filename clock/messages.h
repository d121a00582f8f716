#pragma once
// Every text sent to the clock and the reading of its replies. Messages are whole texts, start
// and end characters included; a received message starts with the port's start character ("$",
// or "=" while the week is read) and ends with CR. Positions are counted from 1 as m[1]..m[L].
#include <optional>
#include <string>
#include <string_view>

#include "setting.h"
#include "switch_time.h"

inline constexpr char kCR = '\r';
inline constexpr char kLF = '\n';

// Requests end with CR.
std::string readRequest();        // "$" CR
std::string dayRequest(int day);  // "$2", day digit, "=", CR for day index 0..6
std::string bareCr();             // CR alone
// Commands end with CR LF: "$1=", "$5=", "$2=", "$3=" or "$4=", then the value in decimal.
std::string settingCommand(Setting setting, int value);
std::string switchTimeCommand(const TSwitchTime& entry);  // the entry exactly as stored

// The digit naming a setting, both in its command and in its reply ("1" Language .. "5" RelayMode).
char settingDigit(Setting setting);

// m[3] is "r": the clock reports an error.
bool isErrorReply(std::string_view message);
// m[1] is "$" and m[3] is "k" or "5".
bool isAcknowledgement(std::string_view message);

// The setting a reply names by m[3] ("1".."5"), if it names one.
std::optional<Setting> replySetting(std::string_view message);

struct SettingReply {
  Setting setting;
  int value;
  bool operator==(const SettingReply&) const = default;
};
// The setting and value of a settings reply. The value is read from the characters after m[3]
// and before the final CR only; a reply without such characters gives nothing.
std::optional<SettingReply> decodeSettingReply(std::string_view message);

// The entry that a week entry reply becomes, as the entry of day index `day` (0..6) and entry
// index `entry` (0..7): a reply of fewer than 12 characters gives the deleted form.
TSwitchTime entryFromReply(std::string_view message, int day, int entry);
