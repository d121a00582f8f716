#pragma once
// Shared pieces of the benchmark programs: the offscreen application, what the clock's log says
// was exchanged, the timing lines of the emulator, and the printed table of figures.
#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "clock_line.h"

namespace bench {

// Benchmarks run without a display, as the tests do, and, as they do, ask only the ports of
// their folder: the machine's own serial devices are not part of any figure.
inline void useOffscreenPlatform() {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("KELVOX_SETUP_FOLDER_PORTS_ONLY", "1");
}

// 19200 baud, 8 data bits, even parity, 1 stop bit and the start bit: 11 bits a byte.
constexpr double kSecondsPerByte = clockline::kSecondsPerByte;

struct Traffic {
  long toClock = 0;    // bytes the program wrote
  long fromClock = 0;  // bytes the clock wrote
  long both() const { return toClock + fromClock; }
};

// Bytes of one quoted, escaped log text ("\r", "\n", "\\", "\"" and "\xHH" are one byte each).
inline long escapedLength(const std::string& quoted) {
  long bytes = 0;
  for (std::size_t i = 0; i < quoted.size(); ++i, ++bytes)
    if (quoted[i] == '\\') i += (i + 1 < quoted.size() && quoted[i + 1] == 'x') ? 3 : 1;
  return bytes;
}

// Counts the "rx" and "tx" lines of a piece of the emulator's log.
inline Traffic trafficIn(const std::string& log) {
  Traffic t;
  std::size_t pos = 0;
  while (pos < log.size()) {
    std::size_t end = log.find('\n', pos);
    if (end == std::string::npos) end = log.size();
    const std::string line = log.substr(pos, end - pos);
    pos = end + 1;
    const std::size_t open = line.find('"'), close = line.rfind('"');
    if (line.size() < 16 || open == std::string::npos || close <= open) continue;
    const long bytes = escapedLength(line.substr(open + 1, close - open - 1));
    const std::string kind = line.substr(13, 3);
    if (kind == "rx ") t.toClock += bytes;
    if (kind == "tx ") t.fromClock += bytes;
  }
  return t;
}

// One line of the emulator's --timing file.
struct TimingLine {
  int number = 0;
  long long first = 0;     // us: first byte of message `number` read by the clock
  long long previous = 0;  // us: last byte of the answer to the message before written (0: none)
};

inline std::vector<TimingLine> readTiming(const std::string& path) {
  std::ifstream in(path);
  std::vector<TimingLine> lines;
  TimingLine l;
  while (in >> l.number >> l.first >> l.previous) lines.push_back(l);
  return lines;
}

// The q-quantile (0..1) of the values, nearest rank.
inline double quantile(std::vector<double> values, double q) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const auto rank = static_cast<std::size_t>(q * static_cast<double>(values.size() - 1) + 0.5);
  return values[std::min(rank, values.size() - 1)];
}

inline void heading(const char* title) {
  std::printf("\n%s\n%-48s %16s   %s\n", title, "figure", "measured", "target");
}
inline void row(const std::string& figure, const std::string& measured, const std::string& target = "") {
  std::printf("%-48s %16s   %s\n", figure.c_str(), measured.c_str(), target.c_str());
}
inline std::string format(const char* fmt, double value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, fmt, value);
  return buf;
}

}  // namespace bench
