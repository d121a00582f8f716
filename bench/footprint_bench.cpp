// What the program costs while it runs, with the real window and serial port in this process
// against the emulator: time from creating the window to its first painting, peak resident
// memory over a start-up, a read and a send, and CPU time while idle with the port open and
// closed. Prints figures and the targets they are read against; asserts nothing.
#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "bench_support.h"
#include "evidence_support.h"

namespace {

using namespace std::chrono_literals;
using evidence::Clock;

// utime + stime of this process from /proc/self/stat, in clock ticks.
long cpuTicks() {
  std::ifstream in("/proc/self/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // Fields after the command name, which is in parentheses and may hold spaces.
  std::istringstream rest(text.substr(text.rfind(')') + 2));
  std::string field;
  long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && rest >> field; ++i) {
    if (i == 14) utime = std::stol(field);
    if (i == 15) stime = std::stol(field);
  }
  return utime + stime;
}

// Notes the first time anything is painted.
class FirstPaint : public QObject {
 public:
  bool seen = false;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) seen = true;
    return false;
  }
};

double msSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void idleCpu(const char* what) {
  const long ticks = cpuTicks();
  const long long micros = evidence::processCpuMicros();
  evidence::idleFor(10s);
  bench::row(std::string("CPU in 10 idle s, ") + what,
             std::to_string(cpuTicks() - ticks) + " ticks (" +
                 bench::format("%.1f ms)", static_cast<double>(evidence::processCpuMicros() - micros) / 1000),
             "<= 1 tick");
}

}  // namespace

int main(int argc, char** argv) {
  bench::useOffscreenPlatform();
  const auto appStart = Clock::now();
  QApplication app(argc, argv);
  const double appMs = msSince(appStart);

  evidence::WindowOnClock w;
  if (!w.startClock()) {
    std::printf("kvx_bench_footprint: the emulator did not start\n");
    return 1;
  }
  FirstPaint paint;
  app.installEventFilter(&paint);
  const auto created = Clock::now();
  w.createWindow();  // creates and shows the window
  const double shownMs = msSince(created);
  evidence::runUntil([&] { return paint.seen; }, 5s);
  const double paintedMs = msSince(created);
  app.removeEventFilter(&paint);

  w.startUp();
  const bool read = evidence::runUntil([&] { return w.transferDone(0); }, 10s);
  const bool sent = read && w.send();

  std::printf(
      "kvx_bench_footprint: the real window and serial port against kelvox-clock-emulator (%ld ticks/s)\n",
      sysconf(_SC_CLK_TCK));
  bench::heading("Start and footprint");
  bench::row("QApplication created (not part of the window)", bench::format("%.1f ms", appMs));
  bench::row("window created and show() returned", bench::format("%.1f ms", shownMs));
  bench::row("window created to first painted", bench::format("%.1f ms", paintedMs), "<= 150 ms");
  bench::row("start-up read, then a send", read && sent ? "done" : "FAILED");
  bench::row("peak resident memory (VmHWM)", bench::format("%.1f MB", evidence::statusKb("VmHWM") / 1024.0),
             "<= 40 MB");
  bench::row("resident memory now (VmRSS)", bench::format("%.1f MB", evidence::statusKb("VmRSS") / 1024.0));
  std::fflush(stdout);

  idleCpu("port open");
  w.form().FormClose();
  idleCpu("port closed");
  return 0;
}
