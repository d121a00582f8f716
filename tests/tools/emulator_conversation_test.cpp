// The emulator as the program meets it: reads, sends, its files and its port, over a real pseudo-terminal.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>

#include "clock_on_port.h"

namespace {

const Replies kDefaultSettings = {"$S1=2\r", "$S2=+01\r", "$S3=0\r", "$S4=72\r", "$S5=0\r"};
const Replies kDefaultMonday = {"=S06:30:00 ON\r", "=S08:15:00 OFF\r", "=S17:45:30 ON\r", "=S23:00:00 OFF\r",
                                "=-DEL\r",         "=-DEL\r",          "=-DEL\r",         "=-DEL\r"};
const Replies kDeletedDay(8, "=-DEL\r");

std::string dayRequest(int day) { return "$2" + std::to_string(day) + "=\r"; }

// A distinct time for every entry of the week: hour 10+entry, minute 7×day, second entry.
std::string timeOf(int day, int entry, const char* separator) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d%s%02d%s%02d", 10 + entry, separator, 7 * day, separator, entry);
  return buf;
}

bool exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

class EmulatorConversation : public ClockOnPortTest {};

TEST_F(EmulatorConversation, ReadRequestGetsFiveSettingsWithRelayLastThenEachDayEightEntries) {
  ASSERT_NO_FATAL_FAILURE(startClock());
  EXPECT_EQ(port->ask("$\r", 5), kDefaultSettings);
  EXPECT_EQ(port->ask(dayRequest(1), 8), kDefaultMonday);
  EXPECT_EQ(port->ask(dayRequest(2), 8), kDeletedDay);
  const Replies wednesday = port->ask(dayRequest(3), 8);
  ASSERT_EQ(wednesday.size(), 8u);
  EXPECT_EQ(wednesday[0], "=S07:00:00 ON\r");
  EXPECT_EQ(wednesday[1], "=S12:30:15 OFF\r");
  for (int day = 4; day <= 7; ++day) EXPECT_EQ(port->ask(dayRequest(day), 8), kDeletedDay) << "day " << day;
  // Bare CRs are not answered, and nothing comes that was not asked for.
  port->write("\r\r");
  EXPECT_EQ(port->readUntilCrs(1, 300ms), "");
}

TEST_F(EmulatorConversation, FullSendIsAcknowledgedAppliedSavedAndReadBack) {
  ASSERT_NO_FATAL_FAILURE(startClock());
  Replies sends = {"$1=0\r\n", "$5=3\r\n", "$2=-12\r\n", "$3=1\r\n", "$4=720\r\n"};
  for (int day = 1; day <= 7; ++day)
    for (int entry = 0; entry < 8; ++entry) {
      const std::string head = "$2" + std::to_string(day) + "=" + std::to_string(entry) + ",";
      const std::string time = timeOf(day, entry, ",");
      const char* tails[] = {",ON\r\r\n", ",ON \r\n", ",ON\r\n", ",ON\r\n", ",OFF\r\n", ",OFF\r\n"};
      sends.push_back(entry < 6 ? head + time + tails[entry] : head + "DEL\r\n");
    }
  ASSERT_EQ(sends.size(), 61u);
  for (const auto& send : sends) ASSERT_EQ(port->ask(send, 1), Replies{"$ok\r"}) << send;
  EXPECT_EQ(clock->receivedMessages().size(), 61u);

  // The file is written before each acknowledgement, so it already holds the last entry.
  EXPECT_EQ(clock->savedValue("language"), "0");
  EXPECT_EQ(clock->savedValue("relay"), "3");
  EXPECT_EQ(clock->savedValue("utc"), "-12");
  EXPECT_EQ(clock->savedValue("dls"), "1");
  EXPECT_EQ(clock->savedValue("timeout"), "720");
  EXPECT_EQ(clock->savedValue("Mon 1"), "10:07:00 ON");
  EXPECT_EQ(clock->savedValue("Tue 2"), "11:14:01 ON");
  EXPECT_EQ(clock->savedValue("Sun 6"), "15:49:05 OFF");
  EXPECT_EQ(clock->savedValue("Mon 7"), "DEL");
  EXPECT_EQ(clock->savedValue("Sun 8"), "DEL");

  EXPECT_EQ(port->ask("$\r", 5), (Replies{"$S1=0\r", "$S2=-12\r", "$S3=1\r", "$S4=720\r", "$S5=3\r"}));
  Replies wednesday;
  for (int entry = 0; entry < 6; ++entry)
    wednesday.push_back("=S" + timeOf(3, entry, ":") + (entry < 4 ? " ON\r" : " OFF\r"));
  wednesday.insert(wednesday.end(), 2, "=-DEL\r");
  EXPECT_EQ(port->ask(dayRequest(3), 8), wednesday);
}

