// The line-settings record the component builds from its properties: the fields of the Windows
// device-control block it was designed for, with their codes. Each platform layer turns it into
// its own form (the Win32 layer into that block, the POSIX layer into termios flags).
#pragma once

#include <cstdint>

struct TLineSettings {
  // Flag bits.
  static constexpr std::uint32_t kBinary = 0x0001;
  static constexpr std::uint32_t kParityCheck = 0x0002;
  static constexpr std::uint32_t kOutCtsFlow = 0x0004;
  static constexpr std::uint32_t kOutDsrFlow = 0x0008;
  static constexpr std::uint32_t kDtrHandshake = 0x0020;
  static constexpr std::uint32_t kOutXonXoff = 0x0100;
  static constexpr std::uint32_t kInXonXoff = 0x0200;
  static constexpr std::uint32_t kRtsHandshake = 0x2000;

  // Parity codes and stop-bits codes.
  enum : std::uint8_t { kNoParity = 0, kOddParity = 1, kEvenParity = 2, kMarkParity = 3, kSpaceParity = 4 };
  enum : std::uint8_t { kOneStopBit = 0, kTwoStopBits = 2 };

  std::uint32_t baudRate = 0;
  std::uint32_t flags = 0;
  std::uint16_t xonLimit = 0;
  std::uint16_t xoffLimit = 0;
  std::uint8_t byteSize = 0;
  std::uint8_t parity = 0;
  std::uint8_t stopBits = 0;
  char xonChar = 0;
  char xoffChar = 0;
  char errorChar = 0;
  char eofChar = 0;
  char eventChar = 0;
};
