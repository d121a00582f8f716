// Opening, line settings, write rules and error reports over a real pseudo-terminal.
#include <grp.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <termios.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <functional>
#include <optional>

#include "pty_fixture.h"
#include "termios_mapping.h"

namespace {

class SerialPortTest : public SerialPtyFixture {
 protected:
  speed_t slaveSpeed() {
    termios t{};
    tcgetattr(slave_, &t);
    return cfgetospeed(&t);
  }
  // A change made behind the component's back, undone only by a reopen.
  void slowDownBehindItsBack() {
    termios t{};
    tcgetattr(slave_, &t);
    cfsetspeed(&t, B9600);
    tcsetattr(slave_, TCSANOW, &t);
    ASSERT_EQ(slaveSpeed(), B9600);
  }
};

int openDescriptors() {
  return static_cast<int>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                        std::filesystem::directory_iterator()));
}

TEST_F(SerialPortTest, OpensWithTheClockLineSettings) {
  auto serial = openClockPort();
  ASSERT_TRUE(serial->Active());
  EXPECT_EQ(serial->ErrorCode(), 0);

  termios t{};
  ASSERT_EQ(tcgetattr(slave_, &t), 0);
  EXPECT_EQ(cfgetospeed(&t), B19200);
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_FALSE(t.c_cflag & CSTOPB);
  EXPECT_FALSE(t.c_cflag & CRTSCTS);
  EXPECT_TRUE(t.c_cflag & CLOCAL);
  EXPECT_TRUE(t.c_cflag & CREAD);
  EXPECT_FALSE(t.c_lflag & (ICANON | ECHO | ISIG));
  EXPECT_FALSE(t.c_oflag & OPOST);
  EXPECT_FALSE(t.c_iflag & (IXON | IXOFF | ICRNL));
  EXPECT_EQ(t.c_cc[VMIN], 0);
  EXPECT_EQ(t.c_cc[VTIME], 0);

  // A pseudo-terminal clears parity, so the even parity is checked in the record built.
  const TLineSettings& s = serial->lineSettings();
  EXPECT_EQ(s.baudRate, 19200u);
  EXPECT_EQ(s.flags, TLineSettings::kBinary | TLineSettings::kParityCheck);
  EXPECT_EQ(s.parity, TLineSettings::kEvenParity);
  EXPECT_EQ(s.byteSize, 8);
  EXPECT_EQ(s.stopBits, TLineSettings::kOneStopBit);
  EXPECT_EQ(s.xonLimit, 341);
  EXPECT_EQ(s.xoffLimit, 341);
  EXPECT_EQ(s.errorChar, '?');
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(SerialPortTest, RecordMapsToTermiosFlags) {
  auto open = openClockPort();  // the record is built at each (re)open
  TSerial& serial = *open;
  const auto mapped = [&] {
    termios t{};
    termiosFromLineSettings(serial.lineSettings(), t);
    return t;
  };
  serial.setParity(PaOdd);
  EXPECT_EQ(mapped().c_cflag & (PARENB | PARODD | CMSPAR), static_cast<tcflag_t>(PARENB | PARODD));
  EXPECT_EQ(mapped().c_iflag & (INPCK | PARMRK | IGNPAR), static_cast<tcflag_t>(INPCK | PARMRK));
  serial.setParity(paMark);
  EXPECT_EQ(mapped().c_cflag & (PARENB | PARODD | CMSPAR), static_cast<tcflag_t>(PARENB | PARODD | CMSPAR));
  serial.setParity(paSpace);
  serial.setCheckParity(false);
  EXPECT_EQ(mapped().c_cflag & (PARENB | PARODD | CMSPAR), static_cast<tcflag_t>(PARENB | CMSPAR));
  EXPECT_FALSE(mapped().c_iflag & (INPCK | PARMRK));
  serial.setDataBits(d7bit);
  serial.setStopBits(st2bit);
  EXPECT_EQ(mapped().c_cflag & CSIZE, static_cast<tcflag_t>(CS7));
  EXPECT_TRUE(mapped().c_cflag & CSTOPB);
  serial.setFlowMode(fcRTS_CTS);
  EXPECT_TRUE(mapped().c_cflag & CRTSCTS);
  serial.setFlowMode(fcXON_XOF);
  EXPECT_FALSE(mapped().c_cflag & CRTSCTS);
  EXPECT_EQ(mapped().c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
  serial.setRxQueueSize(100);
  EXPECT_EQ(serial.lineSettings().xonLimit, 33);
  EXPECT_EQ(serial.ErrorCode(), 0);

  serial.setActive(false);  // while closed a write only stores
  serial.setRxQueueSize(1024);
  EXPECT_EQ(serial.lineSettings().xonLimit, 33);
  EXPECT_FALSE(serial.Active());
}

TEST_F(SerialPortTest, RatesWithoutConstantsWorkAndInvalidRatesShowTheBox) {
  auto serial = openClockPort();
  serial->setNotifyErrors(neEvent);
  serial->OnError = [&](TSerial* s) { ADD_FAILURE() << "error " << s->ErrorCode(); };
  for (std::int32_t rate : {56000, 128000, 256000, 14400}) {
    serial->setBaudrate(rate);
    EXPECT_EQ(serial->Baudrate(), rate);
  }
  EXPECT_TRUE(serial->Active());

  serial->setNotifyErrors(neNone);  // the box comes whatever the mode
  for (std::int32_t rate : {0, 1, 230400}) serial->setBaudrate(rate);
  EXPECT_EQ(serial->Baudrate(), 14400);
  ASSERT_EQ(boxes_.size(), 3u);
  EXPECT_EQ(boxes_[0].first, "Error");
  EXPECT_EQ(boxes_[0].second, "Baudrate is not valid");
}

TEST_F(SerialPortTest, SecondOpenOfTheSamePortFails) {
  auto first = openClockPort();
  ASSERT_TRUE(first->Active());
  auto second = openClockPort();  // as root too: the lock keeps it out
  EXPECT_FALSE(second->Active());
  EXPECT_TRUE(second->ErrorCode() == EWOULDBLOCK || second->ErrorCode() == EBUSY) << second->ErrorCode();

  first->setActive(false);
  second->setActive(true);
  EXPECT_TRUE(second->Active());
}

std::string lockFileText(pid_t pid) {
  char text[16];
  std::snprintf(text, sizeof text, "%10ld\n", static_cast<long>(pid));
  return text;
}

std::string fileText(const std::string& path) {
  std::ifstream file(path);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

// Lock files of the convention in the lock folder: a live one of another process keeps the port
// out, and so does a fresh one that names no PID yet (its program is still writing it); a stale
// or old unreadable one is cleared, and the port's own is there exactly while it is open.
TEST_F(SerialPortTest, LockFilesOfOtherProgramsAreHonouredAndOursIsKeptWhileOpen) {
  const std::string lock = lockFile();
  const pid_t ended = fork();
  if (ended == 0) _exit(0);
  ASSERT_EQ(waitpid(ended, nullptr, 0), ended);
  const struct {
    std::optional<std::string> content;  // nothing: no lock file
    int ageSeconds;
    const char* refusal;  // nullptr: the port opens
  } cases[] = {{std::nullopt, 0, nullptr},
               {lockFileText(1), 0, "in use by PID 1"},
               {lockFileText(ended), 0, nullptr},
               {"garbage\n", 60, nullptr},
               {"", 0, "in use by another program"}};
  for (const auto& c : cases) {
    const std::string name = c.content.value_or("(none)");
    if (c.content) {
      std::ofstream(lock) << *c.content;
      std::filesystem::last_write_time(
          lock, std::filesystem::file_time_type::clock::now() - std::chrono::seconds(c.ageSeconds));
    }
    auto serial = openClockPort();
    ASSERT_EQ(serial->Active(), c.refusal == nullptr) << name;
    if (c.refusal) {
      EXPECT_EQ(serial->ErrorCode(), EBUSY);
      EXPECT_EQ(serial->lastOpenFailure().kind, OpenFailure::Kind::InUse);
      EXPECT_EQ(serial->openFailure(), c.refusal);
      EXPECT_EQ(fileText(lock), *c.content);
      std::filesystem::remove(lock);
      continue;
    }
    EXPECT_EQ(fileText(lock), lockFileText(getpid())) << name;
    serial.reset();
    EXPECT_FALSE(std::filesystem::exists(lock)) << name;
  }
  for (const auto& entry : std::filesystem::directory_iterator(lockFolder_))  // nothing half-made is left
    EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();

  // A link planted under the name of our own helper file is not followed: the file it leads to
  // stays as it was, and the port opens without a lock file.
  const std::string victim = lockFolder_ + "/victim";
  std::ofstream(victim) << "keep\n";
  std::filesystem::create_symlink(victim, lock + ".tmp" + std::to_string(getpid()));
  {
    auto serial = openClockPort();
    EXPECT_TRUE(serial->Active());
    EXPECT_FALSE(std::filesystem::exists(lock));
  }
  EXPECT_EQ(fileText(victim), "keep\n");
  std::filesystem::remove(lock + ".tmp" + std::to_string(getpid()));

  // A lock folder the program cannot write to: it goes on without a lock file of its own.
  PosixPort::setLockFolder(lockFolder_ + "/missing");
  EXPECT_TRUE(openClockPort()->Active());
}

// Anyone may write to the lock folder: a FIFO planted under the lock file's name, or a link to
// one, would stall an open that reads it. Whatever is not a regular file keeps the port out and
// is left where it is.
TEST_F(SerialPortTest, LockFileThatIsNoRegularFileKeepsThePortOutAndStays) {
  const std::string lock = lockFile();
  const std::string fifo = lockFolder_ + "/fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
  const struct {
    const char* name;
    std::function<void()> plant;
  } cases[] = {{"fifo", [&] { ASSERT_EQ(mkfifo(lock.c_str(), 0666), 0); }},
               {"link to a fifo", [&] { std::filesystem::create_symlink(fifo, lock); }},
               {"folder", [&] { std::filesystem::create_directory(lock); }}};
  for (const auto& c : cases) {
    c.plant();
    const auto planted = std::filesystem::symlink_status(lock).type();
    auto serial = openClockPort();
    EXPECT_FALSE(serial->Active()) << c.name;
    EXPECT_EQ(serial->ErrorCode(), EBUSY) << c.name;
    EXPECT_EQ(serial->lastOpenFailure().kind, OpenFailure::Kind::InUse) << c.name;
    EXPECT_EQ(serial->openFailure(), "in use: lock file " + lock + " is not a regular file") << c.name;
    EXPECT_EQ(std::filesystem::symlink_status(lock).type(), planted) << c.name;
    std::filesystem::remove(lock);
  }
  EXPECT_EQ(std::filesystem::status(fifo).type(), std::filesystem::file_type::fifo);
}

// A closed port is left as it was found, also at a rate without a B-constant and after the
// program ran it at one.
TEST_F(SerialPortTest, CloseLeavesTheTerminalAsItWasFound) {
  for (const std::uint32_t foundCustom : {0u, 14400u}) {
    termios found{};
    ASSERT_EQ(tcgetattr(slave_, &found), 0);
    found.c_lflag |= ICANON | ECHO | ISIG;
    found.c_iflag |= ICRNL;
    found.c_oflag |= OPOST;
    cfsetspeed(&found, B9600);
    ASSERT_EQ(tcsetattr(slave_, TCSANOW, &found), 0);
    if (foundCustom != 0) {
      ASSERT_EQ(setCustomSpeed(slave_, foundCustom), 0);
    }

    auto serial = openClockPort();
    ASSERT_TRUE(serial->Active());
    serial->setBaudrate(56000);
    EXPECT_EQ(customSpeedOf(slave_), 56000u);
    serial.reset();

    termios left{};
    ASSERT_EQ(tcgetattr(slave_, &left), 0);
    EXPECT_EQ(left.c_lflag & (ICANON | ECHO | ISIG), static_cast<tcflag_t>(ICANON | ECHO | ISIG)) << foundCustom;
    EXPECT_TRUE(left.c_iflag & ICRNL) << foundCustom;
    EXPECT_TRUE(left.c_oflag & OPOST) << foundCustom;
    EXPECT_EQ(customSpeedOf(slave_), foundCustom);
    if (foundCustom == 0) {
      EXPECT_EQ(cfgetospeed(&left), B9600);
    }
  }
}

TEST_F(SerialPortTest, MissingPortGivesCodeTwo) {
  TSerial serial;
  serial.setNotifyErrors(neNone);
  serial.setPort(9);
  serial.setActive(true);
  EXPECT_FALSE(serial.Active());
  EXPECT_EQ(serial.ErrorCode(), 2);
  EXPECT_EQ(serial.openFailure(), "no such device");
  EXPECT_TRUE(boxes_.empty());

  serial.setNotifyErrors(neDialog);
  serial.setPort(257);  // out of range: ignored
  EXPECT_EQ(serial.Port(), 9);
  serial.setActive(true);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].second, QString::fromLocal8Bit(std::strerror(ENOENT)));
}

// Port n is the COMn entry of the component's port folder (the program's working folder), looked
// up there at each open; without one, of the current directory.
TEST_F(SerialPortTest, PortNumbersAreLookedUpInThePortFolder) {
  const std::filesystem::path here = std::filesystem::current_path();  // COM1 is the clock here
  const std::filesystem::path elsewhere = here / "elsewhere";
  std::filesystem::create_directory(elsewhere);
  std::filesystem::create_symlink("/nonexistent/kvx-tty", elsewhere / "COM1");
  EXPECT_EQ(TSerial::pathForPort(1, elsewhere), (elsewhere / "COM1").string());
  TSerial serial;
  serial.setNotifyErrors(neNone);
  serial.setPort(1);
  serial.setPortFolder(elsewhere);
  serial.setActive(true);
  EXPECT_FALSE(serial.Active());
  EXPECT_EQ(serial.openFailure(), "no such device");
  serial.setPortFolder(here);
  serial.setActive(true);
  EXPECT_TRUE(serial.Active());
}

// Why a port did not open, as both hosts are told it: a kind, the system's code and the reason,
// in short lower-case phrases; what is no device says what it is.
TEST_F(SerialPortTest, FailedOpenGivesAKindTheSystemsCodeAndAReason) {
  using Kind = OpenFailure::Kind;
  std::ofstream("plain-file") << "no terminal\n";
  std::filesystem::create_directory("a-folder");
  ASSERT_EQ(mkfifo("a-fifo", 0600), 0);
  for (const auto& [port, target] : {std::pair{"COM2", "plain-file"}, {"COM3", "a-folder"}, {"COM4", "a-fifo"}}) {
    std::filesystem::remove(port);
    std::filesystem::create_symlink(target, port);
  }
  auto holder = openClockPort();
  ASSERT_TRUE(holder->Active());
  const struct {
    int port;
    Kind kind;
    std::vector<int> codes;  // a second opener is kept out by TIOCEXCL, or as root by the flock
    const char* reason;
  } cases[] = {{9, Kind::NotFound, {ENOENT}, "no such device"},
               {2, Kind::NotASerialPort, {ENOTTY}, "not a serial port: a regular file"},
               {3, Kind::NotASerialPort, {EISDIR}, "not a serial port: a folder"},
               {4, Kind::NotASerialPort, {ENOTTY}, "not a serial port: a FIFO"},
               {1, Kind::InUse, {EBUSY, EWOULDBLOCK}, "in use by another program"}};
  TSerial serial;
  serial.setNotifyErrors(neNone);
  for (const auto& c : cases) {
    serial.setPort(c.port);
    serial.setActive(true);
    ASSERT_FALSE(serial.Active()) << c.reason;
    const OpenFailure& failure = serial.lastOpenFailure();
    EXPECT_EQ(failure.kind, c.kind) << c.reason;
    EXPECT_NE(std::find(c.codes.begin(), c.codes.end(), failure.code), c.codes.end()) << failure.code;
    EXPECT_EQ(failure.code, serial.ErrorCode());
    EXPECT_EQ(failure.reason, c.reason);
    EXPECT_EQ(serial.openFailure(), c.reason);
  }
  serial.setPortPath("COM2");  // a device by its path: as by its number
  serial.setActive(true);
  EXPECT_EQ(serial.lastOpenFailure().kind, Kind::NotASerialPort);
  EXPECT_EQ(serial.Port(), 0);
  serial.setPortPath("");  // back to the number set last
  EXPECT_EQ(serial.Port(), 1);
  holder.reset();
  serial.setActive(true);  // an open that succeeds leaves no failure behind
  ASSERT_TRUE(serial.Active());
  EXPECT_EQ(serial.lastOpenFailure().kind, Kind::None);
  EXPECT_EQ(serial.openFailure(), "");

  // Root opens what the device's mode forbids others, so this one is asked of the port directly,
  // after an open of the device (a node of /dev/null's, which is no terminal). Joining the device's
  // group is the remedy only where that group may read and write it and is not root's.
  const OpenFailure denied = PosixPort().openFailure(EACCES);
  EXPECT_EQ(denied.kind, Kind::PermissionDenied);
  EXPECT_EQ(denied.code, EACCES);
  EXPECT_EQ(denied.reason, "permission denied");
  const group* dialout = getgrnam("dialout");
  if (dialout == nullptr || mknod("device", S_IFCHR | 0600, makedev(1, 3)) != 0)
    GTEST_SKIP() << "a device node of its own needs root and a dialout group";
  const struct {
    gid_t group;
    mode_t mode;
    std::string reason;
  } devices[] = {
      {dialout->gr_gid, 0660, "permission denied; to allow it: sudo usermod -aG dialout $USER, then log in again"},
      {dialout->gr_gid, 0600, "permission denied"},
      {0, 0660, "permission denied"},
  };
  for (const auto& d : devices) {
    ASSERT_EQ(chown("device", 0, d.group), 0);
    ASSERT_EQ(chmod("device", d.mode), 0);
    PosixPort device;
    ASSERT_EQ(device.open("device"), ENOTTY);
    EXPECT_EQ(device.openFailure(EACCES).reason, d.reason) << d.group << " " << d.mode;
  }
}

TEST_F(SerialPortTest, ClosedPortReportsByNotifyMode) {
  TSerial serial;
  EXPECT_EQ(serial.RxWaiting(), 0);
  EXPECT_EQ(serial.TxWaiting(), 0);
  serial.setActive(false);  // closing a closed port reports nothing
  EXPECT_TRUE(boxes_.empty());

  serial.SendString("$\r");  // neDialog: the box, the code stays
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].first, "Error");
  EXPECT_EQ(boxes_[0].second, "The port is not active");
  EXPECT_EQ(serial.ErrorCode(), 0);

  serial.setNotifyErrors(neEvent);  // no handler: nothing, the code stays
  serial.SendChar('\r');
  EXPECT_EQ(serial.ErrorCode(), 0);
  std::int32_t seen = 0;
  serial.OnError = [&](TSerial* s) { seen = s->ErrorCode(); };
  char c = 0;
  EXPECT_EQ(serial.ReadChar(c), 0);
  EXPECT_EQ(seen, -1);

  serial.setNotifyErrors(neNone);
  serial.OnError = [&](TSerial*) { seen = 99; };
  serial.AbortRx();
  serial.AbortTx();
  serial.SetModemLine(mlDTR, true);
  EXPECT_EQ(seen, -1);
  EXPECT_EQ(boxes_.size(), 1u);
}

