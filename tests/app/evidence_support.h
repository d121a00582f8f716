#pragma once
// The real window on the real serial port against kelvox-clock-emulator, for the fault matrix,
// the soak and the benchmark programs: a scratch folder with the clock on COM1, the window with
// recording boxes, and waits that block in the event loop (no polling sleeps, so the hand-over
// of each message is not delayed by the waiting code itself).
#include <sys/resource.h>

#include <QDir>
#include <QEventLoop>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <chrono>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "KVX_Setup.h"
#include "Serial4.h"
#include "emulator_process.h"
#include "window_support.h"

namespace evidence {

using Clock = std::chrono::steady_clock;

// Runs the event loop until done() holds (checked every millisecond and after every message
// the window handled) or the time is up; gives done() at the end.
inline bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  if (done()) return true;
  QEventLoop loop;
  QTimer check;
  check.setTimerType(Qt::PreciseTimer);
  QObject::connect(&check, &QTimer::timeout, &loop, [&] {
    if (done()) loop.quit();
  });
  check.start(1);
  QTimer::singleShot(limit, &loop, &QEventLoop::quit);
  loop.exec();
  return done();
}

// Lets the program idle in its event loop; nothing of the waiting code runs meanwhile.
inline void idleFor(std::chrono::milliseconds time) {
  QEventLoop loop;
  QTimer::singleShot(time, &loop, &QEventLoop::quit);
  loop.exec();
}

// User plus system CPU time of the whole process (all threads), in microseconds.
inline long long processCpuMicros() {
  rusage use{};
  getrusage(RUSAGE_SELF, &use);
  const auto micros = [](const timeval& t) { return t.tv_sec * 1000000LL + t.tv_usec; };
  return micros(use.ru_utime) + micros(use.ru_stime);
}

// A "Name: value kB" field of /proc/self/status, in kB; -1 when absent.
inline long statusKb(const std::string& field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(field + ":", 0) == 0) return std::stol(line.substr(field.size() + 1));
  return -1;
}

inline int openDescriptors() {
  return static_cast<int>(QDir(QStringLiteral("/proc/self/fd"))
                              .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System)
                              .size());
}

// A clock with a full week: English, relay following the timer (so a send asks no question).
inline constexpr char kClockConfig[] =
    "language = 2\nrelay = 3\nutc = -5\ndls = 1\ntimeout = 48\n"
    "Mon 1 = 06:30:00 ON\nMon 2 = 08:15:00 OFF\nMon 3 = 17:45:30 ON\nMon 4 = 22:00:00 OFF\n"
    "Tue 1 = 06:30:00 ON\nTue 2 = 22:00:00 OFF\nWed 1 = 07:00:00 ON\nWed 8 = 12:34:56 OFF\n"
    "Thu 5 = 18:00:00 ON\nFri 1 = 06:30:00 ON\nFri 2 = 23:30:00 OFF\nSat 3 = 09:00:00 ON\n"
    "Sun 8 = 23:59:59 OFF\n";

// A read brings 5 settings replies and 56 entry replies; a send 61 acknowledgements.
inline constexpr int kRepliesPerTransfer = 61;

class WindowOnClock {
 public:
  explicit WindowOnClock(std::vector<std::string> emulatorArgs = {},
                         const std::string& clockConfig = kClockConfig)
      : folder_(std::vector<int>{1}) {
    folder_.write(QStringLiteral("clock.cfg"), QByteArray::fromStdString(clockConfig));
    std::vector<std::string> args = {"--config", folder_.file(QStringLiteral("clock.cfg")).toStdString()};
    args.insert(args.end(), emulatorArgs.begin(), emulatorArgs.end());
    clock_ = std::make_unique<EmulatorProcess>(folder_.path().toStdString(), args);
  }
  ~WindowOnClock() {
    form_.reset();  // the port closes before the clock goes
    clock_->stop();
  }

  bool startClock() { return clock_->start(); }

  // The window, on screen (offscreen platform), its start-up tick held back for startUp().
  void createWindow() {
    form_ = std::make_unique<TForm1>(folder_.workingFolder(), folder_.portList());
    form_->setSystemFacts(std::make_unique<NoSystemFacts>());  // never this machine's files
    boxes_ = recordBoxesOf(*form_);
    boxes_->answer = RelayAnswer::No;
    form_->timeoutTimer().stop();
    // Count what reaches the window and when, to end waits at once.
    QObject::connect(form_.get(), &TForm1::messageArrived, [this] {
      ++handled_;
      lastHandled_ = Clock::now();
    });
    form_->show();
  }

  // The start-up step (port scan, port choice, the first read), without the two seconds before it.
  void startUp() { form_->TimeoutTimer(); }

  bool idleAndUsable() const {
    return form_->transfer().idle() && child<QPushButton>("ReadClock")->isEnabled() &&
           child<QPushButton>("SendToClock")->isEnabled() && child<QTabWidget>("Settings")->isEnabled() &&
           child<QProgressBar>("ProgressBar1")->value() == 0;
  }
  // The transfer begun when `handledBefore` messages had been handled has had all its replies.
  bool transferDone(long handledBefore) const {
    return handled_ - handledBefore >= kRepliesPerTransfer && idleAndUsable() &&
           !form_->timeoutTimer().isActive();
  }
  // Runs a read or a send to its last reply; false when it did not end within the time.
  bool read(std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const long before = handled_;
    form_->ReadClockClick();
    return runUntil([&] { return transferDone(before); }, limit);
  }
  bool send(std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const long before = handled_;
    form_->SendToClockClick();
    return runUntil([&] { return transferDone(before); }, limit);
  }

  // The state of the window and the end of the clock's log, for a failure message.
  std::string describe() const {
    std::string log = clock_->log();
    if (log.size() > 1500) log = "..." + log.substr(log.size() - 1500);
    const TClockTransfer& transfer = form_->transfer();
    const std::string state = transfer.idle()      ? "idle"
                              : transfer.reading() ? "reading day " + std::to_string(transfer.day())
                                                   : "sending day " + std::to_string(transfer.day());
    return "transfer " + state + ", messages handled " + std::to_string(handled_) + ", boxes " +
           std::to_string(boxes_->plain.size()) + ", time-out " +
           (form_->timeoutTimer().isActive() ? "running" : "stopped") + "\nclock's log:\n" + log;
  }

  template <class T>
  T* child(const char* name) const {
    return form_->findChild<T*>(QString::fromLatin1(name));
  }

  ScratchFolder& folder() { return folder_; }
  EmulatorProcess& clock() { return *clock_; }
  TForm1& form() { return *form_; }
  RecordingBoxes& boxes() { return *boxes_; }
  long handled() const { return handled_; }
  Clock::time_point lastHandled() const { return lastHandled_; }

 private:
  ScratchFolder folder_;
  std::unique_ptr<EmulatorProcess> clock_;
  std::unique_ptr<TForm1> form_;
  RecordingBoxes* boxes_ = nullptr;
  long handled_ = 0;
  Clock::time_point lastHandled_{};
};

}  // namespace evidence
