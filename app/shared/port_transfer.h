#pragma once
// A read or a send on a port of its own, with a configuration in place of the window's controls:
// TClockTransfer on a TSerial, without a window or a display. The command line runs one at a time;
// several run side by side in one event loop, one per clock.
//
// The received bytes are cut into messages here rather than by the component: each byte is then
// known to have come before or after the last command was written, and the transfer is told so.
// It decides what such a message means (a clock's second "$ok" for one command fails the send).
#include <QString>
#include <QStringList>
#include <bitset>
#include <cstdint>
#include <memory>
#include <functional>
#include <optional>
#include <string>

#include "Serial4.h"
#include "clock_search.h"
#include "clock_session.h"
#include "config_file.h"

class TPortTransfer : private TransferHost {
 public:
  enum class Direction { Read, Send };

  TPortTransfer(Direction direction, TClockConfig config, const TTestTimes& testTimes = {});
  ~TPortTransfer() override;

  // Opens COMn; why, when it cannot be opened.
  TProblem open(int port);
  // Opens a device by its path, as open(int) does.
  TProblem openPath(const std::string& path);
  // Opens a port of the port list: by its COM button when it has one, else by its path. Lines name
  // it as the list shows it ("COM12"), never by the path it opens ("\\.\COM12", a folder's link).
  TProblem open(const TPortEntry& entry);
  // Opens the port `earlier` ran on, named as `earlier` named it: the read that verifies a send.
  TProblem reopen(const TPortTransfer& earlier);
  int port() const { return serial_.Port(); }
  bool reading() const { return direction_ == Direction::Read; }
  // Which port, and the words for what happens to it.
  TClockSession& session() { return session_; }
  // The device path it was opened by; empty when opened by number.
  const std::string& portPath() const { return serial_.PortPath(); }
  // Looks for the clock on every port of `ports` at once, in place of open(): run() then reads
  // through the search, and the read request is the search's. For a read only. Each port it
  // skips, at once or when it is dropped later, is told to the session's listener.
  void search(std::vector<TPortEntry> ports);
  // The search and the ports it skipped, with why.
  const TClockSearch* searching() const { return session_.search(); }
  // The port where the search heard the clock, once it has.
  std::optional<TPortEntry> foundPort() const;
  // How lines name the port: as the port list shows the port opened from it or found by the
  // search ("COM12"), else "COM3" for a number and the path of a device opened by its path.
  QString portName() const;

  // Starts the read or the send; `finished` is called once it has ended and its port is closed,
  // from the event loop (never from within start() or interrupt()).
  void start(std::function<void()> finished);
  // Runs the read or the send to its end in an event loop of its own; false with failure() saying why.
  bool run();
  // Whether it has ended: false once it has ended, with failure() saying why.
  bool succeeded() const { return failure_.isEmpty(); }
  // Told of each step: `done` of `total` messages.
  void setProgress(std::function<void(int done, int total)> progress) { progress_ = std::move(progress); }
  // Ends the run at once (Ctrl+C, SIGTERM, a hang-up) with its report of how far it came. The
  // signals reach the program through the event loop that run() turns; a transfer interrupted
  // before its run asks nothing.
  void interrupt();

  QString failure() const { return failure_; }
  // How it failed on its line; none when it succeeded or was interrupted.
  std::optional<TransferFailure> lineFailure() const { return lineFailure_; }
  // A send's commands as written, each without its line end, in order.
  const std::vector<std::string>& commandsWritten() const { return written_; }
  // Replies whose values the file could hold only clamped, one line each.
  const QStringList& warnings() const { return warnings_; }
  // What a read's failure line ends with: what it leaves undone ("nothing was written" by default).
  void setReadFailureEnding(const QString& ending) { readFailureEnding_ = ending; }
  // Whether it ended because the port gave no answer at all: maybe no clock is behind it.
  bool unanswered() const { return noAnswer_ && session_.transfer().lastAcknowledged().empty(); }
  TClockConfig received() const;

 private:
  TProblem openSelected();

  void finish(const QString& failure);
  // After finish(), from the event loop: the port closes and the host hears of the end.
  void complete();

  // How the transfer ended without success: one of the transfer's failures, or interrupted.
  QString failureText(std::optional<TransferFailure> why) const;
  QString readFailureText(std::optional<TransferFailure> why) const;
  QString sendFailureText(std::optional<TransferFailure> why) const;

  // TransferHost
  int setting(Setting s) const override { return config_.setting(s); }
  void writeSetting(Setting s, int value) override;
  void settingRead(Setting s, int value) override;
  void progressed(int done, int total) override;
  // The read waits for the settle time after its last entry: a reply too many then fails it.
  bool readSettles() const override { return true; }
  void readFinished() override;
  // The last command acknowledged, and no error reply before it.
  void sendFinished() override { finish(QString()); }
  void failed(TransferFailure why, const std::string&) override;

  Direction direction_;
  TClockConfig config_;
  WeekTable table_;
  TSerial serial_;
  QString nameShown_;  // how lines name a port opened from the list or after an earlier transfer; else empty
  TClockSession session_;

  QStringList warnings_;

  std::bitset<TClockConfig::kSettingCount> reported_;
  bool noAnswer_ = false;
  std::optional<TransferFailure> lineFailure_;
  std::vector<std::string> written_;
  bool started_ = false;
  bool finished_ = false;
  bool completed_ = false;
  std::function<void()> onFinished_;
  std::function<void(int, int)> progress_;
  QString failure_;
  QString readFailureEnding_ = QStringLiteral("nothing was written");
};
