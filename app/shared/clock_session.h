#pragma once
// One clock on one port, as every host talks to it: the transfer with its reply timer and its
// line, which port that is (the saved one followed to where its adapter moved, else the clock
// looked for on every port), and the words for what happens to the port. The hosts only show
// them: the window in its boxes, tool tips and standard error, the command line in lines.
//
// A session holds no state outside itself, so several can run side by side, each on its own port.
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "clock_search.h"
#include "config_file.h"
#include "port_list.h"
#include "port_settings_file.h"
#include "program_environment.h"
#include "problem.h"
#include "reply_timer.h"
#include "serial_transfer_port.h"
#include "setting.h"
#include "transfer.h"

class TSerial;

// What a session tells its host of the ports, each event with the words every host shows for it.
class TSessionListener {
 public:
  virtual ~TSessionListener() = default;
  // A port the search could not ask, and why: "COM3: in use by PID 4711".
  virtual void portSkipped(const TPortEntry& /*port*/, const QString& /*reason*/, const QString& /*text*/) {}
  // The saved port's adapter goes by another name now, and is used there.
  virtual void adapterMoved(const QString& /*text*/) {}
  // The saved port is not to be had (it does not open, or stays silent): the clock is looked for
  // on every port.
  virtual void searchingEveryPort(const QString& /*text*/) {}
  // The search heard the clock on `port`.
  virtual void clockFoundOn(const TPortEntry& /*port*/, const QString& /*text*/) {}
};

class TClockSession {
 public:
  // A test's time (TTestTimes) is taken from kShortestTestTimeMs up to the designed time; any
  // other value leaves the designed one.
  static constexpr int kShortestTestTimeMs = 100;

  // `host` holds the settings and hears what the transfer does; `table` holds the week.
  TClockSession(TransferHost& host, WeekTable& table, TSerial* serial = nullptr, const TTestTimes& testTimes = {});
  TClockSession(const TClockSession&) = delete;
  TClockSession& operator=(const TClockSession&) = delete;

  TClockTransfer& transfer() { return transfer_; }
  const TClockTransfer& transfer() const { return transfer_; }
  // The line the transfer writes to: one port, or every port a search still asks.
  TSerialTransferPort& line() { return line_; }
  // The reply timer's QTimer (the window's Timeout): it drives the transfer by itself.
  QTimer& timer() { return timeout_; }
  // A received message, with what the component told of it.
  void deliver(const std::string& message, bool beforeLastWrite, bool damaged) {
    deliverMessage(transfer_, message, beforeLastWrite, damaged);
  }
  // Nothing more is waited for: the reply time stops.
  void stopReplyTime() { timeout_.stop(); }

  // Who hears of the ports; none: nobody.
  void setListener(TSessionListener* listener) { listener_ = listener != nullptr ? listener : &nobody_; }

  // Opens the port kelvox.ini saved with the host's `open`, as it is in `ports` today: followed to
  // where its adapter moved (told), else as it was saved. False when it does not open (told): the
  // host then looks on every port.
  using PortOpener = std::function<TProblem(const TPortEntry&)>;
  bool openSavedPort(const TSavedPort& saved, const std::vector<TPortEntry>& ports, const PortOpener& open);
  // The saved port gave no word at all (`failure` says how the read ended): told, and the host
  // looks on every port.
  void savedPortSilent(const QString& failure);
  // The search could not ask `port`, for `reason`.
  void portSkipped(const TPortEntry& port, const QString& reason);
  // The search heard the clock on `port`.
  void clockFoundOn(const TPortEntry& port);

  // Looks for the clock on every port of `ports` at once: the transfer's next requests go to
  // each port that opened, and each port skipped, at once or when dropped later, is told.
  void startSearch(std::vector<TPortEntry> ports, TClockSearch::Found found, TClockSearch::Forward forward);
  // The running search; none before one starts and after it ended.
  TClockSearch* search() { return search_.get(); }
  const TClockSearch* search() const { return search_.get(); }
  // Ends the search: its ports close and the line goes to `serial` (none: nowhere). It may be
  // ending from within its own handlers: it goes once they are through.
  void endSearch(TSerial* serial);
  // Ends it at once, where no handler of it can be running (the host goes).
  void dropSearch() {
    line_.attach(nullptr);
    search_.reset();
  }

  // A setting's value as the window's controls hold it: clamped to its range.
  static int clamped(Setting s, int value);

 private:
  TPortEntry savedEntry(const TSavedPort& saved, const std::vector<TPortEntry>& ports);

  QTimer timeout_;
  TReplyTimer replyTimer_{timeout_};
  TSerialTransferPort line_;
  TClockTransfer transfer_;
  std::unique_ptr<TClockSearch> search_;
  TSessionListener nobody_;
  TSessionListener* listener_ = &nobody_;
};
