#include "transfer.h"

#include <array>

#include "messages.h"

namespace {

// The settings commands that follow the language command, by the step whose acknowledgement sends them.
constexpr std::array kSettingsAfterLanguage{Setting::RelayMode, Setting::UtcOffset, Setting::DaylightSaving,
                                            Setting::ValidTimeout};

constexpr int kRelayTimer = 3;  // relay mode in which the relay follows the switch times

// A message as written, without the CR LF or CR that ends it.
std::string withoutLineEnd(const std::string& text) {
  if (text.ends_with("\r\n")) return text.substr(0, text.size() - 2);
  if (text.ends_with('\r')) return text.substr(0, text.size() - 1);
  return text;
}

}  // namespace

TClockTransfer::TClockTransfer(TransferPort& port, TransferTimer& timer, TransferHost& host, WeekTable& table)
    : port_(port), timer_(timer), host_(host), table_(table) {}

void TClockTransfer::beginStartUp() {
  startUpPending_ = true;
  timer_.start(firstTickMs_);
}

int TClockTransfer::day() const {
  if (step_ >= kSendFirstDay && step_ <= kSendLastDay) return step_ - kSendFirstDay;
  if (step_ >= kReadFirstDay && step_ < kReadDone) return step_ - kReadFirstDay;
  return -1;
}

void TClockTransfer::ReadClockClick() {
  host_.readStarted();
  step_ = kReadSettings;
  setStartChar('$');
  entry_ = 0;
  forgetAnswers();
  send(readRequest());
  startReplyTime();
}

bool settleRelayModeBeforeSend(TransferHost& host) {
  if (host.setting(Setting::RelayMode) == kRelayTimer || !host.timesEdited()) return true;
  switch (host.askRelayQuestion()) {
    case RelayAnswer::Cancel:
      return false;
    case RelayAnswer::Yes:
      host.writeSetting(Setting::RelayMode, kRelayTimer);
      break;
    case RelayAnswer::No:
      break;
  }
  return true;
}

void TClockTransfer::SendToClockClick() {
  if (!settleRelayModeBeforeSend(host_)) return;
  host_.sendStarted();
  step_ = kSendLanguage;
  port_.abortTx();
  forgetAnswers();
  send(settingCommand(Setting::Language, host_.setting(Setting::Language)));
  host_.progressed(1, kSendCommands);
  startReplyTime();
}

void TClockTransfer::Serial1Message(const std::string& message, bool beforeLastWrite) {
  // A message is read only under the start characters it was framed with: one held back or late
  // from the week read (framed with "=") is no settings reply once the start character is "$".
  if (message.empty() || (message.front() != startChar_ && message.front() != secondStartChar_)) return;
  // One answer per message written: a reply older than the last write cannot answer it. (Before
  // the first answer of a transfer it is older than the transfer and answers nothing of it.)
  if (beforeLastWrite && countsAnswers() && answersCurrentPhase(message)) {
    if (acknowledgedCount_ > 0) fail(TransferFailure::ExtraReply);
    return;
  }
  // The error reply ends the transfer; the message is then handled as one arriving while idle.
  if (isErrorReply(message)) fail(TransferFailure::ErrorReply);
  // After the last reply nothing more is awaited: whatever the clock still answers was not paired
  // with a message of the program, so the transfer ran out of step with the clock.
  if (settling()) {
    if (isReply(message)) fail(TransferFailure::ExtraReply);
    return;
  }
  // The reply time runs from the program's own send. A line that answers nothing awaited (a GPS
  // receiver or a modem on the port) neither stops nor restarts it, so such a device ends in
  // the no-answer message as a silent one does.
  const bool answer = answersCurrentPhase(message);
  if (answer) timer_.stop();
  port_.abortTx();
  if (step_ >= kReadFirstDay && step_ < kReadDone) {
    if (answer) handleEntryReply(message);
  } else if (step_ == kIdle || step_ == kReadSettings) {
    handleLastAcknowledgement(message);
    handleSettingsReply(message);
  } else if (sending()) {
    handleAcknowledgement(message);
  }
  // Every wait of a running transfer is bounded, also for the replies the clock sends unasked
  // (further settings and entry replies).
  if (!idle() && answer && !timer_.active()) startReplyTime();
}

void TClockTransfer::lineDamaged() {
  if (!idle() || settling() || lastCommandPending_) fail(TransferFailure::LineError);
}

bool TClockTransfer::isReply(const std::string& message) {
  return message.front() == '=' || isAcknowledgement(message) || replySetting(message).has_value();
}

bool TClockTransfer::countsAnswers() const {
  return sending() || lastCommandPending_ || (step_ >= kReadFirstDay && step_ < kReadDone);
}

void TClockTransfer::beginSettle(Settle kind) {
  settle_ = kind;
  timer_.stop();
  timer_.start(kSettleMs);
}

void TClockTransfer::endSettle() {
  const Settle kind = settle_;
  settle_ = Settle::None;
  timer_.stop();
  if (kind == Settle::Read) {
    endRead();
  } else {
    host_.sendFinished();
  }
}

