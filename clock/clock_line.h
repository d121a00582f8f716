#pragma once
// The clock's serial line, as the clock speaks it: the one place that knows its speed, framing
// and reply time. The window, the command line, the tests and the benchmarks take it from here.
// Plain numbers: clock/ knows no port.
namespace clockline {

inline constexpr int kBaudrate = 19200;
inline constexpr int kDataBits = 8;
inline constexpr bool kEvenParity = true;  // and checked on receipt
inline constexpr int kStopBits = 1;
inline constexpr bool kFlowControl = false;
// The clock's replies run from "$" ("=" while the week is read) to CR.
inline constexpr char kStartChar = '$';
inline constexpr char kEndChar = '\r';
// How long the clock has to answer the program's own send.
inline constexpr int kReplyTimeoutMs = 3000;

// A byte on the wire: start bit, data bits, parity bit, stop bit.
inline constexpr int kBitsPerByte = 1 + kDataBits + (kEvenParity ? 1 : 0) + kStopBits;
inline constexpr double kSecondsPerByte = static_cast<double>(kBitsPerByte) / kBaudrate;

}  // namespace clockline
