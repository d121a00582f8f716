#pragma once
// The read and send sequences between the program and the clock, driven by the clock's replies
// and by a reply timer.
//
// TClockTransfer holds the state machine (its step and entry index), the reply timer's use and
// the texts on the wire. It talks to the clock through a TransferPort, counts the reply time
// with a TransferTimer, and tells a TransferHost what happened in the program's own terms; the
// host decides how to show it (the window in its widgets, the command line in lines and an exit
// status).
#include <cstdint>
#include <optional>
#include <string>

#include "clock_line.h"
#include "setting.h"
#include "week_table.h"

enum class RelayAnswer { Yes, No, Cancel };

// Why a transfer ended without what it waited for.
enum class TransferFailure {
  NoAnswer,    // the reply time ran out
  ErrorReply,  // the clock answered with its error reply
  ExtraReply,  // a reply beyond the count: one while none was awaited, or one older than the
               // message it would answer (a second "$ok" for one command, a ninth entry of a day,
               // a setting answered twice in one read)
  LineError,   // characters arrived damaged (parity or framing error, a break)
};

// The line to the clock, as the transfer uses it.
class TransferPort {
 public:
  virtual ~TransferPort() = default;
  virtual void sendString(const std::string& text) = 0;
  virtual void sendChar(char c) = 0;
  // Ends the port's outstanding read operations. Bytes already received are kept: they may hold
  // the clock's error reply or a second answer, which the transfer must see.
  virtual void abortRx() = 0;
  virtual void abortTx() = 0;  // ends the port's outstanding write operations
  // The character received messages start with: "$", or "=" while the week is read.
  virtual void setMessageStartChar(char c) = 0;
  // A second character that also starts a message, or none: "$" while the week is read, so that
  // the clock's error reply (which holds no "=") still arrives.
  virtual void setSecondStartChar(std::optional<char> /*c*/) {}
};

// The reply timer; the host calls TClockTransfer::TimeoutTimer when it fires.
class TransferTimer {
 public:
  virtual ~TransferTimer() = default;
  virtual void start(int ms) = 0;  // a stopped timer begins a full interval; a running one is left alone
  virtual void stop() = 0;
  virtual bool active() const = 0;
};

// Where the configuration lives, and what the transfer tells of its course. The events have
// defaults (nothing shown, a reply's value written as it is, no question asked): a host overrides
// what it shows.
class TransferHost {
 public:
  virtual ~TransferHost() = default;

  // The five settings as the host holds them (the index of a radio group for Language and
  // RelayMode). Writing clamps the value to the setting's range, as the window's controls do.
  virtual int setting(Setting s) const = 0;
  virtual void writeSetting(Setting s, int value) = 0;

  // The start-up tick: the configuration is reset, which may start a read (the window's SetDefaults).
  virtual void startUp() {}
  // Before the first message of a read or a send is written.
  virtual void readStarted() {}
  virtual void sendStarted() {}
  // Whether the switch times were edited since they were last read or sent. A host that holds
  // no editor (a file sent as it stands, a comparison) never asks the relay question.
  virtual bool timesEdited() const { return false; }
  // The switch times were edited and the relay does not follow them: whether to set it to timer
  // mode first. Cancel sends nothing. A host that cannot ask sends the relay mode as it stands.
  virtual RelayAnswer askRelayQuestion() { return RelayAnswer::No; }
  // A settings reply (also one that comes while idle), its value as the clock sent it: the host
  // writes it into its setting.
  virtual void settingRead(Setting s, int value) { writeSetting(s, value); }
  // A week entry reply, stored in the week table as entry `entry` of day index `day`.
  virtual void entryRead(int /*day*/, int /*entry*/) {}
  // One more step: `done` of `total` entry replies of a read, or commands written of a send.
  virtual void progressed(int /*done*/, int /*total*/) {}
  // Whether a read waits for the settle time after its last entry before it ends (see
  // readFinished). A host that says yes treats the read as running until readFinished: its
  // buttons, progress bar and pages follow readFinished, not the last entry. Without it a read
  // ends at its last entry, and a reply beyond the count that follows goes unseen.
  virtual bool readSettles() const { return false; }
  // The last entry of Sunday has come (and, when the read settles, the line stayed quiet for the
  // settle time after it): the week table holds the clock's week.
  virtual void readFinished() {}
  // The clock acknowledged the last command of a send and the line stayed quiet for the settle
  // time after it. (The transfer is idle from the moment that command is written; its
  // acknowledgement comes while idle.)
  virtual void sendFinished() {}
  // The transfer ends without its answer. `lastAcknowledged` is the message of this transfer the
  // clock answered last, without its line end; empty when it answered none. Called before the
  // transfer is back to idle: what the clock says meanwhile changes nothing (see ending()).
  virtual void failed(TransferFailure /*why*/, const std::string& /*lastAcknowledged*/) {}
};

// Before a send: where the switch times were edited and the relay does not follow them, the host
// is asked whether to put the relay into timer mode first (Yes writes that mode). False when the
// owner cancelled: nothing is to be sent.
bool settleRelayModeBeforeSend(TransferHost& host);

class TClockTransfer {
 public:
  static constexpr int kFirstTickMs = 2000;  // from the window's creation to the start-up tick
  static constexpr int kReplyTimeoutMs = clockline::kReplyTimeoutMs;
  static constexpr int kSendCommands = 5 + WeekTable::kDays * WeekTable::kEntries;  // 61
  static constexpr int kReadEntries = WeekTable::kDays * WeekTable::kEntries;       // 56
  // How long the line must stay quiet after the last reply of a read or a send before it counts
  // as a success. A clock that answers one message twice sends the second answer a few ms after
  // the first (one reply is 2.3 ms on the wire at 19200 baud); a clock the program ran one
  // message ahead of sends its real last answer one reply later. A USB adapter holds received
  // bytes up to its latency timer (16 ms by default on FTDI) and may split two replies across
  // two such periods, and the host's scheduler adds its own delay: 100 ms covers a second
  // answer 20 ms late with both delays twice over, and costs the user nothing noticeable.
  static constexpr int kSettleMs = 100;