bool TClockTransfer::answersCurrentPhase(const std::string& message) const {
  if (step_ >= kReadFirstDay && step_ < kReadDone) return message.front() == '=';  // an entry reply
  if (step_ == kReadSettings) return replySetting(message).has_value();
  // A send, or idle after one, waits for an acknowledgement (of its last entry, when idle).
  return isAcknowledgement(message);
}

void TClockTransfer::handleEntryReply(const std::string& message) {
  answered();
  const int day = step_ - kReadFirstDay;
  const int entry = entry_;
  table_.at(day, entry) = entryFromReply(message, day, entry);
  if (++entry_ == WeekTable::kEntries) {
    ++step_;
    entry_ = 0;
    if (step_ < kReadDone) {
      send(dayRequest(step_ - kReadFirstDay));
      startReplyTime();
    }
  }
  const bool weekDone = step_ == kReadDone;
  if (weekDone) {
    step_ = kIdle;
    entry_ = 0;
    // Settling, the start characters stay: a further entry reply or an error reply must still arrive.
    if (host_.readSettles())
      beginSettle(Settle::Read);
    else
      timer_.stop();
  }
  host_.entryRead(day, entry);
  host_.progressed(day * WeekTable::kEntries + entry + 1, kReadEntries);
  if (weekDone && !settling()) endRead();
}

void TClockTransfer::handleSettingsReply(const std::string& message) {
  if (const auto reply = decodeSettingReply(message)) {
    if (step_ == kReadSettings) {
      const unsigned bit = 1u << static_cast<unsigned>(reply->setting);
      if (settingsAnswered_ & bit) return fail(TransferFailure::ExtraReply);
      settingsAnswered_ |= bit;
      answered();
    }
    host_.settingRead(reply->setting, reply->value);
  }
  // The relay mode reply is the last of the settings: the week follows, day by day.
  if (step_ == kReadSettings && replySetting(message) == Setting::RelayMode) {
    step_ = kReadFirstDay;
    setStartChar('=');
    entry_ = 0;
    send(dayRequest(0));
    startReplyTime();
  }
}

void TClockTransfer::handleAcknowledgement(const std::string& message) {
  if (!isAcknowledgement(message)) return;
  answered();
  port_.abortRx();
  sendNextOfSend();
  host_.progressed(acknowledgedCount_ + 1, kSendCommands);
  startReplyTime();
}

void TClockTransfer::handleLastAcknowledgement(const std::string& message) {
  if (!lastCommandPending_ || !isAcknowledgement(message)) return;
  lastCommandPending_ = false;
  answered();
  beginSettle(Settle::Send);
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
    // The send ends as soon as its last command is written; that command's acknowledgement
    // comes while idle.
    if (step_ == kSendLastDay) lastCommandPending_ = true;
    step_ = step_ == kSendLastDay ? kIdle : step_ + 1;
  }
}

void TClockTransfer::endRead() {
  setStartChar('$');
  host_.readFinished();
}

void TClockTransfer::TimeoutTimer() {
  if (startUpPending_)
    startUpTick();
  else if (settling())
    endSettle();
  else
    fail(TransferFailure::NoAnswer);
}

void TClockTransfer::startUpTick() {
  // The configuration is reset, from which point the clock's settings replies are awaited; the
  // reset selects a port and asks the clock there. The clock then has the reply time to answer.
  startUpPending_ = false;
  step_ = kReadSettings;
  settingsAnswered_ = 0;
  host_.startUp();
  port_.abortRx();
  port_.abortTx();
  setStartChar('$');
  port_.sendString(bareCr());
  step_ = kReadSettings;
  timer_.stop();  // counted from here, however long the reset took
  timer_.start(replyTimeoutMs_);
}

void TClockTransfer::fail(TransferFailure why) {
  port_.abortRx();
  port_.abortTx();
  setStartChar('$');
  timer_.stop();
  lastCommandPending_ = false;
  settle_ = Settle::None;
  ending_ = true;
  host_.failed(why, lastAcknowledged_);
  ending_ = false;
  step_ = kIdle;
  port_.sendChar(kCR);
}

void TClockTransfer::setStartChar(char c) {
  startChar_ = c;
  port_.setMessageStartChar(c);
  // While the week is read messages start at "=", and the clock's error reply still at "$".
  secondStartChar_ = c == '=' ? std::optional<char>('$') : std::nullopt;
  port_.setSecondStartChar(secondStartChar_);
}

void TClockTransfer::startReplyTime() { timer_.start(startUpPending_ ? firstTickMs_ : replyTimeoutMs_); }

void TClockTransfer::send(const std::string& text) {
  port_.sendString(text);
  lastWritten_ = withoutLineEnd(text);
}

void TClockTransfer::answered() {
  ++acknowledgedCount_;
  lastAcknowledged_ = lastWritten_;
}

void TClockTransfer::forgetAnswers() {
  lastCommandPending_ = false;
  settle_ = Settle::None;
  settingsAnswered_ = 0;
  acknowledgedCount_ = 0;
  lastAcknowledged_.clear();
}
