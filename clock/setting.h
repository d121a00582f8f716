#pragma once
#include <array>

// The five settings of the clock, in the order of their reply and command digits "1".."5".
enum class Setting { Language, RelayMode, UtcOffset, DaylightSaving, ValidTimeout };

// All five, in the order a send writes them and a configuration file lists them.
inline constexpr std::array kAllSettings{Setting::Language, Setting::RelayMode, Setting::UtcOffset,
                                         Setting::DaylightSaving, Setting::ValidTimeout};
