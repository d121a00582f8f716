// From the line-settings record to termios flags; the one place that knows both.
#pragma once

#include <termios.h>

#include <cstdint>

#include "line_settings.h"

// Fills t for a raw, non-blocking line. Gives false when the rate has no B-constant; the
// rate is then set with setCustomSpeed after tcsetattr.
bool termiosFromLineSettings(const TLineSettings& settings, termios& t);

// Linux termios2/BOTHER, for 14400, 56000, 128000 and 256000: 0 or errno (EINVAL when the
// device keeps another rate).
int setCustomSpeed(int fd, std::uint32_t rate);
// The rate a device runs at when it is one without a B-constant (BOTHER), else 0.
std::uint32_t customSpeedOf(int fd);
