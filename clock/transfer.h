#pragma once
// The read and send sequences between the window and the clock, driven by the clock's replies
// and by the window's Timeout timer.
#include <cstdint>
#include <string>

#include "clock_line.h"
#include "setting.h"
#include "week_table.h"

enum class RelayAnswer { Yes, No, Cancel };

// What the transfer needs of the main window.
class TransferHost {
 public:
  virtual ~TransferHost() = default;
  virtual void sendString(const std::string& text) = 0;  // Serial1.SendString
  virtual void sendChar(char c) = 0;                     // Serial1.SendChar
  virtual void abortRx() = 0;
  virtual void abortTx() = 0;
  virtual void setMessageStartChar(char c) = 0;
  virtual void startTimeout() = 0;  // enable the window's Timeout timer; a running one is left alone
  virtual void stopTimeout() = 0;
  virtual bool timeoutActive() const = 0;
  virtual int timeoutInterval() const = 0;
  virtual void setTimeoutInterval(int ms) = 0;  // keeps the timer running if it runs
  virtual int setting(
      Setting s) const = 0;  // value shown by the control (radio group index for Language/RelayMode)
  virtual void writeSetting(Setting s, int value) = 0;  // control clamps and runs its change handling
  virtual void setProgressPosition(int position) = 0;
  virtual void stepProgress() = 0;
  virtual void setClockFound(const std::string& text) = 0;
  virtual void setButtonsEnabled(bool enabled) = 0;   // ReadClock and SendToClock
  virtual void setSettingsEnabled(bool enabled) = 0;  // the Settings page control
  virtual void showNoAnswer() = 0;                    // modal box, text of the current language
  virtual RelayAnswer askRelayQuestion() = 0;         // modal Yes/No/Cancel at screen (200, 200)
  virtual void setDefaults() = 0;                     // TForm1::SetDefaults
  virtual void dayLoad() = 0;                         // the Timer page's WeekdaysTabChange
};

class TClockTransfer {
 public:
  static constexpr int kFirstTickMs = 2000;     // design interval of Timeout: the start-up tick
  static constexpr int kReplyTimeoutMs = clockline::kReplyTimeoutMs;

  TClockTransfer(TransferHost& host, WeekTable& table, const bool& timerEdited);

  void ReadClockClick();
  void SendToClockClick();
  void Serial1Message(const std::string& message);
  void TimeoutTimer();

  std::uint8_t TransferStep() const { return step_; }
  void setTransferStep(std::uint8_t step) { step_ = step; }  // SetDefaults sets 100
  std::uint8_t EntryIndex() const { return entry_; }
  // True while the no-answer box of a transfer that has just ended is open: what the clock says
  // meanwhile belongs to that transfer and must change nothing.
  bool ending() const { return ending_; }
  // The command (or request) of the running transfer that the clock last answered, without its
  // line end; empty when it has answered none.
  const std::string& lastAcknowledged() const { return lastAcknowledged_; }

 private:
  // Whether the message is what the current step waits for: only such a message touches the
  // reply time-out.
  bool answersCurrentPhase(const std::string& message) const;
  void handleEntryReply(const std::string& message);
  void handleSettingsReply(const std::string& message);
  void handleAcknowledgement(const std::string& message);
  void sendNextOfSend();
  void noAnswer();
  void setStartChar(char c);
  void send(const std::string& text);  // a message of the transfer, remembered until answered
  void answered() { lastAcknowledged_ = lastSent_; }

  TransferHost& host_;
  WeekTable& table_;
  const bool& timerEdited_;
  std::uint8_t step_ = 0;
  std::uint8_t entry_ = 0;
  char startChar_ = '$';  // Serial1's MessageStartChar, as this transfer last set it
  bool ending_ = false;
  std::string lastSent_;
  std::string lastAcknowledged_;
};
