// The line-settings record the serial component builds for the clock's line (clock_line.h), for
// programs that drive the platform layer directly, without the component (the round-trip
// benchmark, the Win32 layer's tests). Length 28 and the XON/XOFF limits of a 1024-byte input
// queue (1024 / 3) are the record's own, as the component fills them in.
#pragma once

#include "../../clock/clock_line.h"
#include "line_settings.h"

inline TLineSettings clockLineSettings() {
  TLineSettings s;
  s.baudRate = clockline::kBaudrate;
  s.flags = TLineSettings::kBinary | TLineSettings::kParityCheck;
  s.xonLimit = s.xoffLimit = 1024 / 3;
  s.byteSize = clockline::kDataBits;
  s.parity = clockline::kEvenParity ? TLineSettings::kEvenParity : TLineSettings::kNoParity;
  s.stopBits = clockline::kStopBits == 1 ? TLineSettings::kOneStopBit : TLineSettings::kTwoStopBits;
  s.xonChar = 0x11;
  s.xoffChar = 0x13;
  s.errorChar = '?';
  return s;
}