TEST_F(EmulatorConversation, UtcCommandDayRequestAndSwitchTimeCommandAreToldApart) {
  ASSERT_NO_FATAL_FAILURE(startClock());
  EXPECT_EQ(port->ask("$2=5\r\n", 1), Replies{"$ok\r"});
  EXPECT_EQ(clock->savedValue("utc"), "+5");
  EXPECT_EQ(port->ask("$25=\r", 8), kDeletedDay);
  EXPECT_EQ(port->ask("$25=3,04,05,06,ON\r\n", 1), Replies{"$ok\r"});
  EXPECT_EQ(clock->savedValue("Fri 4"), "04:05:06 ON");
  EXPECT_EQ(clock->savedValue("utc"), "+5");
  EXPECT_EQ(port->ask("$\r", 5), (Replies{"$S1=2\r", "$S2=+05\r", "$S3=0\r", "$S4=72\r", "$S5=0\r"}));
  EXPECT_EQ(port->ask("$2=-5\r\n", 1), Replies{"$ok\r"});
  EXPECT_EQ(port->ask("$\r", 5), (Replies{"$S1=2\r", "$S2=-05\r", "$S3=0\r", "$S4=72\r", "$S5=0\r"}));
  EXPECT_EQ(port->ask("$4=5\r\n", 1), Replies{"$ok\r"});
  EXPECT_EQ(port->ask("$\r", 5), (Replies{"$S1=2\r", "$S2=-05\r", "$S3=0\r", "$S4=5\r", "$S5=0\r"}));
}

TEST_F(EmulatorConversation, CommandsOutOfRangeOrMalformedGetErrorAndChangeNothing) {
  ASSERT_NO_FATAL_FAILURE(startClock());
  const std::string before = clock->savedConfig();
  for (const std::string bad :
       {"$1=5\r\n", "$5=4\r\n", "$2=13\r\n", "$2=+1\r\n", "$3=2\r\n", "$4=0\r\n", "$4=721\r\n", "$6=1\r\n",
        "$21=0,24,00,00,ON\r\n", "$21=0,12,60,00,ON\r\n", "$21=8,12,00,00,ON\r\n", "$28=0,DEL\r\n",
        "$21=0,12,00,00,ONN\r\n", "$28=\r", "?\r"})
    EXPECT_EQ(port->ask(bad, 1), Replies{"$error\r"}) << bad;
  EXPECT_EQ(clock->savedConfig(), before);
  EXPECT_EQ(port->ask("$\r", 5), kDefaultSettings);
}

TEST_F(EmulatorConversation, FillerOptionChangesOnlyTheSecondCharacter) {
  ASSERT_NO_FATAL_FAILURE(startClock({"--filler", "#"}));
  EXPECT_EQ(port->ask("$\r", 5), (Replies{"$#1=2\r", "$#2=+01\r", "$#3=0\r", "$#4=72\r", "$#5=0\r"}));
  const Replies monday = port->ask(dayRequest(1), 8);
  ASSERT_EQ(monday.size(), 8u);
  EXPECT_EQ(monday[1], "=#08:15:00 OFF\r");
  EXPECT_EQ(monday[7], "=-DEL\r");
}

