// Bad input on the emulator's command line: each ends it with one line on stderr and status 2,
// before it links anything, and leaves alone what it did not create.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>

#include "clock_on_port.h"

namespace {

using namespace std::chrono_literals;

class EmulatorInput : public ClockOnPortTest {};

TEST_F(EmulatorInput, BadInputEndsWithOneLineAndStatusTwo) {
  ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);  // no writer: an open for reading waits
  ASSERT_EQ(::mkdir(dir.file("folder").c_str(), 0700), 0);
  std::ofstream(dir.file("huge.cfg")) << "Mon 1 = " << std::string(10 << 20, 'x') << "\n";
  std::ofstream(dir.file("binary.cfg")) << "Mon 1 = \x01\xfe" << std::string(60000, '\x80') << "\n";
  std::ofstream(dir.file("COM2")) << "not the emulator's";

  const struct {
    std::vector<std::string> args;
    int port;
  } cases[] = {
      {{"--config", "/dev/zero"}, 1},
      {{"--config", dir.file("fifo")}, 1},
      {{"--config", dir.file("folder")}, 1},
      {{"--config", dir.file("huge.cfg")}, 1},
      {{"--config", dir.file("binary.cfg")}, 1},  // the bad line is shown short and escaped
      {{"--save", dir.file("fifo")}, 1},
      {{"--port", "257"}, 1},
      {{"--filler", "$"}, 1},
      {{"--filler", "="}, 1},
      {{}, 2},  // a regular file named COM2
      {{"--count", "2"}, 1},  // COM2 in the way of the second clock: the first is not linked either
      {{"--count", "65"}, 1},
      {{"--count", "3"}, 255},  // COM257 does not exist
      {{"--count", "2", "--for", "COM5", "--pace"}, 3},  // no such clock
      {{"--count", "2", "--for", "COM3", "--log", dir.file("same"), "--for", "COM4", "--log", dir.file("same")}, 3},
  };
  for (const auto& c : cases) {
    const std::string what = c.args.empty() ? "COM2 file" : c.args[0] + " " + c.args[1];
    EmulatorProcess bad(dir.path(), c.args, c.port);
    EXPECT_FALSE(bad.start(1s)) << what;
    EXPECT_TRUE(bad.waitForExit(1s)) << what;
    EXPECT_EQ(bad.exitStatus(), 2) << what;
    const std::string errors = bad.errors();
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << what << ": " << errors;
    EXPECT_LT(errors.size(), 300u) << what;
    EXPECT_TRUE(std::all_of(errors.begin(), errors.end() - 1, [](char b) { return b >= ' ' && b <= '~'; }))
        << what << ": " << errors;
    struct stat st;
    EXPECT_NE(::lstat(dir.file("COM1").c_str(), &st), 0) << what;  // nothing linked
  }
  std::ifstream com2(dir.file("COM2"));
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(com2), {}), "not the emulator's");
  struct stat st;
  EXPECT_TRUE(::lstat(dir.file("fifo").c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
}

TEST_F(EmulatorInput, FilesNamedLikeItsTemporaryOnesAreLeftAlone) {
  for (const char* name : {"COM1.new", "emulator-COM1.cfg.tmp"}) std::ofstream(dir.file(name)) << name;
  ASSERT_NO_FATAL_FAILURE(startClock());
  EXPECT_EQ(port->ask("$1=0\r\n", 1), Replies{"$ok\r"});  // saved, too
  clock->stop();
  EXPECT_EQ(clock->savedValue("language"), "0");
  for (const char* name : {"COM1.new", "emulator-COM1.cfg.tmp"}) {
    std::ifstream in(dir.file(name));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), name);
  }
}

}  // namespace
