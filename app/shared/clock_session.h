#pragma once
// One clock on one port, as every host talks to it: the transfer with its reply timer and its
// line, whichever host (the window, its comparison, the command line) shows what happens.
//
// A session holds no state outside itself, so several can run side by side, each on its own port.
#include <QTimer>
#include <string>

#include "reply_timer.h"
#include "serial_transfer_port.h"
#include "config_file.h"
#include "setting.h"
#include "transfer.h"

class TSerial;

class TClockSession {
 public:
  // `host` holds the settings and hears what the transfer does; `table` holds the week.
  TClockSession(TransferHost& host, WeekTable& table, TSerial* serial = nullptr);
  TClockSession(const TClockSession&) = delete;
  TClockSession& operator=(const TClockSession&) = delete;

  TClockTransfer& transfer() { return transfer_; }
  const TClockTransfer& transfer() const { return transfer_; }
  // The line the transfer writes to: one port, or every port a search still asks.
  TSerialTransferPort& line() { return line_; }
  // A received message, with what the component told of it.
  void deliver(const std::string& message, bool beforeLastWrite, bool damaged) {
    deliverMessage(transfer_, message, beforeLastWrite, damaged);
  }
  // Nothing more is waited for: the reply time stops.
  void stopReplyTime() { timeout_.stop(); }

  // A setting's value as the window's controls hold it: clamped to its range.
  static int clamped(Setting s, int value);

 private:
  QTimer timeout_;
  TReplyTimer replyTimer_{timeout_};
  TSerialTransferPort line_;
  TClockTransfer transfer_;
};