TEST_F(EmulatorConversation, ConfigFileIsLoadedAndSavedFileLoadsBackTheSame) {
  const std::string config = dir.file("clock.cfg");
  std::ofstream(config) << "# a test clock\n"
                           "language = 4\n  relay=1  \nutc = -3 # west\ndls = 1\ntimeout = 150\n"
                           "Thu 8 = 23:59:59 ON\nSun 1 = 00:00:01 OFF\n";
  ASSERT_NO_FATAL_FAILURE(startClock({"--config", config}));
  const Replies loaded = port->ask("$\r", 5);
  EXPECT_EQ(loaded, (Replies{"$S1=4\r", "$S2=-03\r", "$S3=1\r", "$S4=150\r", "$S5=1\r"}));
  // A file's week starts empty: Monday's built-in times are gone.
  EXPECT_EQ(port->ask(dayRequest(1), 8), kDeletedDay);
  Replies thursday(7, "=-DEL\r"), sunday(7, "=-DEL\r");
  thursday.push_back("=S23:59:59 ON\r");
  sunday.insert(sunday.begin(), "=S00:00:01 OFF\r");
  EXPECT_EQ(port->ask(dayRequest(4), 8), thursday);
  EXPECT_EQ(port->ask(dayRequest(7), 8), sunday);

  // What one clock saved, another loads.
  EmulatorProcess second(dir.path(), {"--config", clock->savePath(), "--save", dir.file("second.cfg")}, 2);
  ASSERT_TRUE(second.start());
  PortClient secondPort(second.linkPath());
  EXPECT_EQ(secondPort.ask("$\r", 5), loaded);
  second.stop();
  std::ifstream a(clock->savePath()), b(dir.file("second.cfg"));
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(a), {}),
            std::string(std::istreambuf_iterator<char>(b), {}));
}

TEST_F(EmulatorConversation, MalformedConfigFileStopsTheEmulatorBeforeItLinks) {
  for (const std::string text :
       {"language = 5\n", "Mon 9 = DEL\n", "Mon 1 = 25:00:00 ON\n", "colour = red\n",
        "KELVOX configuration 2\n", "Mon 1 = \"12:00:00 ON\"\n", "Mon 1 = \"12,00,00,ON\\q\"\n"}) {
    std::ofstream(dir.file("bad.cfg")) << text;
    EmulatorProcess bad(dir.path(), {"--config", dir.file("bad.cfg")});
    EXPECT_FALSE(bad.start()) << text;
    EXPECT_TRUE(bad.waitForExit(5s));
    EXPECT_EQ(bad.exitStatus(), 2) << text;
    EXPECT_FALSE(exists(bad.linkPath()));
  }
}

TEST_F(EmulatorConversation, PortOutlivesTheProgramClosingItAndLinkLivesAsLongAsTheEmulator) {
  ASSERT_EQ(::symlink("/nonexistent/old-clock", dir.file("COM1").c_str()), 0);  // left over from a crash
  ASSERT_NO_FATAL_FAILURE(startClock());
  port.reset();  // the program closes the port ...
  port = std::make_unique<PortClient>(clock->linkPath());
  EXPECT_EQ(port->ask("$\r", 5), kDefaultSettings);  // ... and opens it again
  port.reset();
  port = std::make_unique<PortClient>(clock->linkPath());
  EXPECT_EQ(port->ask("$1=3\r\n", 1), Replies{"$ok\r"});

  clock->stop();
  EXPECT_EQ(clock->exitStatus(), 0);
  EXPECT_FALSE(exists(clock->linkPath()));
  EXPECT_EQ(clock->savedValue("language"), "3");
}

TEST_F(EmulatorConversation, SeveralClocksEachHoldTheirOwnConfigurationCountAndFaults) {
  std::ofstream(dir.file("two.cfg")) << "utc = -5\n";
  std::ofstream(dir.file("three.cfg")) << "language = 4\ntimeout = 150\n";
  ASSERT_NO_FATAL_FAILURE(startClocks(3, {"--for", "COM2", "--config", dir.file("two.cfg"), "--for", "COM3",
                                          "--config", dir.file("three.cfg"), "--vanish-at", "2"}));
  const Replies settings[] = {
      kDefaultSettings,
      {"$S1=2\r", "$S2=-05\r", "$S3=0\r", "$S4=72\r", "$S5=0\r"},
      {"$S1=4\r", "$S2=+01\r", "$S3=0\r", "$S4=150\r", "$S5=0\r"},
  };
  for (int i = 2; i >= 0; --i) EXPECT_EQ(ports[i]->ask("$\r", 5), settings[i]) << "COM" << i + 1;
  EXPECT_EQ(ports[0]->ask("$1=0\r\n", 1), Replies{"$ok\r"});  // COM1's message 2
  EXPECT_EQ(files[0]->savedValue("language"), "0");
  EXPECT_EQ(files[1]->savedValue("language"), "2");

  ports[2]->write("$1=0\r\n");  // COM3's message 2: it vanishes, alone
  EXPECT_TRUE(ports[2]->hungUp(3s));
  EXPECT_FALSE(exists(files[2]->linkPath()));
  EXPECT_EQ(files[2]->savedValue("language"), "4");
  EXPECT_EQ(ports[1]->ask("$\r", 5), settings[1]);
  EXPECT_EQ(ports[0]->ask("$\r", 5), (Replies{"$S1=0\r", "$S2=+01\r", "$S3=0\r", "$S4=72\r", "$S5=0\r"}));
  EXPECT_TRUE(clock->isRunning());

  // A stop ends every clock, and each saves what it holds.
  ::unlink(files[1]->savePath().c_str());
  clock->stop();
  EXPECT_EQ(clock->exitStatus(), 0);
  EXPECT_EQ(files[1]->savedValue("utc"), "-5");
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(exists(files[i]->linkPath())) << "COM" << i + 1;
  EXPECT_EQ(files[0]->receivedMessages().size(), 3u);
  EXPECT_EQ(files[1]->receivedMessages().size(), 2u);
  EXPECT_EQ(files[2]->receivedMessages(), (Replies{"$\r", "$1=0\r\n"}));
}

