// Read and send against the emulator, with the real window and serial port in this process:
//  - paced at 19200 baud: how close a whole read and a whole send come to the time their bytes
//    need on the line;
//  - unpaced: the program's turnaround, from the clock's last reply byte to the first byte of the
//    program's next command;
//  - behind a modelled USB adapter: a read with the adapter's latency timer at its default of
//    16 ms and at the 1 ms its driver takes under low latency, against the wire floor.
// Prints figures and the targets they are read against; asserts nothing.
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <string>

#include "bench_support.h"
#include "evidence_support.h"

namespace {

using namespace std::chrono_literals;
using evidence::WindowOnClock;

constexpr int kPacedRounds = 3;
constexpr int kUnpacedRounds = 30;

enum class Kind { Read, Send };
constexpr int kMessagesOf[] = {8, 61};  // a read asks 1 + 7 times, a send writes 61 commands

// Runs one transfer; gives its time from the click to the last reply handled, and what went over
// the line meanwhile. A negative time: it did not end.
double timed(WindowOnClock& w, Kind kind, bench::Traffic& traffic) {
  const std::size_t logBefore = w.clock().log().size();
  const auto start = evidence::Clock::now();
  const bool done = kind == Kind::Read ? w.read(30s) : w.send(30s);
  traffic = bench::trafficIn(w.clock().log().substr(logBefore));
  return done ? std::chrono::duration<double>(w.lastHandled() - start).count() : -1;
}

bool startWindow(WindowOnClock& w) {
  if (!w.startClock()) return false;
  w.createWindow();
  w.startUp();
  return evidence::runUntil([&] { return w.transferDone(0); }, 30s);
}

void paced() {
  // A real clock writes no file: the emulator's saving of its configuration before every
  // acknowledgement (about 0.2 ms) is left out, so the figure is the program's and the line's.
  WindowOnClock w({"--pace", "--save="});
  if (!startWindow(w)) {
    std::printf("paced: the start-up read did not end\n");
    return;
  }
  bench::heading("Paced clock, 19200 baud 8E1 (median of 3 rounds each)");
  for (const Kind kind : {Kind::Read, Kind::Send}) {
    std::vector<double> lineTime, floor;
    bench::Traffic traffic;
    for (int round = 0; round < kPacedRounds; ++round) {
      const double seconds = timed(w, kind, traffic);
      if (seconds < 0) {
        std::printf("%s did not end\n", kind == Kind::Read ? "read" : "send");
        return;
      }
      // The pseudo-terminal hands the program's commands over at once; on the cable they take
      // their 11 bits a byte as well.
      lineTime.push_back(seconds + traffic.toClock * bench::kSecondsPerByte);
      floor.push_back(traffic.both() * bench::kSecondsPerByte);
    }
    const std::string name = kind == Kind::Read ? "read" : "send";
    const double l = bench::quantile(lineTime, 0.5), f = bench::quantile(floor, 0.5);
    const int messages = kMessagesOf[static_cast<int>(kind)];
    bench::row(name + ": bytes to clock / from clock",
               std::to_string(traffic.toClock) + " / " + std::to_string(traffic.fromClock));
    bench::row(name + ": wire floor (all bytes x 11 / 19200)", bench::format("%.1f ms", f * 1000));
    bench::row(name + ": time, commands at line speed", bench::format("%.1f ms", l * 1000));
    bench::row(name + ": ratio to the wire floor", bench::format("%.4f", l / f), "<= 1.02");
    // Both ends' work between messages: the program's turnaround (measured unpaced below) and
    // the emulator's (its log, its wake-up).
    bench::row(name + ": excess over the floor per message",
               bench::format("%.3f ms", (l - f) * 1000 / messages));
  }
}

// A USB serial adapter holds the clock's bytes for its latency timer before the PC sees them.
// The POSIX layer asks the driver for low latency on open, which the FTDI driver turns into a
// 1 ms timer; a pseudo-terminal has no such setting, so the emulator models both timers.
void behindUsbAdapter() {
  bench::heading("Read behind a USB adapter, paced (median of 3 rounds each)");
  const struct {
    const char* name;
    const char* latencyMs;
  } adapters[] = {{"no adapter", "0"}, {"latency timer 16 ms (driver default)", "16"},
                  {"latency timer 1 ms (low latency)", "1"}};
  for (const auto& adapter : adapters) {
    WindowOnClock w({"--pace", "--save=", "--latency-ms", adapter.latencyMs});
    if (!startWindow(w)) {
      std::printf("%s: the start-up read did not end\n", adapter.name);
      return;
    }
    std::vector<double> lineTime, floor;
    bench::Traffic traffic;
    for (int round = 0; round < kPacedRounds; ++round) {
      const double seconds = timed(w, Kind::Read, traffic);
      if (seconds < 0) {
        std::printf("%s: read did not end\n", adapter.name);
        return;
      }
      lineTime.push_back(seconds + traffic.toClock * bench::kSecondsPerByte);
      floor.push_back(traffic.both() * bench::kSecondsPerByte);
    }
    const double l = bench::quantile(lineTime, 0.5), f = bench::quantile(floor, 0.5);
    if (adapter.latencyMs == std::string("0"))
      bench::row("read: wire floor (all bytes x 11 / 19200)", bench::format("%.1f ms", f * 1000));
    bench::row(std::string("read, ") + adapter.name, bench::format("%.1f ms", l * 1000));
    bench::row(std::string("  ratio to the wire floor"), bench::format("%.3f", l / f));
  }
}

void unpaced() {
  const std::string timingFile = "timing.txt";  // in the scratch folder, the current directory
  WindowOnClock w({"--timing", timingFile});
  if (!startWindow(w)) {
    std::printf("unpaced: the start-up read did not end\n");
    return;
  }
  // Messages that open a transfer follow this program's own pause, not a reply: left out.
  std::vector<bool> opensTransfer(1 + kMessagesOf[0], false);
  opensTransfer[1] = true;
  std::vector<double> readMs, sendMs;
  bench::Traffic traffic;
  for (int round = 0; round < kUnpacedRounds; ++round)
    for (const Kind kind : {Kind::Read, Kind::Send}) {
      opensTransfer.push_back(true);
      opensTransfer.resize(opensTransfer.size() + kMessagesOf[static_cast<int>(kind)] - 1, false);
      const double seconds = timed(w, kind, traffic);
      (kind == Kind::Read ? readMs : sendMs).push_back(seconds * 1000);
    }
  w.clock().stop();

  std::vector<double> all, afterReplies, afterAcks;
  for (const bench::TimingLine& line :
       bench::readTiming(w.folder().file(QString::fromStdString(timingFile)).toStdString())) {
    if (line.number >= static_cast<int>(opensTransfer.size()) || opensTransfer[line.number] ||
        line.previous == 0)
      continue;
    const double us = static_cast<double>(line.first - line.previous);
    all.push_back(us);
    // Within a read only day requests follow replies; they are the program's read turnaround.
    const int withinRound = (line.number - 1 - kMessagesOf[0]) % (kMessagesOf[0] + kMessagesOf[1]);
    if (line.number <= kMessagesOf[0] || withinRound < kMessagesOf[0]) {
      afterReplies.push_back(us);
    } else {
      afterAcks.push_back(us);
    }
  }
  bench::heading("Unpaced clock (30 reads and 30 sends)");
  bench::row("read: time, median", bench::format("%.1f ms", bench::quantile(readMs, 0.5)));
  bench::row("send: time, median", bench::format("%.1f ms", bench::quantile(sendMs, 0.5)));
  bench::row("turnaround samples (read / send)",
             std::to_string(afterReplies.size()) + " / " + std::to_string(afterAcks.size()));
  bench::row("turnaround after a day's replies, median",
             bench::format("%.3f ms", bench::quantile(afterReplies, 0.5) / 1000));
  bench::row("turnaround after an acknowledgement, median",
             bench::format("%.3f ms", bench::quantile(afterAcks, 0.5) / 1000));
  bench::row("turnaround, all, median", bench::format("%.3f ms", bench::quantile(all, 0.5) / 1000),
             "<= 0.5 ms");
  bench::row("turnaround, all, 99th percentile", bench::format("%.3f ms", bench::quantile(all, 0.99) / 1000),
             "<= 2 ms");
  bench::row("turnaround, all, largest", bench::format("%.3f ms", bench::quantile(all, 1.0) / 1000));
}

}  // namespace

int main(int argc, char** argv) {
  bench::useOffscreenPlatform();
  QApplication app(argc, argv);
  std::printf("kvx_bench_transfer: the real window and serial port against kelvox-clock-emulator\n");
  paced();
  behindUsbAdapter();
  unpaced();
  return 0;
}
