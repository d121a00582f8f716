// The line-settings record the serial component builds for the clock: 19200 baud, 8 data bits,
// even parity checked, 1 stop bit, no flow control. For programs that drive the platform layer
// directly, without the component (the round-trip benchmark, the Win32 layer's tests).
#pragma once

#include "line_settings.h"

inline TLineSettings clockLineSettings() {
  TLineSettings s;
  s.baudRate = 19200;
  s.flags = TLineSettings::kBinary | TLineSettings::kParityCheck;
  s.xonLimit = s.xoffLimit = 341;
  s.byteSize = 8;
  s.parity = TLineSettings::kEvenParity;
  s.stopBits = TLineSettings::kOneStopBit;
  s.xonChar = 0x11;
  s.xoffChar = 0x13;
  s.errorChar = '?';
  return s;
}