// What a script sees: the ready lines in port order, a file of each clock's own when one name is
// given for all, and the end once every clock has gone.
TEST_F(EmulatorConversation, SeveralClocksSayReadyInPortOrderAndTheEmulatorEndsWhenAllHaveVanished) {
  const std::string command = "exec timeout 20 " + EmulatorProcess::executable() + " --dir " + dir.path() +
                              " --port 4 --count 3 --vanish-at 1 --save " + dir.file("emu.cfg") + " --log " +
                              dir.file("emu.log") + " 2>" + dir.file("errors");
  FILE* out = ::popen(command.c_str(), "r");
  ASSERT_NE(out, nullptr);
  const auto nextLine = [out] {
    char line[256] = {};
    return std::fgets(line, sizeof line, out) ? std::string(line) : std::string();
  };
  for (const std::string name : {"COM4", "COM5", "COM6"}) {
    const std::string ready = nextLine();
    char target[256] = {};
    const ssize_t n = ::readlink(dir.file(name).c_str(), target, sizeof target - 1);
    EXPECT_EQ(ready, "ready " + name + " " + std::string(target, n > 0 ? n : 0) + "\n");
  }
  for (const std::string name : {"COM6", "COM4", "COM5"}) {
    PortClient client(dir.file(name));
    client.write("$\r");
    EXPECT_TRUE(client.hungUp(3s)) << name;
  }
  Replies vanished;
  for (std::string line; !(line = nextLine()).empty();) vanished.push_back(line);
  std::sort(vanished.begin(), vanished.end());
  EXPECT_EQ(vanished, (Replies{"vanished COM4\n", "vanished COM5\n", "vanished COM6\n"}));
  EXPECT_EQ(::pclose(out), 0);
  for (const std::string name : {"emu-COM4", "emu-COM5", "emu-COM6"}) {
    EXPECT_TRUE(exists(dir.file(name + ".cfg"))) << name;
    EXPECT_TRUE(exists(dir.file(name + ".log"))) << name;
  }
  EXPECT_FALSE(exists(dir.file("emu.cfg")));
}

TEST_F(EmulatorConversation, LogShowsEachReceivedLineWithItsLineEndsAndNumbersOnlyMessages) {
  ASSERT_NO_FATAL_FAILURE(startClock());
  port->ask("\r", 0, 100ms);
  port->ask("$1=1\r\n", 1);
  port->ask("$21=0,12,00,00,ON\r\r\n", 1);
  const std::string log = clock->log();
  EXPECT_NE(log.find(" rx - \"\\r\"\n"), std::string::npos) << log;
  EXPECT_NE(log.find(" rx 1 \"$1=1\\r\\n\"\n"), std::string::npos) << log;
  EXPECT_NE(log.find(" rx 2 \"$21=0,12,00,00,ON\\r\"\n"), std::string::npos) << log;
  EXPECT_NE(log.find(" tx \"$ok\\r\"\n"), std::string::npos) << log;
  EXPECT_EQ(clock->receivedMessages(), (Replies{"$1=1\r\n", "$21=0,12,00,00,ON\r"}));
}

}  // namespace