TEST_F(SerialPortTest, WritingTheSameValueReopensOnlyForQueueSizes) {
  auto serial = openClockPort();
  slowDownBehindItsBack();
  serial->setPort(1);
  serial->setBaudrate(19200);
  serial->setParity(paEven);
  serial->setDataBits(d8bit);
  serial->setStopBits(st1bit);
  serial->setFlowMode(fcNone);
  serial->setCheckParity(true);
  serial->setTimeout(10000);
  EXPECT_EQ(slaveSpeed(), B9600);  // not reopened

  serial->setRxQueueSize(1024);
  EXPECT_EQ(slaveSpeed(), B19200);
  slowDownBehindItsBack();
  serial->setTxQueueSize(1024);
  EXPECT_EQ(slaveSpeed(), B19200);
  slowDownBehindItsBack();
  serial->setStopBits(st2bit);  // a different value reopens
  EXPECT_EQ(slaveSpeed(), B19200);
  // The write bound is no setting of the line: a new one never reopens (and never drops what came in).
  slowDownBehindItsBack();
  serial->setTimeout(100);
  EXPECT_EQ(slaveSpeed(), B9600);
  EXPECT_TRUE(serial->Active());
  EXPECT_EQ(serial->ErrorCode(), 0);
}

TEST_F(SerialPortTest, OpenCloseCyclesLeakNoDescriptor) {
  auto serial = openClockPort();
  serial->setActive(false);
  settle(std::chrono::milliseconds(100));  // the receive thread has finished starting
  const int before = openDescriptors();
  for (int i = 0; i < 100; ++i) {
    serial->setActive(true);
    ASSERT_TRUE(serial->Active());
    serial->setActive(false);
  }
  serial->setPort(9);  // and failed opens
  for (int i = 0; i < 10; ++i) serial->setActive(true);
  EXPECT_EQ(openDescriptors(), before);
}

