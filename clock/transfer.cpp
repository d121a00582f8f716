#include "transfer.h"

#include <array>

#include "messages.h"

namespace {

// Transfer steps.
constexpr std::uint8_t kIdle = 0;
constexpr std::uint8_t kSendLanguage = 1;  // 1..4: a settings command waits for its acknowledgement
constexpr std::uint8_t kSendFirstDay = 5;  // 5..11: the entries of day index step - 5 are sent
constexpr std::uint8_t kSendLastDay = 11;
constexpr std::uint8_t kReadSettings = 100;
constexpr std::uint8_t kReadFirstDay = 101;  // 101..107: entry replies of day index step - 101
constexpr std::uint8_t kReadDone = 108;

// The settings commands that follow the language command, by the step whose acknowledgement sends them.
constexpr std::array kSettingsAfterLanguage{Setting::RelayMode, Setting::UtcOffset, Setting::DaylightSaving,
                                            Setting::ValidTimeout};

constexpr int kRelayTimer = 3;  // relay mode in which the relay follows the switch times

}  // namespace

TClockTransfer::TClockTransfer(TransferHost& host, WeekTable& table, const bool& timerEdited)
    : host_(host), table_(table), timerEdited_(timerEdited) {}

void TClockTransfer::ReadClockClick() {
  host_.setButtonsEnabled(false);
  step_ = kReadSettings;
  setStartChar('$');
  entry_ = 0;
  lastAcknowledged_.clear();
  send(readRequest());
  host_.startTimeout();
}

void TClockTransfer::SendToClockClick() {
  if (host_.setting(Setting::RelayMode) != kRelayTimer && timerEdited_) {
    switch (host_.askRelayQuestion()) {
      case RelayAnswer::Cancel:
        return;
      case RelayAnswer::Yes:
        host_.writeSetting(Setting::RelayMode, kRelayTimer);
        break;
      case RelayAnswer::No:
        break;
    }
  }
  host_.setProgressPosition(0);
  host_.setButtonsEnabled(false);
  step_ = kSendLanguage;
  host_.abortTx();
  lastAcknowledged_.clear();
  send(settingCommand(Setting::Language, host_.setting(Setting::Language)));
  host_.stepProgress();
  host_.startTimeout();
}

void TClockTransfer::Serial1Message(const std::string& message) {
  // A message is read only under the start character it was framed with: one held back or late
  // from the week read (framed with "=") is no settings reply once the start character is "$".
  if (message.empty() || message.front() != startChar_) return;
  // The error reply ends the transfer; the message is then handled as one arriving while idle.
  if (isErrorReply(message)) noAnswer();
  // The reply time runs from the program's own send. A line that answers nothing awaited (a GPS
  // receiver or a modem on the port) neither stops nor restarts it, so such a device ends in
  // the no-answer message as a silent one does.
  const bool answer = answersCurrentPhase(message);
  if (answer) host_.stopTimeout();
  host_.abortTx();
  if (step_ >= kReadFirstDay && step_ < kReadDone) {
    handleEntryReply(message);
  } else if (step_ == kIdle || step_ == kReadSettings) {
    handleSettingsReply(message);
  } else if (step_ >= kSendLanguage && step_ <= kSendLastDay) {
    handleAcknowledgement(message);
  }
  if (step_ == kIdle) {
    host_.setButtonsEnabled(true);
    host_.setProgressPosition(0);
  } else if (answer && !host_.timeoutActive()) {
    // Every wait of a running transfer is bounded, also for the replies the clock sends unasked
    // (further settings and entry replies).
    host_.startTimeout();
  }
}

bool TClockTransfer::answersCurrentPhase(const std::string& message) const {
  if (step_ >= kReadFirstDay && step_ < kReadDone) return true;  // framed from "=": an entry reply
  if (step_ == kReadSettings) return replySetting(message).has_value();
  // A send, or idle after one, waits for an acknowledgement (of its last entry, when idle).
  return isAcknowledgement(message);
}

void TClockTransfer::handleEntryReply(const std::string& message) {
  answered();
  const int day = step_ - kReadFirstDay;
  table_.at(day, entry_) = entryFromReply(message, day, entry_);
  if (++entry_ == WeekTable::kEntries) {
    ++step_;
    entry_ = 0;
    if (step_ < kReadDone) {
      send(dayRequest(step_ - kReadFirstDay));
      host_.startTimeout();
    }
  }
  if (step_ == kReadDone) {
    step_ = kIdle;
    entry_ = 0;
    setStartChar('$');
    host_.dayLoad();
    host_.setButtonsEnabled(true);
    host_.setSettingsEnabled(true);
    host_.stopTimeout();
  }
  host_.stepProgress();
  host_.setClockFound("OK");
}

void TClockTransfer::handleSettingsReply(const std::string& message) {
  if (const auto reply = decodeSettingReply(message)) {
    if (step_ == kReadSettings) answered();
    host_.writeSetting(reply->setting, reply->value);
  }
  // The relay mode reply is the last of the settings: the week follows, day by day.
  if (step_ == kReadSettings && replySetting(message) == Setting::RelayMode) {
    step_ = kReadFirstDay;
    setStartChar('=');
    entry_ = 0;
    send(dayRequest(0));
    host_.startTimeout();
  }
}

void TClockTransfer::handleAcknowledgement(const std::string& message) {
  if (!isAcknowledgement(message)) return;
  answered();
  host_.abortRx();
  host_.stepProgress();
  sendNextOfSend();
  host_.startTimeout();
}

void TClockTransfer::sendNextOfSend() {
  if (step_ < kSendFirstDay) {
    const Setting setting = kSettingsAfterLanguage[step_ - kSendLanguage];
    send(settingCommand(setting, host_.setting(setting)));
    if (++step_ == kSendFirstDay) entry_ = 0;
    return;
  }
  send(switchTimeCommand(table_.at(step_ - kSendFirstDay, entry_)));
  if (++entry_ == WeekTable::kEntries) {
    entry_ = 0;
    step_ = step_ == kSendLastDay ? kIdle : step_ + 1;
  }
}

void TClockTransfer::TimeoutTimer() {
  if (host_.timeoutInterval() != kFirstTickMs) {
    noAnswer();
    return;
  }
  // Start-up: the configuration is reset (which asks the clock on the selected port), and the
  // clock then has the reply time to answer.
  host_.setDefaults();
  host_.abortRx();
  host_.abortTx();
  setStartChar('$');
  host_.sendString(bareCr());
  step_ = kReadSettings;
  host_.setTimeoutInterval(kReplyTimeoutMs);
}

void TClockTransfer::noAnswer() {
  host_.abortRx();
  host_.abortTx();
  setStartChar('$');
  host_.stopTimeout();
  ending_ = true;
  host_.showNoAnswer();
  ending_ = false;
  step_ = kIdle;
  host_.sendChar(kCR);
  host_.setProgressPosition(0);
  host_.setSettingsEnabled(true);
  host_.setButtonsEnabled(true);
  host_.setClockFound("----");
}

void TClockTransfer::setStartChar(char c) {
  startChar_ = c;
  host_.setMessageStartChar(c);
}

void TClockTransfer::send(const std::string& text) {
  host_.sendString(text);
  lastSent_ = text.substr(0, text.find_first_of("\r\n"));
}
