#pragma once
// One clock of many, on a port of its own: the clock looked for on that port alone (a port where no
// clock has answered hears only the read request and its CRs, never a setting), then, once it has
// answered, a file sent to it and read back, or compared with what it holds, or written with what
// it holds. Jobs run side by side in one event loop; one clock's trouble ends its own job only.
#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "config_compare.h"
#include "config_file.h"
#include "port_list.h"
#include "port_transfer.h"

// How one port's job ended.
struct TClockOutcome {
  enum class Result { Pending, Verified, Differs, Read, Failed, NotAClock, Skipped };
  Result result = Result::Pending;
  QString reason;           // why it failed, was skipped or is no clock
  QStringList differences;  // what the clock holds other than the file, one line each
  std::vector<ConfigDifference> valueDifferences;  // the same values as data, without the clamped ones
  int attempts = 0;         // runs of the transfer that decides: the send, else the read
  QDateTime started;
  double seconds = 0;
  QByteArray commandsSha256;  // hex; of the commands sent, each ending in CR; empty when none were sent
};

// "verified", "differs", "read", "failed", "not a clock", "skipped".
QString resultName(TClockOutcome::Result result);
// The SHA-256 (hex) of a send's commands as written on the line, each with its CR; empty when none was.
QByteArray commandsHash(const std::vector<std::string>& commands);

class TClockJob {
 public:
  enum class Task { Send, Compare, Read };
  enum class Stage { Waiting, Looking, Sending, ReadingBack, Done };
  struct Request {
    Task task = Task::Send;
    TClockConfig file;      // what is sent or compared with
    QString fileShown;      // how lines name the file
    QString readInto;       // Task::Read: the file the clock is written into
    int retries = 0;        // further runs of a transfer that failed on its line
    TTestTimes testTimes;
  };

  TClockJob(TPortEntry port, Request request);
  TClockJob(const TClockJob&) = delete;
  TClockJob& operator=(const TClockJob&) = delete;

  // Starts the job; `ended` is called from the event loop once it has ended and its port is closed.
  void start(std::function<void()> ended);
  // Ends it at once, with how far it came.
  void interrupt();
  // Told at each stage and step: `done` of `total` messages of that stage.
  void setProgress(std::function<void(Stage, int done, int total)> progress) { progress_ = std::move(progress); }

  const TPortEntry& port() const { return port_; }
  Stage stage() const { return stage_; }
  const TClockOutcome& outcome() const { return outcome_; }
  // Whether a clock answered on the port.
  bool answered() const { return answered_; }
  // Task::Read: the file the clock is written into.
  const QString& readInto() const { return request_.readInto; }
  // The port in one line, with what its adapter says of itself: "COM3 (FTDI A50285BI)".
  QString shownPort() const;

 private:
  void look();
  void looked();
  void send();
  void sent();
  void readBack();
  void readBackEnded();
  void compare(const TPortTransfer& read, TClockOutcome::Result agree);
  void writeRead(const TPortTransfer& read);
  // Whether the failed transfer is run again: it failed on its line, and of its `runs` some are left.
  bool retry(const TPortTransfer& failed, int runs) const;
  void end(TClockOutcome::Result result, const QString& reason = QString());
  void run(Stage stage, std::unique_ptr<TPortTransfer> transfer, void (TClockJob::*next)());

  TPortEntry port_;
  Request request_;
  Stage stage_ = Stage::Waiting;
  std::unique_ptr<TPortTransfer> transfer_;
  std::unique_ptr<TPortTransfer> finished_;  // the transfer that ended, kept until the next one runs
  std::function<void()> ended_;
  std::function<void(Stage, int, int)> progress_;
  TClockOutcome outcome_;
  bool interrupted_ = false;
  bool answered_ = false;
  int readBacks_ = 0;
  QElapsedTimer elapsed_;
  QObject context_;  // the end is told from the event loop, never after the job has gone
};
