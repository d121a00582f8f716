#include "transfer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "messages.h"

namespace {

// A window that records what the transfer does to it, in order: its port, its timer and what
// it is told.
class FakeWindow : public TransferPort, public TransferTimer, public TransferHost {
 public:
  explicit FakeWindow(const WeekTable& table) : table_(table) {}

  void sendString(const std::string& text) override {
    record("send " + text);
    sent.push_back(text);
  }
  void sendChar(char c) override { record(std::string("char ") + c); }
  void abortRx() override { record("abortRx"); }
  void abortTx() override { record("abortTx"); }
  void setMessageStartChar(char c) override { startChar = c; }
  void setSecondStartChar(std::optional<char> c) override { secondStartChar = c; }

  void start(int ms) override {
    if (timerActive) return;  // a running timer keeps its interval going
    ++timerStarts;            // a stopped one begins a new full interval
    interval = ms;
    timerActive = true;
  }
  void stop() override { timerActive = false; }
  bool active() const override { return timerActive; }

  int setting(Setting s) const override { return settings.contains(s) ? settings.at(s) : 0; }
  void writeSetting(Setting s, int value) override {
    record("write " + std::to_string(static_cast<int>(s)) + "=" + std::to_string(value));
    settings[s] = value;
  }
  void startUp() override { record("setDefaults"); }
  void readStarted() override { buttonsEnabled = false; }
  void sendStarted() override {
    record("sendStarted");
    progress = 0;
    buttonsEnabled = false;
  }
  bool timesEdited() const override { return timerEdited; }
  RelayAnswer askRelayQuestion() override {
    record("question");
    return relayAnswer;
  }
  void entryRead(int, int) override { clockFound = "OK"; }
  void progressed(int done, int total) override {
    progress = std::min(progress + 1, 60), ++progressSteps;
    lastProgress = {done, total};
  }
  bool readSettles() const override { return true; }
  void readFinished() override {
    record("readFinished " + table_.at(6, 7).text());
    buttonsEnabled = settingsEnabled = true;
  }
  void sendFinished() override { record("sendFinished"); }
  void failed(TransferFailure why, const std::string& lastAcknowledged) override {
    static const std::map<TransferFailure, std::string> kinds{{TransferFailure::NoAnswer, "no answer"},
                                                              {TransferFailure::ErrorReply, "error reply"},
                                                              {TransferFailure::ExtraReply, "extra reply"},
                                                              {TransferFailure::LineError, "line error"}};
    record(kinds.at(why) + " after " + lastAcknowledged);
    ++failures;
    progress = 0;
    buttonsEnabled = settingsEnabled = true;
    clockFound = "----";
  }

  std::vector<std::string> log, sent;
  std::map<Setting, int> settings{{Setting::Language, 2}};  // the others 0 until written
  bool timerActive = false, buttonsEnabled = false, settingsEnabled = false;
  int interval = 0, progress = 0, progressSteps = 0, timerStarts = 0, failures = 0;
  std::pair<int, int> lastProgress;
  char startChar = '$';
  std::optional<char> secondStartChar;
  std::string clockFound = "-------";
  RelayAnswer relayAnswer = RelayAnswer::Cancel;
  bool timerEdited = false;  // the switch times were edited

 private:
  void record(std::string event) { log.push_back(std::move(event)); }
  const WeekTable& table_;
};

// An entry reply as the clock sends it: day index as hour, entry index as minute.
std::string entryReply(int day, int entry) {
  return "=x" + std::string{'0', char('0' + day), ':', '0', char('0' + entry)} + ":30 " +
         (entry % 2 ? "OFF" : "ON") + "\r";
}

class TransferTest : public ::testing::Test {
 protected:
  TransferTest() { table.setAllDeleted(); }
  void acknowledge(int count) {
    for (int i = 0; i < count; ++i) transfer.Serial1Message(i % 2 ? "$ok\r" : "$ 5\r");
  }
  int count(const std::string& event) const { return std::ranges::count(window.log, event); }

