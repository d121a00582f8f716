#pragma once
// The five settings of the clock, in the order of their reply and command digits "1".."5".
enum class Setting { Language, RelayMode, UtcOffset, DaylightSaving, ValidTimeout };
