// The emulator's options for measuring the program (--timing) and for a clock that stops in the
// middle of an answer (--silent-after-reply).
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

#include "clock_on_port.h"

namespace {

class EmulatorEvidenceOptions : public ClockOnPortTest {};

struct TimingLine {
  int number;
  long long first, previous;
};

std::vector<TimingLine> timingLines(const std::string& path) {
  std::ifstream in(path);
  std::vector<TimingLine> lines;
  TimingLine l{};
  while (in >> l.number >> l.first >> l.previous) lines.push_back(l);
  return lines;
}

TEST_F(EmulatorEvidenceOptions, TimingGivesEachMessageItsFirstByteAndTheEndOfTheAnswerBefore) {
  ASSERT_NO_FATAL_FAILURE(startClock({"--timing", dir.file("timing.txt"), "--silent-from", "3"}));
  port->write("\r");  // a bare CR is no message and starts none
  EXPECT_EQ(port->ask("$\r", 5).size(), 5u);
  // A command in two pieces: its first byte counts.
  port->write("$1=");
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(port->ask("0\r\n", 1), Replies{"$ok\r"});
  EXPECT_EQ(port->ask("$\r", 5, 300ms), Replies{});  // silent
  port->write("$\r");
  clock->stop();

  const std::vector<TimingLine> lines = timingLines(dir.file("timing.txt"));
  ASSERT_EQ(lines.size(), 4u);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(lines[i].number, i + 1);
  EXPECT_EQ(lines[0].previous, 0);  // nothing answered before the first
  EXPECT_GT(lines[1].previous, lines[0].first);
  EXPECT_GE(lines[1].first - lines[1].previous, 0);
  // The second message began with "$1=", well before its end came 30 ms later.
  EXPECT_GE(lines[2].first - lines[1].first, 25'000);
  EXPECT_GT(lines[2].previous, lines[1].first + 25'000);
  EXPECT_EQ(lines[3].previous, 0);  // message 3 got no answer
}

TEST_F(EmulatorEvidenceOptions, SilentAfterReplyCutsAnAnswerShortAndThenAnswersNothing) {
  ASSERT_NO_FATAL_FAILURE(startClock({"--silent-after-reply", "7"}));
  EXPECT_EQ(port->ask("$\r", 5).size(), 5u);
  EXPECT_EQ(port->ask("$21=\r", 8, 500ms).size(), 2u);  // Monday Time 1 and 2 of eight
  EXPECT_EQ(port->ask("$1=0\r\n", 1, 300ms), Replies{});
  EXPECT_EQ(clock->savedValue("language"), "2");  // not applied either
  EXPECT_EQ(clock->receivedMessages().size(), 3u);
}

}  // namespace
