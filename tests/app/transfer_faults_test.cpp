// The clock failing in each phase of a read and of a send, end to end: the real window and serial
// port against kelvox-clock-emulator told to fall silent, refuse, babble or vanish. Whatever the
// clock does, the window must come back usable, say "no answer" once, keep a failed send from
// touching its configuration, and leave no thread spinning.
//
// Message numbers as the clock counts them: the start-up read is 1 (the read request) and 2..8
// (the day requests); the send that follows is 9 (language), 10 (relay), 11 (UTC), 12 (daylight
// saving), 13 (timeout) and 14..69 (Monday Time 1 .. Sunday Time 8), then the read-back 70..77.
// Replies, for --silent-after-reply: 1..5 the settings, then 6..61 the entries, Monday Time 1 first.
#include <gtest/gtest.h>

#include <map>

#include <QLabel>
#include <QSpinBox>
#include <optional>

#include "evidence_support.h"
#include "radio_group.h"

namespace {

using namespace std::chrono_literals;
using evidence::WindowOnClock;

enum class Transfer { StartUpRead, Send };
enum class Outcome { NoAnswer, Success };

struct Fault {
  const char* name;
  Transfer transfer;
  std::vector<std::string> clockArgs;
  Outcome outcome;
  // By the clock, in all, when the dust has settled; 0 where a clock answering twice lets the
  // program run ahead by as much as the timing of the two answers gives.
  std::size_t messagesReceived;
  std::optional<TransferFailure> why = std::nullopt;  // checked where given
  // The window's reply time-out: a third of the designed 3 s, which still leaves a busy machine
  // time between two replies. A clock that answers nothing at all needs no such margin.
  std::chrono::milliseconds replyTimeout = std::chrono::milliseconds(1000);
};

void PrintTo(const Fault& fault, std::ostream* out) { *out << fault.name; }

// What a send must not change: the five settings and the week.
struct WindowConfig {
  int language, relay, utc, dls, timeout;
  std::vector<std::string> week;
  bool timerEdited;
  bool operator==(const WindowConfig&) const = default;
};

WindowConfig configOf(WindowOnClock& w) {
  WindowConfig c{w.child<TRadioGroup>("Language")->ItemIndex(),
                 w.child<TRadioGroup>("RelayMode")->ItemIndex(),
                 w.child<QSpinBox>("SpinEditUTC")->value(),
                 w.child<QSpinBox>("SpinEditDLS")->value(),
                 w.child<QSpinBox>("SpinEditValid")->value(),
                 {},
                 w.form().TimerEdited()};
  for (int i = 0; i < WeekTable::kDays * WeekTable::kEntries; ++i)
    c.week.push_back(w.form().weekTable().at(i / WeekTable::kEntries, i % WeekTable::kEntries).text());
  return c;
}

const QString kNoAnswer = QStringLiteral("No answer from clock, check connections!");

// Below the message, by fault: the cause on the clock's port, COM1.
const QString kNothingAnswered =
    QStringLiteral("COM1: opened, but nothing answered; check the clock's cable and that the clock has power");
const std::map<std::string, QString> kCauseLines{
    {"SilentAfterTheRequest", kNothingAnswered},
    // Nothing answered, or the write failed as the device went: whichever came first.
    {"VanishOnTheRequest", "COM1: "},
    {"SilentAfterTheThirdSettingsReply",
     "COM1: began to answer as the clock does, then fell silent; check the clock's cable and its power"},
    {"ErrorForTheRequest", "COM1: answers only with an error reply; switch the clock off and on, and try again"},
    {"SilentBeforeTheLanguageAcknowledgement", kNothingAnswered},
};

class TransferFaults : public ::testing::TestWithParam<Fault> {};

TEST_P(TransferFaults, WindowComesBackUsableAndTheClockIsToldNothingFurther) {
  const Fault& fault = GetParam();
  WindowOnClock w(fault.clockArgs);
  ASSERT_TRUE(w.startClock());
  w.createWindow();
  w.form().setReplyTimeoutMs(static_cast<int>(fault.replyTimeout.count()));
  w.startUp();

  WindowConfig before{};
  if (fault.transfer == Transfer::Send) {
    ASSERT_TRUE(evidence::runUntil([&] { return w.transferDone(0); }, 5s))
        << "the start-up read did not end; the clock received " << w.clock().receivedMessages().size();
    ASSERT_TRUE(w.boxes().plain.empty());
    before = configOf(w);
    w.form().SendToClockClick();
  }

  // Time-outs are real, if shorter: a silent or vanished clock takes the reply time.
  if (fault.outcome == Outcome::NoAnswer) {
    ASSERT_TRUE(evidence::runUntil([&] { return !w.boxes().plain.empty(); }, 6s)) << "no message shown";
  } else {
    ASSERT_TRUE(
        evidence::runUntil([&] { return w.transferDone(fault.transfer == Transfer::Send ? 61 : 0); }, 6s));
  }
  // Room for a second message, a late reply, a stray time-out; meanwhile nothing may be left
  // running: the process sleeps while the window idles.
  const long long cpuBefore = evidence::processCpuMicros();
  evidence::idleFor(500ms);
  const long long cpuIdling = evidence::processCpuMicros() - cpuBefore;

  EXPECT_TRUE(w.idleAndUsable());
  EXPECT_FALSE(w.form().timeoutTimer().isActive());
  EXPECT_EQ(w.form().serial().MessageStartChar(), '$');
  if (fault.outcome == Outcome::NoAnswer) {
    ASSERT_EQ(w.boxes().plain.size(), 1u) << QStringList(w.boxes().plain.begin(), w.boxes().plain.end()).join(QStringLiteral(" | ")).toStdString();
    // A read that heard no whole answer names below the message why its port did not serve.
    const auto cause = kCauseLines.find(fault.name);
    const QString expected = cause == kCauseLines.end() ? kNoAnswer : kNoAnswer + QStringLiteral("\n") + cause->second;
    if (expected.endsWith(QStringLiteral(": "))) {
      EXPECT_TRUE(w.boxes().plain[0].startsWith(expected)) << w.boxes().plain[0].toStdString();
      EXPECT_EQ(w.boxes().plain[0].count(u'\n'), 1);
    } else {
      EXPECT_EQ(w.boxes().plain[0], expected);
    }
    EXPECT_EQ(w.child<QLabel>("clockfound")->text(), "----");
    if (fault.why) {
      EXPECT_EQ(w.form().lastFailure(), fault.why);
    }
  } else {
    EXPECT_TRUE(w.boxes().plain.empty());
    EXPECT_EQ(w.child<QLabel>("clockfound")->text(), "OK");
  }
  if (fault.messagesReceived != 0) {
    EXPECT_EQ(w.clock().receivedMessages().size(), fault.messagesReceived);
  }
  // The port is selected and saved once the clock has answered on it, and only then.
  EXPECT_EQ(w.folder().read(QStringLiteral("kelvox.ini")), w.form().selectedEntry() ? "COM1\r\n" : "");
  if (fault.transfer == Transfer::Send) {
    EXPECT_EQ(configOf(w), before) << "a send changed the window";
  }
  EXPECT_LT(cpuIdling, 50'000) << "CPU used in 500 ms of idling (us)";
}

// A clock that babbles between its replies still gets through: the framing drops the bytes.
TEST(TransferWithGarbage, ReadThenSendCarryTheWholeConfigurationBothWays) {
  WindowOnClock w({"--garbage"});
  ASSERT_TRUE(w.startClock());
  w.createWindow();
  w.startUp();
  ASSERT_TRUE(evidence::runUntil([&] { return w.transferDone(0); }, 5s));
  EXPECT_EQ(w.child<QSpinBox>("SpinEditUTC")->value(), -5);
  EXPECT_EQ(w.form().weekTable().at(0, 2).text(), "$21=2,17,45,30,ON");
  EXPECT_EQ(w.form().weekTable().at(6, 7).text(), "$27=7,23,59,59,OFF");
  EXPECT_EQ(w.form().weekTable().at(6, 6).text(), "$27=6,DEL");

  // Changed in the window, then sent through the same noise.
  w.child<QSpinBox>("SpinEditUTC")->setValue(7);
  ASSERT_TRUE(w.send());
  EXPECT_TRUE(w.boxes().plain.empty());
  EXPECT_EQ(w.clock().receivedMessages().size(), 77u);  // with the read-back
  EXPECT_EQ(w.clock().savedValue("utc"), "+7");
  EXPECT_EQ(w.clock().savedValue("Mon 3"), "17:45:30 ON");
  EXPECT_EQ(w.clock().savedValue("Sun 8"), "23:59:59 OFF");
  EXPECT_EQ(w.clock().savedValue("Sun 7"), "DEL");
}

// "Compare with clock" reads the clock into a configuration of its own: the window's controls
// stay as they are, and the box names what differs.
TEST(CompareWithClock, SaysTheSameAfterAReadAndNamesAChangedControl) {
  WindowOnClock w;
  ASSERT_TRUE(w.startClock());
  w.createWindow();
  w.startUp();
  ASSERT_TRUE(evidence::runUntil([&] { return w.transferDone(0); }, 5s)) << w.describe();
  const auto compare = [&] {
    const std::size_t boxes = w.boxes().plain.size();
    w.form().CompareWithClock1Click();
    EXPECT_FALSE(w.child<QPushButton>("ReadClock")->isEnabled()) << "usable while the compare runs";
    EXPECT_TRUE(evidence::runUntil([&] { return w.boxes().plain.size() > boxes; }, 5s)) << w.describe();
    return w.boxes().plain.empty() ? QString() : w.boxes().plain.back();
  };

  const WindowConfig read = configOf(w);
  EXPECT_EQ(compare(), "The clock holds what the window shows.");
  EXPECT_EQ(configOf(w), read);

  w.child<QSpinBox>("SpinEditUTC")->setValue(7);
  const WindowConfig changed = configOf(w);
  EXPECT_EQ(compare(),
            "The clock differs from the window:\nUniversal Time Offset (Depends on Location): window 7, clock -5");
  EXPECT_EQ(configOf(w), changed) << "the compare changed the window";
  EXPECT_TRUE(w.idleAndUsable());
  EXPECT_EQ(w.clock().receivedMessages().size(), 3u * 8u);  // three reads, nothing sent
}

using T = Transfer;
using O = Outcome;
const std::vector<std::string> silentFrom(int n) { return {"--silent-from", std::to_string(n)}; }
const std::vector<std::string> silentAfterReply(int n) { return {"--silent-after-reply", std::to_string(n)}; }
const std::vector<std::string> errorAt(int n) { return {"--error-at", std::to_string(n)}; }
const std::vector<std::string> vanishAt(int n) { return {"--vanish-at", std::to_string(n)}; }
// At the paced line speed, a second "$ok" for the send's tenth command (message 18), `delayMs`
// after the first, and an error reply for the send's last command.
const std::vector<std::string> duplicateThenError(int delayMs) {
  return {"--pace", "--duplicate-at", "18", "--duplicate-delay-ms", std::to_string(delayMs), "--error-at", "69"};
}
constexpr auto kErrorReply = TransferFailure::ErrorReply;
constexpr auto kExtraReply = TransferFailure::ExtraReply;
constexpr auto kAnswersNothing = 500ms;  // the reply time-out for a clock that answers nothing

INSTANTIATE_TEST_SUITE_P(
    Read, TransferFaults,
    ::testing::Values(
        Fault{"SilentAfterTheRequest", T::StartUpRead, silentFrom(1), O::NoAnswer, 1, {}, kAnswersNothing},
        Fault{"SilentAfterTheThirdSettingsReply", T::StartUpRead, silentAfterReply(3), O::NoAnswer, 1},
        Fault{"SilentAfterTheSettingsReplies", T::StartUpRead, silentFrom(2), O::NoAnswer, 2},
        Fault{"SilentAfterTheFourthMondayEntry", T::StartUpRead, silentAfterReply(9), O::NoAnswer, 2},
        Fault{"SilentBeforeTheLastSundayEntry", T::StartUpRead, silentAfterReply(60), O::NoAnswer, 8},
        Fault{"ErrorForTheRequest", T::StartUpRead, errorAt(1), O::NoAnswer, 1},
        // While the week is read the error reply still ends the read at once, not by the time-out.
        Fault{"ErrorForTheWednesdayRequest", T::StartUpRead, errorAt(4), O::NoAnswer, 4, kErrorReply},
        Fault{"ErrorForTheSundayRequest", T::StartUpRead, errorAt(8), O::NoAnswer, 8, kErrorReply},
        // A ninth entry reply for Sunday: one beyond the count.
        Fault{"SecondAnswerToTheSundayRequest", T::StartUpRead, {"--duplicate-at", "8"}, O::NoAnswer, 8,
              kExtraReply},
        Fault{"VanishOnTheRequest", T::StartUpRead, vanishAt(1), O::NoAnswer, 1, {}, kAnswersNothing},
        Fault{"VanishOnTheThursdayRequest", T::StartUpRead, vanishAt(5), O::NoAnswer, 5}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Send, TransferFaults,
    ::testing::Values(
        Fault{"SilentBeforeTheLanguageAcknowledgement", T::Send, silentFrom(9), O::NoAnswer, 9},
        Fault{"SilentBeforeTheTimeoutAcknowledgement", T::Send, silentFrom(13), O::NoAnswer, 13},
        Fault{"SilentBeforeAWednesdayAcknowledgement", T::Send, silentFrom(33), O::NoAnswer, 33},
        // The send has ended with the last entry written; the missing acknowledgement still counts.
        Fault{"SilentBeforeTheLastAcknowledgement", T::Send, silentFrom(69), O::NoAnswer, 69},
        Fault{"ErrorForTheLanguage", T::Send, errorAt(9), O::NoAnswer, 9},
        Fault{"ErrorForTheUtcOffset", T::Send, errorAt(11), O::NoAnswer, 11},
        Fault{"ErrorForTheFirstEntry", T::Send, errorAt(14), O::NoAnswer, 14},
        Fault{"ErrorForTheLastEntry", T::Send, errorAt(69), O::NoAnswer, 69},
        Fault{"VanishOnTheRelayMode", T::Send, vanishAt(10), O::NoAnswer, 10},
        Fault{"VanishOnASaturdayEntry", T::Send, vanishAt(60), O::NoAnswer, 60},
        // A second "$ok" that came with the first is no answer to the command written after it.
        Fault{"SecondOkWithTheFirst", T::Send, {"--duplicate-at", "18"}, O::NoAnswer, 19, kExtraReply},
        // However late the second "$ok" comes, the send never ends as a success: at the paced
        // line speed it arrives after the next command was written, the program runs one ahead,
        // and the clock's error reply or its real last acknowledgement ends the send.
        Fault{"SecondOkAtOnceThenAnError", T::Send, duplicateThenError(0), O::NoAnswer, 0},
        Fault{"SecondOk2msLaterThenAnError", T::Send, duplicateThenError(2), O::NoAnswer, 0},
        Fault{"SecondOk20msLaterThenAnError", T::Send, duplicateThenError(20), O::NoAnswer, 0},
        // Read back after the send (eight requests), through the same noise.
        Fault{"GarbageBeforeEveryReply", T::Send, {"--garbage"}, O::Success, 77}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
