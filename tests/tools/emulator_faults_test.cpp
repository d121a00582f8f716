// The faults the emulator can be told to show, and how messages are counted for them.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <memory>
#include <thread>

#include "clock_on_port.h"

namespace {

using Replies = std::vector<std::string>;
const Replies kDefaultSettings = {"$S1=2\r", "$S2=+01\r", "$S3=0\r", "$S4=72\r", "$S5=0\r"};

class EmulatorFaults : public ClockOnPortTest {};

TEST_F(EmulatorFaults, SilentFromNAnswersNothingAndAppliesNothingFromThereOn) {
  ASSERT_NO_FATAL_FAILURE(startClock({"--silent-from", "3"}));
  EXPECT_EQ(port->ask("$\r", 5), kDefaultSettings);
  EXPECT_EQ(port->ask("$1=0\r\n", 1), Replies{"$ok\r"});
  EXPECT_EQ(port->ask("$1=1\r\n", 1, 500ms), Replies{});
  EXPECT_EQ(port->ask("$\r", 1, 500ms), Replies{});
  EXPECT_EQ(clock->savedValue("language"), "0");
  EXPECT_EQ(clock->receivedMessages().size(), 4u);  // still logged
}

TEST_F(EmulatorFaults, ErrorAtNAnswersOnlyThatMessageWithErrorAndBareLineEndsAreNotCounted) {
  ASSERT_NO_FATAL_FAILURE(startClock({"--error-at", "2"}));
  port->write("\r\n\r");                             // a bare CR, a stray LF and another bare CR: no messages
  EXPECT_EQ(port->ask("$\r", 5), kDefaultSettings);  // message 1
  EXPECT_EQ(port->ask("$1=0\r\n", 1), Replies{"$error\r"});  // message 2
  EXPECT_EQ(clock->savedValue("language"), "2");
  EXPECT_EQ(port->ask("$1=0\r\n", 1), Replies{"$ok\r"});  // message 3
  EXPECT_EQ(clock->savedValue("language"), "0");
}

TEST_F(EmulatorFaults, DuplicateAtNAnswersThatMessageTwiceInOneWrite) {
  ASSERT_NO_FATAL_FAILURE(startClock({"--duplicate-at", "2", "--error-at", "3"}));
  EXPECT_EQ(port->ask("$1=0\r\n", 1), Replies{"$ok\r"});              // message 1
  EXPECT_EQ(port->ask("$1=1\r\n", 2), (Replies{"$ok\r", "$ok\r"}));  // message 2, applied once
  EXPECT_EQ(clock->savedValue("language"), "1");
  EXPECT_EQ(port->ask("$1=2\r\n", 1), Replies{"$error\r"});           // message 3
}

TEST_F(EmulatorFaults, DuplicateDelayWritesTheSecondAnswerApart) {
  ASSERT_NO_FATAL_FAILURE(startClock({"--duplicate-at", "1", "--duplicate-delay-ms", "300", "--error-at", "2"}));
  EXPECT_EQ(port->ask("$1=1\r\n", 1), Replies{"$ok\r"});
  EXPECT_EQ(repliesIn(port->readUntilCrs(1, 3s), '$'), Replies{"$ok\r"});  // the second, on its own
  EXPECT_EQ(port->ask("$1=2\r\n", 1), Replies{"$error\r"});
  EXPECT_EQ(clock->savedValue("language"), "1");
}

// In a read, message 1 is the read request and messages 2 to 8 the day requests.
TEST_F(EmulatorFaults, FaultsMeetTheNthMessageOfARead) {
  ASSERT_NO_FATAL_FAILURE(startClock({"--duplicate-at", "2", "--error-at", "3"}));
  EXPECT_EQ(port->ask("$\r", 5), kDefaultSettings);
  const Replies monday = port->ask("$21=\r", 16);
  ASSERT_EQ(monday.size(), 16u);
  EXPECT_EQ(Replies(monday.begin(), monday.begin() + 8), Replies(monday.begin() + 8, monday.end()));
  EXPECT_EQ(port->ask("$22=\r", 8, 500ms), Replies{"$error\r"});
}

TEST_F(EmulatorFaults, CorruptAtNAcknowledgesButStoresAChangedValue) {
  const struct {
    const char* command;
    const char* key;
    const char* stored;
  } cases[] = {
      {"$3=0\r\n", "dls", "1"},
      {"$1=4\r\n", "language", "3"},  // one lower at the top of the range
      {"$21=0,07,15,30,ON\r\n", "Mon 1", "07:15:31 ON"},
      {"$27=7,23,59,59,OFF\r\n", "Sun 8", "00:00:00 OFF"},
      {"$22=0,DEL\r\n", "Tue 1", "00:00:01 OFF"},
  };
  for (const auto& c : cases) {
    ASSERT_NO_FATAL_FAILURE(startClock({"--corrupt-at", "2"}));
    EXPECT_EQ(port->ask("$\r", 5), kDefaultSettings);  // message 1
    EXPECT_EQ(port->ask(c.command, 1), Replies{"$ok\r"}) << c.command;
    EXPECT_EQ(clock->savedValue(c.key), c.stored) << c.command;
  }
}

TEST_F(EmulatorFaults, ErrorAtReadRequestReplacesAllFiveSettingsReplies) {
  ASSERT_NO_FATAL_FAILURE(startClock({"--error-at", "1"}));
  EXPECT_EQ(port->ask("$\r", 6, 500ms), Replies{"$error\r"});
  EXPECT_EQ(port->ask("$\r", 5), kDefaultSettings);
}

TEST_F(EmulatorFaults, GarbageComesBetweenRepliesButHidesNoStartCharacterOrCr) {
  ASSERT_NO_FATAL_FAILURE(startClock({"--garbage"}));
  port->write("$\r");
  const std::string settings = port->readUntilCrs(5, 3s);
  EXPECT_GT(settings.size(), 40u);  // the five replies alone are 33 bytes
  EXPECT_EQ(repliesIn(settings, '$'), kDefaultSettings);
  EXPECT_NE(settings.substr(0, 1), "$");  // garbage before the first reply, too

  port->write("$22=\r");
  EXPECT_EQ(repliesIn(port->readUntilCrs(8, 3s), '='), Replies(8, "=-DEL\r"));
  EXPECT_EQ(port->ask("$1=0\r\n", 1).size(), 1u);
  EXPECT_EQ(clock->savedValue("language"), "0");
}

TEST_F(EmulatorFaults, VanishAtNHangsUpRemovesTheLinkAndEnds) {
  ASSERT_NO_FATAL_FAILURE(startClock({"--vanish-at", "2"}));
  EXPECT_EQ(port->ask("$\r", 5), kDefaultSettings);
  port->write("$21=\r");
  EXPECT_TRUE(port->hungUp(3s));
  EXPECT_TRUE(clock->waitForExit(3s));
  EXPECT_EQ(clock->exitStatus(), 0);
  struct stat st;
  EXPECT_NE(::lstat(clock->linkPath().c_str(), &st), 0);
  EXPECT_EQ(clock->receivedMessages(), (Replies{"$\r", "$21=\r"}));
}

TEST_F(EmulatorFaults, DelayHoldsBackEveryReply) {
  ASSERT_NO_FATAL_FAILURE(startClock({"--delay-ms", "150"}));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(port->ask("$\r", 5, 10s), kDefaultSettings);
  // Five replies, each after its own delay; only a lower bound, the machine may be slow.
  EXPECT_GE(std::chrono::steady_clock::now() - start, 5 * 150ms - 50ms);
}

TEST_F(EmulatorFaults, LatencyTimerHoldsTheRepliesAsAUsbAdapterDoes) {
  ASSERT_NO_FATAL_FAILURE(startClock({"--latency-ms", "150"}));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(port->ask("$\r", 5, 10s), kDefaultSettings);
  // The five replies, fewer than the adapter's 62 bytes, wait for its timer together.
  EXPECT_GE(std::chrono::steady_clock::now() - start, 150ms - 20ms);
}

TEST_F(EmulatorFaults, PaceSpreadsRepliesOverTheTimeOfARealLine) {
  std::ofstream(dir.file("full.cfg")) << "Mon 1 = 01:00:00 OFF\nMon 2 = 02:00:00 OFF\nMon 3 = 03:00:00 OFF\n"
                                         "Mon 4 = 04:00:00 OFF\nMon 5 = 05:00:00 OFF\nMon 6 = 06:00:00 OFF\n"
                                         "Mon 7 = 07:00:00 OFF\nMon 8 = 08:00:00 OFF\n";
  ASSERT_NO_FATAL_FAILURE(startClock({"--pace", "--config", dir.file("full.cfg")}));
  const auto start = std::chrono::steady_clock::now();
  const Replies monday = port->ask("$21=\r", 8, 10s);
  ASSERT_EQ(monday.size(), 8u);
  EXPECT_EQ(monday[7], "=S08:00:00 OFF\r");
  // 120 bytes at 11 bits a byte and 19200 baud take about 69 ms; again only a lower bound.
  EXPECT_GE(std::chrono::steady_clock::now() - start, 60ms);
}

// Each clock waits and writes at its own pace: two asked at once answer side by side. Had they
// taken turns, one clock's first reply would have come only after the other's last.
TEST_F(EmulatorFaults, PacedClocksAnswerSideBySideNotInTurn) {
  ASSERT_NO_FATAL_FAILURE(startClocks(2, {"--pace", "--delay-ms", "100"}));
  struct Answer {
    std::chrono::steady_clock::time_point first, last;
    std::string bytes;
  } answers[2];
  for (const auto& p : ports) p->write("$21=\r");
  std::vector<std::thread> readers;
  for (int i = 0; i < 2; ++i)
    readers.emplace_back([this, &answers, i] {
      answers[i].bytes = ports[i]->readUntilCrs(1, 10s);
      answers[i].first = std::chrono::steady_clock::now();
      answers[i].bytes += ports[i]->readUntilCrs(7, 10s);
      answers[i].last = std::chrono::steady_clock::now();
    });
  for (std::thread& r : readers) r.join();
  for (const Answer& a : answers) ASSERT_EQ(repliesIn(a.bytes, '=').size(), 8u) << a.bytes;
  EXPECT_TRUE(answers[0].first < answers[1].last) << "COM1 began only after COM2 had ended";
  EXPECT_TRUE(answers[1].first < answers[0].last) << "COM2 began only after COM1 had ended";
}

}  // namespace