// Every open port costs descriptors and a thread with its event loop: a port that would leave the
// program none to spare is refused with its reason, where the thread's start would abort it.
TEST_F(SerialPortTest, APortThatWouldLeaveNoDescriptorsToSpareIsRefused) {
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &old), 0);
  rlimit tight = old;
  tight.rlim_cur = static_cast<rlim_t>(openDescriptors() + 8);
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
  auto serial = openClockPort();
  const bool opened = serial->Active();
  const OpenFailure failure = serial->lastOpenFailure();
  serial.reset();
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &old), 0);
  EXPECT_FALSE(opened);
  EXPECT_EQ(failure.code, EMFILE);
  EXPECT_NE(failure.reason.find("too many files open"), std::string::npos) << failure.reason;
}

TEST_F(SerialPortTest, SendsBytesAndRefusesAStringTheQueueCannotHold) {
  auto serial = openClockPort();
  serial->SendString("$21=\r");
  serial->SendChar('\r');
  EXPECT_EQ(clockReceives(6), "$21=\r\r");

  serial->setNotifyErrors(neDialog);
  serial->setWaitOnTxFull(true);
  serial->setTxQueueSize(4);
  serial->SendString("$21=\r");  // returns instead of waiting for room for ever
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].second, "String too long for Tx buffer");
  serial->SendString("ok\r");
  EXPECT_EQ(clockReceives(3), "ok\r");
  EXPECT_EQ(serial->TxWaiting(), 0);
}

}  // namespace
