// The Win32 serial layer under Wine, against kelvox-clock-emulator on the pseudo-terminal that
// Wine sees as COM1 (with-emulator starts it with the options each group needs).
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "clock_line_settings.h"
#include "message_framer.h"
#include "win32_dcb.h"
#include "win32_event_waiter.h"
#include "win32_port.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The DCB's flag word: the bit fields after DCBlength and BaudRate.
std::uint32_t flagWord(const DCB& d) {
  std::uint32_t word = 0;
  std::memcpy(&word, reinterpret_cast<const char*>(&d) + 2 * sizeof(DWORD), sizeof word);
  return word;
}

double processCpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  const auto seconds = [](const FILETIME& t) {
    return ((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
}

// COM1 opened with the clock's settings and both output lines raised, as the component opens it.
class Win32PortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(port_.open(Win32Port::pathForPort(1)), 0);
    ASSERT_EQ(port_.setQueueSizes(1024, 1024), 0);
    ASSERT_EQ(port_.apply(clockLineSettings()), 0);
    port_.setOutputLine(Win32Port::OutputLine::Dtr, true);
    port_.setOutputLine(Win32Port::OutputLine::Rts, true);
    char byte = 0;
    int error = 0;
    while (port_.readByte(byte, error) == 1) {
    }  // what an earlier test left unread
  }

  // The next wait that reports a received character, within `limit`; events 0 if none came.
  PortEvents waitForRxChar(std::chrono::milliseconds limit = 2000ms) {
    const auto end = Clock::now() + limit;
    while (Clock::now() < end) {
      const PortEvents events = waiter_.wait(port_.fd(), 1, false);
      if (events.error != 0 || (events.events & PortEvents::kRxChar)) return events;
    }
    return {};
  }

  void send(const std::string& text) { ASSERT_EQ(port_.write(text.data(), text.size(), 1000ms), 0); }

  // Waits for port events and frames what arrives, as the receive thread does, until `count`
  // messages have come or two seconds have passed.
  std::vector<std::string> receive(std::size_t count, char startChar) {
    std::vector<std::string> messages;
    const auto end = Clock::now() + 2s;
    while (messages.size() < count && Clock::now() < end) {
      const PortEvents events = waiter_.wait(port_.fd(), 1, false);
      if (events.error != 0) break;
      if (!(events.events & PortEvents::kRxChar)) continue;
      char byte = 0;
      int error = 0;
      int got = 0;
      while (port_.readByte(byte, error) == 1) {
        ++got;
        if (framer_.feed(byte, startChar, '\r', 0)) messages.push_back(framer_.message());
      }
      waiter_.noteRead(got);
      EXPECT_EQ(error, 0);
    }
    return messages;
  }

  Win32Port port_;
  Win32EventWaiter waiter_;
  MessageFramer framer_;
};

TEST(Win32Settings, DcbFollowsTheRecord) {
  struct Row {
    const char* what;
    std::uint32_t rate, flags;
    std::uint16_t limit;
    std::uint8_t byteSize, parity, stopBits;
  };
  using S = TLineSettings;
  const Row rows[] = {
      {"the clock: 19200 8E1 checked", 19200, S::kBinary | S::kParityCheck, 341, 8, S::kEvenParity,
       S::kOneStopBit},
      {"14400 7O2 RTS/CTS", 14400, S::kBinary | S::kOutCtsFlow | S::kRtsHandshake, 33, 7, S::kOddParity,
       S::kTwoStopBits},
      {"56000 mark DTR/DSR", 56000, S::kBinary | S::kDtrHandshake | S::kOutDsrFlow, 341, 8, S::kMarkParity,
       S::kOneStopBit},
      {"128000 space XON/XOFF", 128000, S::kBinary | S::kOutXonXoff | S::kInXonXoff, 341, 8, S::kSpaceParity,
       S::kOneStopBit},
      {"256000 none", 256000, S::kBinary, 341, 8, S::kNoParity, S::kOneStopBit},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TLineSettings s = clockLineSettings();
    s.baudRate = row.rate;
    s.flags = row.flags;
    s.xonLimit = s.xoffLimit = row.limit;
    s.byteSize = row.byteSize;
    s.parity = row.parity;
    s.stopBits = row.stopBits;
    const DCB d = dcbFromLineSettings(s);
    EXPECT_EQ(d.DCBlength, sizeof(DCB));
    EXPECT_EQ(d.BaudRate, row.rate);
    EXPECT_EQ(flagWord(d), row.flags);  // all other flags 0: lines under program control
    EXPECT_EQ(d.XonLim, row.limit);
    EXPECT_EQ(d.XoffLim, row.limit);
    EXPECT_EQ(d.ByteSize, row.byteSize);
    EXPECT_EQ(d.Parity, row.parity);
    EXPECT_EQ(d.StopBits, row.stopBits);
    EXPECT_EQ(d.XonChar, 0x11);
    EXPECT_EQ(d.XoffChar, 0x13);
    EXPECT_EQ(d.ErrorChar, '?');
    EXPECT_EQ(d.EofChar, 0);
    EXPECT_EQ(d.EvtChar, 0);

    // Wine takes every one of them; it drops parity on a pseudo-terminal and runs the rates
    // without a Unix constant at 38400, so only the call's success is looked at here.
    Win32Port port;
    ASSERT_EQ(port.open(Win32Port::pathForPort(1)), 0);
    EXPECT_EQ(port.apply(s), 0);
  }
}