  TClockTransfer(TransferPort& port, TransferTimer& timer, TransferHost& host, WeekTable& table);

  // The window at its creation: the timer runs to the start-up tick, the first TimeoutTimer.
  void beginStartUp();
  void ReadClockClick();
  void SendToClockClick();
  // A received message. `beforeLastWrite`: the host knows that all its bytes had arrived before
  // the program's last write, so it cannot answer that write; a host that cannot tell passes false.
  void Serial1Message(const std::string& message, bool beforeLastWrite = false);
  // The timer fired: the start-up tick, the end of the settle time, else no answer in time.
  void TimeoutTimer();
  // The port received damaged characters: a running transfer cannot trust what it reads.
  void lineDamaged();
  // The reply time-out, kReplyTimeoutMs unless a host (a test that needs only that a time-out
  // happened) sets a shorter one.
  void setReplyTimeoutMs(int ms) { replyTimeoutMs_ = ms; }
  // The time to the start-up tick, kFirstTickMs unless a host (a test that needs no wait before
  // the start-up) sets a shorter one before beginStartUp().
  void setFirstTickMs(int ms) { firstTickMs_ = ms; }
  // A port was applied: nothing is waited for on the one before.
  void portChanged() {
    timer_.stop();
    settle_ = Settle::None;
  }

  // Where the transfer stands.
  // A send is over once its last command is written, a read once readFinished comes.
  bool idle() const { return step_ == kIdle && settle_ != Settle::Read; }
  bool sending() const { return step_ >= kSendLanguage && step_ <= kSendLastDay; }
  bool reading() const { return (step_ >= kReadSettings && step_ < kReadDone) || settle_ == Settle::Read; }
  bool startUpDone() const { return !startUpPending_; }
  // After the last reply of a read or a send: success once the settle time passes quietly.
  bool settling() const { return settle_ != Settle::None; }
  // The day index (0 Monday .. 6 Sunday) whose entries are being read or sent; -1 before the week.
  int day() const;
  std::uint8_t EntryIndex() const { return entry_; }
  // True while the host handles failed(): what the clock says meanwhile belongs to the transfer
  // that has just ended and must change nothing.
  bool ending() const { return ending_; }
  // How many messages of the running or last transfer the clock answered (for a send: the
  // commands it acknowledged), the last of them, and the one written last, without line ends.
  int acknowledgedCount() const { return acknowledgedCount_; }
  const std::string& lastAcknowledged() const { return lastAcknowledged_; }
  const std::string& lastWritten() const { return lastWritten_; }

 private:
  // Transfer steps, as the state machine numbers them.
  static constexpr std::uint8_t kIdle = 0;
  static constexpr std::uint8_t kSendLanguage = 1;  // 1..4: a settings command waits for its acknowledgement
  static constexpr std::uint8_t kSendFirstDay = 5;  // 5..11: the entries of day index step - 5 are sent
  static constexpr std::uint8_t kSendLastDay = 11;
  static constexpr std::uint8_t kReadSettings = 100;
  static constexpr std::uint8_t kReadFirstDay = 101;  // 101..107: entry replies of day index step - 101
  static constexpr std::uint8_t kReadDone = 108;

  enum class Settle { None, Read, Send };

  // Whether the message is what the current step waits for: only such a message touches the
  // reply time-out.
  bool answersCurrentPhase(const std::string& message) const;
  // Whether the message is any of the clock's replies (an acknowledgement, a settings or an entry reply).
  static bool isReply(const std::string& message);
  // Whether the transfer counts the clock's answers now: a send (with its last acknowledgement)
  // or the week read. The settings phase takes whatever settings replies come.
  bool countsAnswers() const;
  void beginSettle(Settle kind);
  void endSettle();
  void endRead();
  void handleEntryReply(const std::string& message);
  void handleSettingsReply(const std::string& message);
  void handleAcknowledgement(const std::string& message);
  void handleLastAcknowledgement(const std::string& message);
  void sendNextOfSend();
  void startUpTick();
  void fail(TransferFailure why);
  void setStartChar(char c);
  void startReplyTime();
  void send(const std::string& text);  // a message of the transfer, remembered until answered
  void answered();
  void forgetAnswers();

  TransferPort& port_;
  TransferTimer& timer_;
  TransferHost& host_;
  WeekTable& table_;
  std::uint8_t step_ = kIdle;
  std::uint8_t entry_ = 0;
  char startChar_ = '$';  // the port's start character, as this transfer last set it
  std::optional<char> secondStartChar_;
  Settle settle_ = Settle::None;
  bool startUpPending_ = false;
  bool lastCommandPending_ = false;  // idle after a send whose last command waits for its acknowledgement
  bool ending_ = false;
  int replyTimeoutMs_ = kReplyTimeoutMs;
  int firstTickMs_ = kFirstTickMs;
  // The settings the running read has had a reply for, one bit each: a second reply for one of
  // them is a reply too many. So a line that keeps talking cannot hold the settings phase open
  // for longer than one reply time per setting.
  unsigned settingsAnswered_ = 0;
  int acknowledgedCount_ = 0;
  std::string lastWritten_;
  std::string lastAcknowledged_;
};
