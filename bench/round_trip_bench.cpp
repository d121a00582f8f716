// Round trip through the serial platform layer alone (no Qt): the read request "$" CR written,
// the clock's first reply framed, then the rest of its five settings replies. Built natively on
// the POSIX layer and cross-built on the Win32 layer, so both run the same exchanges; the
// figures are the time to the first reply and to the whole answer, median and 99th percentile.
//   kvx_bench_round_trip [EXCHANGES]   (COM1 is the emulator: a link here, or Wine's COM1)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "clock_line_settings.h"
#include "message_framer.h"
#include "serial_platform.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRepliesPerRead = 5;

double percentile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  return v[static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5)];
}

}  // namespace

int main(int argc, char** argv) {
  const int exchanges = argc > 1 ? std::atoi(argv[1]) : 300;
  PlatformPort port;
  if (const int error = port.open(PlatformPort::pathForPort(1))) {
    std::fprintf(stderr, "cannot open COM1: %s\n", platformErrorText(error).c_str());
    return 1;
  }
  if (const int error = port.apply(clockLineSettings())) {
    std::fprintf(stderr, "cannot apply the settings: %s\n", platformErrorText(error).c_str());
    return 1;
  }
  PlatformEventWaiter waiter;
  MessageFramer framer;
  std::vector<double> first, whole;
  for (int i = 0; i < exchanges; ++i) {
    const auto start = Clock::now();
    if (port.write("$\r", 2, std::chrono::milliseconds(1000)) != 0) return 1;
    waiter.noteWrite();  // as the component does after every write
    int replies = 0;
    while (replies < kRepliesPerRead) {
      const PortEvents events = waiter.wait(port.fd(), 1, false);
      if (events.error != 0) return 1;
      char byte = 0;
      int error = 0;
      int got = 0;
      while (port.readByte(byte, error) == 1) {
        ++got;
        if (!framer.feed(byte, '$', '\r', 0)) continue;
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        if (++replies == 1) first.push_back(ms);
        if (replies == kRepliesPerRead) whole.push_back(ms);
      }
      waiter.noteRead(got);
    }
  }
  std::printf(
      "%d exchanges: first reply median %.2f ms, p99 %.2f ms; all five replies median %.2f ms, p99 %.2f ms\n",
      exchanges, percentile(first, 0.5), percentile(first, 0.99), percentile(whole, 0.5),
      percentile(whole, 0.99));
  return 0;
}