class Win32Open : public Win32PortTest {};

TEST_F(Win32Open, AppliesTheClockSettingsAndWatchesThePortsEvents) {
  DCB applied{};
  applied.DCBlength = sizeof applied;
  ASSERT_TRUE(GetCommState(static_cast<HANDLE>(port_.fd()), &applied));
  EXPECT_EQ(applied.BaudRate, 19200u);
  EXPECT_EQ(applied.ByteSize, 8);
  COMMTIMEOUTS timeouts{};
  ASSERT_TRUE(GetCommTimeouts(static_cast<HANDLE>(port_.fd()), &timeouts));
  EXPECT_EQ(timeouts.ReadIntervalTimeout, MAXDWORD);
  EXPECT_EQ(timeouts.ReadTotalTimeoutConstant, 0u);
  DWORD mask = 0;
  ASSERT_TRUE(GetCommMask(static_cast<HANDLE>(port_.fd()), &mask));
  EXPECT_EQ(mask, 0x17Du);
  std::int32_t in = -1, out = -1;
  EXPECT_EQ(port_.inputCount(in), 0);
  EXPECT_EQ(port_.outputCount(out), 0);
  EXPECT_EQ(in, 0);
}

TEST_F(Win32Open, PortNamesAreTheSystemsOwnAndAMissingPortGivesCodeTwo) {
  EXPECT_EQ(Win32Port::pathForPort(1), "\\\\.\\COM1");
  EXPECT_EQ(Win32Port::pathForPort(9), "\\\\.\\COM9");
  Win32Port port;
  EXPECT_EQ(port.open(Win32Port::pathForPort(9)), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(port.isOpen());
  const std::string text = win32ErrorText(ERROR_FILE_NOT_FOUND);  // the system's words
  EXPECT_FALSE(text.empty());
  EXPECT_NE(text.back(), '\n');
}

// Why a port did not open, in the kinds the POSIX layer gives too.
TEST_F(Win32Open, FailedOpenGivesAKindTheSystemsCodeAndAReason) {
  using Kind = OpenFailure::Kind;
  const struct {
    int port;  // 0: the code is given, not met by opening a port
    int code;
    Kind kind;
    const char* reason;  // nullptr: the system's text
  } cases[] = {{9, ERROR_FILE_NOT_FOUND, Kind::NotFound, "no such device"},
               // Wine lets a second opener in, so Windows' refusal of one is given here.
               {0, ERROR_ACCESS_DENIED, Kind::InUse, "in use by another program"},
               {0, ERROR_SHARING_VIOLATION, Kind::InUse, "in use by another program"},
               {0, ERROR_INVALID_FUNCTION, Kind::NotASerialPort, "not a serial port"},
               {0, ERROR_GEN_FAILURE, Kind::Other, nullptr}};
  for (const auto& c : cases) {
    Win32Port port;
    const int code = c.port != 0 ? port.open(Win32Port::pathForPort(c.port)) : c.code;
    EXPECT_EQ(code, c.code) << c.port;
    const OpenFailure failure = port.openFailure(code);
    EXPECT_EQ(failure.kind, c.kind) << code;
    EXPECT_EQ(failure.code, code);
    EXPECT_EQ(failure.reason, c.reason ? c.reason : win32ErrorText(code));
  }
}

// The emulator's log: each "tx" line is what it wrote, each "rx N" line a message it received.
std::vector<std::string> emulatorLog(const std::string& kind) {
  std::ifstream log("Z:" + std::string(std::getenv("KVX_EMULATOR_LOG")));
  std::vector<std::string> entries;
  std::string line;
  while (std::getline(log, line)) {
    const std::size_t space = line.find(' ');
    if (line.compare(space + 1, kind.size(), kind) != 0) continue;
    const std::size_t quote = line.find('"');
    std::string bytes;
    for (std::size_t i = quote + 1; i + 1 < line.size(); ++i) {
      if (line[i] != '\\') {
        bytes += line[i];
      } else if (line[++i] == 'r') {
        bytes += '\r';
      } else if (line[i] == 'n') {
        bytes += '\n';
      } else if (line[i] == 'x') {
        bytes += static_cast<char>(std::stoi(line.substr(i + 1, 2), nullptr, 16));
        i += 2;
      } else {
        bytes += line[i];
      }
    }
    entries.push_back(bytes);
  }
  return entries;
}

class Win32Conversation : public Win32PortTest {};

TEST_F(Win32Conversation, ReadsTheWholeClockByteForByte) {
  // The program's read: the settings, then the seven days of eight switch times.
  std::string requests = "$\r";
  send("$\r");
  std::vector<std::string> replies = receive(5, '$');
  ASSERT_EQ(replies.size(), 5u);
  for (char day = '1'; day <= '7'; ++day) {
    const std::string request = std::string("$2") + day + "=\r";
    requests += request;
    send(request);
    const auto entries = receive(8, '=');
    ASSERT_EQ(entries.size(), 8u) << "day " << day;
    replies.insert(replies.end(), entries.begin(), entries.end());
  }
  std::string received;
  for (const auto& r : replies) received += r;
  std::string written;
  for (const auto& w : emulatorLog("tx")) written += w;
  EXPECT_EQ(received, written);
  std::string arrived;
  for (const auto& m : emulatorLog("rx")) arrived += m;
  EXPECT_EQ(arrived, requests);
}

TEST_F(Win32Conversation, ClosingEndsAPendingWaitAtOnce) {
  for (const bool wake : {true, false}) {
    SCOPED_TRACE(wake ? "woken, then closed, as the component closes" : "closed only");
    if (!port_.isOpen()) SetUp();
    auto waiting =
        std::async(std::launch::async, [this, wake] { return waiter_.wait(port_.fd(), 2 + wake, false); });
    ASSERT_EQ(waiting.wait_for(200ms), std::future_status::timeout);  // pending: the line is quiet
    const auto start = Clock::now();
    if (wake) waiter_.wake();
    EXPECT_EQ(port_.close(), 0);
    ASSERT_EQ(waiting.wait_for(750ms), std::future_status::ready);
    EXPECT_LT(Clock::now() - start, 750ms);
    EXPECT_EQ(waiting.get().events, 0u);
  }
}

TEST_F(Win32Conversation, UnreadBytesRaiseNothingMoreUntilMoreArrive) {
  // A command: its acknowledgement comes in one write. The read request's five replies come in
  // five, and those still arriving after the first wait would rightly be reported again.
  send("$1=2\r");
  ASSERT_TRUE(waitForRxChar().events & PortEvents::kRxChar);
  // Nobody reads (no message handler): no wait reports them again.
  auto waiting = std::async(std::launch::async, [this] { return waitForRxChar(); });
  const double cpuBefore = processCpuSeconds();
  EXPECT_EQ(waiting.wait_for(500ms), std::future_status::timeout);
  EXPECT_LT(processCpuSeconds() - cpuBefore, 0.2);
  send("$1=\r");  // a new arrival is reported (the clock acknowledges the command)
  ASSERT_EQ(waiting.wait_for(750ms), std::future_status::ready);
  EXPECT_TRUE(waiting.get().events & PortEvents::kRxChar);
}

TEST_F(Win32Conversation, ReadsNeverWaitAndModemLinesAnswer) {
  char byte = 0;
  int error = 0;
  const auto start = Clock::now();
  EXPECT_EQ(port_.readByte(byte, error), 0);
  EXPECT_EQ(error, 0);
  EXPECT_LT(Clock::now() - start, 100ms);
  DWORD status = 0;
  EXPECT_TRUE(GetCommModemStatus(static_cast<HANDLE>(port_.fd()), &status));
}

// The emulator closes its pseudo-terminal on the first message: the cable is pulled.
class Win32Vanish : public Win32PortTest {};

TEST_F(Win32Vanish, FailedWaitsDoNotSpin) {
  send("$\r");
  // The receive thread's loop: a failed wait pauses 100 ms before the next.
  int passes = 0;
  int failures = 0;
  int firstError = 0;
  const double cpuBefore = processCpuSeconds();
  const auto end = Clock::now() + 1s;
  while (Clock::now() < end) {
    const PortEvents events = waiter_.wait(port_.fd(), 1, false);
    ++passes;
    if (events.error != 0) {
      if (failures++ == 0) firstError = events.error;
      waiter_.pause(100ms);
    }
  }
  EXPECT_LT(processCpuSeconds() - cpuBefore, 0.3);
  EXPECT_LE(passes, 12);  // every wait failed, none came back empty at once
  EXPECT_GE(failures, 1);
  EXPECT_NE(firstError, ERROR_IO_PENDING);
  const auto start = Clock::now();
  EXPECT_EQ(port_.close(), 0);
  EXPECT_LT(Clock::now() - start, 750ms);
}

// The emulator waits five seconds before it answers and reads nothing meanwhile.
class Win32WriteBound : public Win32PortTest {};

TEST_F(Win32WriteBound, AWriteEndsAtItsTimeout) {
  send("$\r");
  const std::string flood(1 << 20, 'x');
  const auto start = Clock::now();
  EXPECT_EQ(port_.write(flood.data(), flood.size(), 300ms), ERROR_TIMEOUT);
  const auto took = Clock::now() - start;
  EXPECT_GE(took, 250ms);
  EXPECT_LT(took, 1000ms);
}

}  // namespace