  WeekTable table;
  FakeWindow window{table};
  bool& timerEdited = window.timerEdited;
  TClockTransfer transfer{window, window, window, table};
};

TEST_F(TransferTest, ReadTakesTheSettingsThenTheWeekDayByDay) {
  transfer.ReadClockClick();
  EXPECT_EQ(window.sent, std::vector<std::string>{"$\r"});
  EXPECT_EQ(window.interval, TClockTransfer::kReplyTimeoutMs);
  EXPECT_FALSE(window.buttonsEnabled);
  for (const char* reply : {"$S1=0\r", "$S2=-05\r", "$S3=1\r", "$S4=720\r", "$S5=3\r"})
    transfer.Serial1Message(reply);
  EXPECT_EQ(window.settings, (std::map<Setting, int>{{Setting::Language, 0},
                                                     {Setting::RelayMode, 3},
                                                     {Setting::UtcOffset, -5},
                                                     {Setting::DaylightSaving, 1},
                                                     {Setting::ValidTimeout, 720}}));
  EXPECT_TRUE(transfer.reading());
  EXPECT_EQ(transfer.day(), 0);
  EXPECT_EQ(window.startChar, '=');

  for (int day = 0; day < WeekTable::kDays; ++day) {
    EXPECT_EQ(window.sent.back(), dayRequest(day));
    EXPECT_EQ(transfer.lastAcknowledged(), day == 0 ? "$" : dayRequest(day - 1).substr(0, 4));
    for (int entry = 0; entry < WeekTable::kEntries; ++entry) {
      EXPECT_FALSE(window.buttonsEnabled);
      EXPECT_EQ(transfer.day(), day);
      transfer.Serial1Message(entryReply(day, entry));
    }
  }
  EXPECT_EQ(window.sent.size(), 1u + WeekTable::kDays);
  EXPECT_EQ(table.at(2, 4).text(), "$23=4,02,04,30,ON");
  EXPECT_EQ(table.at(6, 7).text(), "$27=7,06,07,30,OFF");
  // Success only once the line stayed quiet after the last entry; until then a further entry or
  // an error reply still arrives.
  EXPECT_EQ(count("readFinished $27=7,06,07,30,OFF"), 0);
  EXPECT_TRUE(transfer.settling() && transfer.reading());
  EXPECT_EQ(window.interval, TClockTransfer::kSettleMs);
  EXPECT_EQ(window.startChar, '=');
  EXPECT_EQ(window.secondStartChar, '$');
  transfer.TimeoutTimer();
  EXPECT_EQ(count("readFinished $27=7,06,07,30,OFF"), 1);
  EXPECT_EQ(window.secondStartChar, std::nullopt);
  EXPECT_TRUE(transfer.idle());
  EXPECT_FALSE(transfer.reading());
  EXPECT_EQ(transfer.EntryIndex(), 0);
  EXPECT_EQ(window.startChar, '$');
  EXPECT_TRUE(window.buttonsEnabled && window.settingsEnabled);
  EXPECT_FALSE(window.timerActive);
  EXPECT_EQ(window.progressSteps, 56);
  EXPECT_EQ(window.lastProgress, std::make_pair(56, 56));
  EXPECT_EQ(window.clockFound, "OK");
}

TEST_F(TransferTest, SendWrites61MessagesEachAfterAnAcknowledgement) {
  // A read abandoned inside a day leaves its entry count behind.
  transfer.ReadClockClick();
  transfer.Serial1Message("$S5=0\r");
  transfer.Serial1Message(entryReply(0, 0));
  transfer.TimeoutTimer();
  window.sent.clear();
  window.progressSteps = 0;

  table.at(0, 0).setText("$21=0,12,30,00,ON");
  table.at(6, 7).setText("$27=7,23,59,00,OFF");
  window.settings[Setting::RelayMode] = 2;
  transfer.SendToClockClick();
  window.settings[Setting::UtcOffset] = -12;  // changed before its command is built
  acknowledge(60);

  std::vector<std::string> expected{"$1=2\r\n", "$5=2\r\n", "$2=-12\r\n", "$3=0\r\n", "$4=0\r\n"};
  for (int day = 0; day < WeekTable::kDays; ++day)
    for (int entry = 0; entry < WeekTable::kEntries; ++entry)
      expected.push_back(table.at(day, entry).text() + "\r\n");
  EXPECT_EQ(window.sent, expected);
  EXPECT_EQ(count("question"), 0);
  EXPECT_EQ(window.progressSteps, 61);
  EXPECT_EQ(window.lastProgress, std::make_pair(61, 61));
  EXPECT_TRUE(transfer.idle());     // ended with the last command written
  EXPECT_TRUE(window.timerActive);  // the last entry is still to be acknowledged
  EXPECT_EQ(count("sendFinished"), 0);
  EXPECT_EQ(transfer.acknowledgedCount(), 60);

  acknowledge(1);  // arrives while idle
  EXPECT_EQ(window.sent.size(), 61u);
  EXPECT_EQ(count("sendFinished"), 0);  // after the settle time
  EXPECT_EQ(window.interval, TClockTransfer::kSettleMs);
  transfer.TimeoutTimer();
  EXPECT_FALSE(window.timerActive);
  EXPECT_EQ(count("sendFinished"), 1);
  EXPECT_EQ(transfer.acknowledgedCount(), 61);
  EXPECT_EQ(transfer.lastAcknowledged(), "$27=7,23,59,00,OFF");
  acknowledge(1);  // a late one, long after the send, confirms nothing more
  EXPECT_EQ(count("sendFinished"), 1);
}

// The clock's replies and the program's messages pair one to one, or the transfer fails: a
// second answer is never taken for the next message, and never ends in success.
TEST_F(TransferTest, AReplyBeyondTheCountOrAnErrorReplyFailsTheTransfer) {
  const auto weekRead = [&](int daysRead, int daysWithNine) {
    transfer.ReadClockClick();
    transfer.Serial1Message("$S5=3\r");
    for (int day = 0; day < daysRead; ++day)
      for (int entry = 0; entry < (day < daysWithNine ? 9 : 8); ++entry)
        transfer.Serial1Message(entryReply(day, std::min(entry, 7)));
  };
  const auto send = [&](int acknowledged) {
    transfer.SendToClockClick();
    acknowledge(acknowledged);
  };
  const struct {
    const char* name;
    std::function<void()> run;
    const char* failure;
  } cases[] = {
      {"second $ok in the same delivery", [&] { send(10), transfer.Serial1Message("$ok\r", true); }, "extra reply"},
      // Taken for the next command, it puts the send one command ahead of the clock, whose
      // answer to the last command then comes while settling.
      {"second $ok after the next write", [&] { send(10), acknowledge(52); }, "extra reply"},
      {"second $ok, then an error reply to the last command",
       [&] { send(10), acknowledge(51), transfer.Serial1Message("$error\r"); }, "error reply"},
      {"second $ok of the last command while settling", [&] { send(62); }, "extra reply"},
      {"a ninth entry reply for Wednesday", [&] { weekRead(7, 3); }, "extra reply"},
      {"a ninth entry reply before the next day request",
       [&] { weekRead(1, 0), transfer.Serial1Message(entryReply(0, 7), true); }, "extra reply"},
      // A line that keeps repeating a setting would otherwise hold the settings phase open for ever.
      {"a setting answered twice in one read",
       [&] { transfer.ReadClockClick(), transfer.Serial1Message("$S1=2\r"), transfer.Serial1Message("$S2=+01\r"),
             transfer.Serial1Message("$S1=2\r"); },
       "extra reply"},
      {"error reply in the settings phase", [&] { weekRead(0, 0), transfer.Serial1Message("$error\r"); },
       "error reply"},
      {"error reply in the week phase",
       [&] { weekRead(2, 0), transfer.Serial1Message(entryReply(2, 0)), transfer.Serial1Message("$error\r"); },
       "error reply"},
      {"error reply while settling after the week", [&] { weekRead(7, 0), transfer.Serial1Message("$error\r"); },
       "error reply"},
      {"damaged characters in a send", [&] { send(3), transfer.lineDamaged(); }, "line error"},
  };
  for (const auto& c : cases) {
    window.log.clear();
    c.run();
    if (transfer.settling()) transfer.TimeoutTimer();  // no success may follow
    const auto ends = [&](const std::string& e) {
      return e.starts_with("readFinished") || e == "sendFinished" || e.find(" after ") != std::string::npos;
    };
    EXPECT_EQ(std::ranges::count_if(window.log, ends), 1) << c.name;  // one failure, no success
    EXPECT_TRUE(std::ranges::any_of(window.log, [&](const std::string& e) { return e.starts_with(c.failure); }))
        << c.name;
    EXPECT_TRUE(transfer.idle() && !transfer.settling()) << c.name;
    EXPECT_EQ(window.startChar, '$') << c.name;
  }
}

TEST_F(TransferTest, RelayQuestionBeforeSendingEditedTimes) {
  timerEdited = true;
  window.settings[Setting::RelayMode] = 1;
  transfer.SendToClockClick();  // Cancel
  EXPECT_EQ(window.log, std::vector<std::string>{"question"});
  EXPECT_EQ(window.settings[Setting::RelayMode], 1);
  EXPECT_TRUE(transfer.idle());

  window.relayAnswer = RelayAnswer::No;
  transfer.SendToClockClick();
  acknowledge(1);
  EXPECT_EQ(window.sent.back(), "$5=1\r\n");

  window.log.clear();
  window.relayAnswer = RelayAnswer::Yes;
  transfer.SendToClockClick();
  EXPECT_EQ(window.log.at(1), "write 1=3");  // relay mode 3 before anything is sent
  acknowledge(1);
  EXPECT_EQ(window.sent.back(), "$5=3\r\n");
}

TEST_F(TransferTest, NoRelayQuestionForTimerModeOrUneditedTimes) {
  timerEdited = true;
  window.settings[Setting::RelayMode] = 3;
  transfer.SendToClockClick();
  timerEdited = false;
  window.settings[Setting::RelayMode] = 0;
  transfer.SendToClockClick();
  EXPECT_EQ(count("question"), 0);
  EXPECT_EQ(window.sent.size(), 2u);
}

TEST_F(TransferTest, ErrorReplyEndsASendAtOnce) {
  transfer.SendToClockClick();
  acknowledge(3);
  EXPECT_EQ(transfer.lastAcknowledged(), "$2=0");
  transfer.Serial1Message("$error\r");
  EXPECT_EQ(count("error reply after $2=0"), 1);
  EXPECT_EQ(count("char \r"), 1);
  EXPECT_TRUE(transfer.idle());
  EXPECT_EQ(window.clockFound, "----");
  EXPECT_TRUE(window.buttonsEnabled && window.settingsEnabled);
  acknowledge(5);
  EXPECT_EQ(window.sent.size(), 4u);
}

TEST_F(TransferTest, FirstTickResetsAndAsksTheClockThenSecondTickGivesUp) {
  transfer.beginStartUp();
  EXPECT_EQ(window.interval, TClockTransfer::kFirstTickMs);
  EXPECT_TRUE(window.timerActive);
  EXPECT_FALSE(transfer.startUpDone());
  transfer.TimeoutTimer();
  EXPECT_EQ(window.log, (std::vector<std::string>{"setDefaults", "abortRx", "abortTx", "send \r"}));
  EXPECT_TRUE(transfer.startUpDone());
  EXPECT_TRUE(transfer.reading());
  EXPECT_EQ(transfer.day(), -1);  // settings replies awaited
  EXPECT_EQ(window.interval, TClockTransfer::kReplyTimeoutMs);
  EXPECT_TRUE(window.timerActive);

  transfer.TimeoutTimer();
  EXPECT_EQ(count("setDefaults"), 1);
  EXPECT_EQ(count("no answer after "), 1);
  EXPECT_TRUE(transfer.idle());
  EXPECT_FALSE(window.timerActive);
  EXPECT_TRUE(window.buttonsEnabled && window.settingsEnabled);
  EXPECT_EQ(window.clockFound, "----");
}

TEST_F(TransferTest, EveryWaitOfARunningTransferIsBounded) {
  transfer.ReadClockClick();
  transfer.Serial1Message("$S1=0\r");  // more settings replies may follow, or none
  EXPECT_TRUE(window.timerActive);
  transfer.Serial1Message("$S5=0\r");
  transfer.Serial1Message(entryReply(0, 0));  // the clock falls silent inside a day
  EXPECT_TRUE(window.timerActive);
  transfer.TimeoutTimer();
  EXPECT_EQ(window.failures, 1);

  transfer.SendToClockClick();
  transfer.Serial1Message("$xx\r");  // not an acknowledgement
  EXPECT_EQ(window.sent.back(), "$1=0\r\n");
  EXPECT_TRUE(window.timerActive);
}

// A GPS receiver's lines in every phase: the reply time keeps running from the program's own
// send, so the transfer ends in the no-answer message as with a silent device.
TEST_F(TransferTest, LinesThatAnswerNothingNeverRestartTheReplyTime) {
  const std::string gps = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r";
  const struct {
    const char* phase;
    std::function<void()> start;
  } phases[] = {
      {"read request", [&] { transfer.ReadClockClick(); }},
      {"after a settings reply", [&] { transfer.ReadClockClick(), transfer.Serial1Message("$S1=2\r"); }},
      {"send", [&] { transfer.SendToClockClick(); }},
      {"last acknowledgement, idle", [&] { transfer.SendToClockClick(), acknowledge(60); }},
  };
  for (const auto& p : phases) {
    window.stop();
    p.start();
    const int starts = window.timerStarts;
    const std::size_t sent = window.sent.size();
    for (int line = 0; line < 20; ++line) transfer.Serial1Message(gps);
    EXPECT_EQ(window.timerStarts, starts) << p.phase;
    EXPECT_TRUE(window.timerActive) << p.phase;
    EXPECT_EQ(window.sent.size(), sent) << p.phase;
    const int failures = window.failures;
    transfer.TimeoutTimer();
    EXPECT_EQ(window.failures, failures + 1) << p.phase;
    EXPECT_TRUE(transfer.idle()) << p.phase;
  }
}

TEST_F(TransferTest, SettingsReplyWhileIdleChangesOnlyItsControl) {
  transfer.Serial1Message("$S1=0\r");
  transfer.Serial1Message("$S5=3\r");  // no week read without a read request
  // Entry replies framed with "=" and held back past the end of a week read are not settings.
  transfer.Serial1Message("=S12:30:00 ON\r");
  transfer.Serial1Message("=S21:00:00 OFF\r");
  EXPECT_EQ(window.settings[Setting::Language], 0);
  EXPECT_EQ(window.settings[Setting::RelayMode], 3);
  EXPECT_TRUE(window.sent.empty());
  EXPECT_TRUE(transfer.idle());
  EXPECT_FALSE(window.timerActive);
}

}  // namespace
