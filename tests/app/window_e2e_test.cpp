// The real window and the real serial port against kelvox-clock-emulator on pseudo-terminals,
// offscreen. The start-up tick is run at once where its two seconds do not matter; the reply
// time-outs are real.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <QAccessible>
#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPixmap>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <csignal>
#include <map>
#include <thread>

#include "KVX_Setup.h"
#include "Serial4.h"
#include "TimerPage.h"
#include "emulator_process.h"
#include "gps_stand_in.h"
#include "radio_group.h"
#include "window_support.h"

namespace {

using namespace std::chrono_literals;

// The clock of most tests: German, relay on, UTC -5, a few switch times.
constexpr char kClockConfig[] =
    "language = 1\nrelay = 1\nutc = -5\ndls = 1\ntimeout = 48\n"
    "Mon 1 = 06:30:00 ON\nMon 2 = 22:00:00 OFF\nWed 8 = 12:34:56 ON\nSun 8 = 23:59:59 OFF\n";
const std::map<std::pair<int, int>, std::string> kClockTimes = {
    {{0, 0}, "06,30,00,ON"}, {{0, 1}, "22,00,00,OFF"}, {{2, 7}, "12,34,56,ON"}, {{6, 7}, "23,59,59,OFF"}};

// The 56 switch-time commands a send of that week carries, in their order.
std::vector<std::string> weekCommands() {
  std::vector<std::string> commands;
  for (int day = 0; day < 7; ++day)
    for (int entry = 0; entry < 8; ++entry) {
      const std::string head = "$2" + std::to_string(day + 1) + "=" + std::to_string(entry) + ",";
      const auto set = kClockTimes.find({day, entry});
      commands.push_back(head + (set == kClockTimes.end() ? "DEL" : set->second));
    }
  return commands;
}

// Drops the line end the emulator logged with a message.
std::string bare(std::string message) {
  while (!message.empty() && (message.back() == '\r' || message.back() == '\n')) message.pop_back();
  return message;
}

class WindowWithClock : public ::testing::Test {
 protected:
  void makeWindow() {
    form = std::make_unique<TForm1>(folder->workingFolder(), folder->portList(), testTimes);
    form->setSystemFacts(std::make_unique<NoSystemFacts>());  // never this machine's files
    boxes = recordBoxesOf(*form);
    form->show();
  }
  template <class T>
  T* child(const QString& name) {
    return form->findChild<T*>(name);
  }
  // A raw pseudo-terminal whose far end (master) the test holds, linked as the folder's COM1 in
  // place of the link that leads nowhere.
  bool linkPtyAsCom1(int& master, int& slave) {
    termios raw{};
    cfmakeraw(&raw);
    char name[256] = {};
    if (openpty(&master, &slave, name, &raw, nullptr) != 0) return false;
    const QByteArray link = folder->file("COM1").toLocal8Bit();
    ::unlink(link.constData());
    return ::symlink(name, link.constData()) == 0;
  }

  TRadioGroup* group(const char* name) { return child<TRadioGroup>(QString::fromLatin1(name)); }
  int spin(const char* name) { return child<QSpinBox>(QString::fromLatin1(name))->value(); }
  bool idleAndUsable() {
    return form->transfer().idle() && child<QPushButton>("ReadClock")->isEnabled() &&
           child<QTabWidget>("Settings")->isEnabled();
  }
  // A send ends when its last entry is written; the clock's last acknowledgement follows.
  bool sendDone(const EmulatorProcess& clock, std::size_t messages) {
    return idleAndUsable() && clock.receivedMessages().size() >= messages && !form->timeoutTimer().isActive();
  }
  void writeConfig(const char* name, const char* text) { folder->write(name, text); }

  std::unique_ptr<ScratchFolder> folder;
  std::unique_ptr<TForm1> form;
  TTestTimes testTimes;  // the designed times unless a test shortens them
  RecordingBoxes* boxes = nullptr;
};

TEST_F(WindowWithClock, StartUpReadFillsTheWindowAndSendsWriteEveryCommandInOrder) {
  folder = std::make_unique<ScratchFolder>(std::vector<int>{1});
  writeConfig("clock.cfg", kClockConfig);
  EmulatorProcess clock(folder->path().toStdString(), {"--config", folder->file("clock.cfg").toStdString()});
  ASSERT_TRUE(clock.start());
  makeWindow();
  form->TimeoutTimer();  // the start-up tick
  ASSERT_TRUE(waitUntil([&] { return idleAndUsable(); }, 8s));

  // The read request and the seven day requests.
  const std::vector<std::string> read = clock.receivedMessages();
  ASSERT_EQ(read.size(), 8u);
  EXPECT_EQ(bare(read[0]), "$");
  EXPECT_EQ(bare(read[1]), "$21=");
  EXPECT_EQ(bare(read[7]), "$27=");

  EXPECT_EQ(group("Language")->ItemIndex(), 1);
  EXPECT_EQ(child<QPushButton>("ReadClock")->text(), "Laden von Uhr");  // German captions
  EXPECT_EQ(group("RelayMode")->ItemIndex(), 1);
  EXPECT_EQ(spin("SpinEditUTC"), -5);
  EXPECT_EQ(spin("SpinEditDLS"), 1);
  EXPECT_EQ(spin("SpinEditValid"), 48);
  const std::vector<std::string> week = weekCommands();
  for (int i = 0; i < 56; ++i) EXPECT_EQ(form->weekTable().at(i / 8, i % 8).text(), week[i]) << i;
  EXPECT_EQ(child<QLabel>("clockfound")->text(), "OK");
  // A screen reader hears each row of the shown Monday with the time read.
  const auto spoken = [&](int entry) {
    return QAccessible::queryAccessibleInterface(form->timerPage().timeLabel(entry))->text(QAccessible::Name);
  };
  EXPECT_EQ(spoken(0), "Time 1, 06:30:00");
  EXPECT_EQ(spoken(2), "Time 3, not set");
  EXPECT_EQ(form->serial().MessageStartChar(), '$');
  EXPECT_TRUE(child<QRadioButton>("COM1")->isChecked());
  EXPECT_TRUE(child<QRadioButton>("COM1")->isEnabledTo(form.get()));
  EXPECT_FALSE(child<QRadioButton>("COM2")->isEnabledTo(form.get()));
  EXPECT_EQ(folder->read("kelvox.ini"), "COM1\r\n");
  EXPECT_TRUE(boxes->plain.empty());
  EXPECT_TRUE(form->TimerEdited());  // Monday, shown after the read, holds set times
  form->grab().save(QStringLiteral("/tmp/kelvox-window-after-read.png"));
  // The designed conversation alone: no read-back after a send.
  child<QAction>("VerifyAfterSending1")->setChecked(false);

  // Relay mode 1 after an edit: the question comes first. Cancel sends nothing.
  boxes->answer = RelayAnswer::Cancel;
  form->SendToClockClick();
  ASSERT_EQ(boxes->questions.size(), 1u);
  EXPECT_EQ(boxes->questions[0], "Relais nicht auf Timer!\n");
  settle(200ms);
  EXPECT_EQ(clock.receivedMessages().size(), 8u);
  EXPECT_TRUE(idleAndUsable());

  // No: the relay mode stays 1; 61 commands, in order, each after the acknowledgement before.
  boxes->answer = RelayAnswer::No;
  form->SendToClockClick();
  ASSERT_TRUE(waitUntil([&] { return sendDone(clock, 69); }, 8s));
  std::vector<std::string> sent = clock.receivedMessages();
  ASSERT_EQ(sent.size(), 69u);
  std::vector<std::string> expected = {"$1=1", "$5=1", "$2=-5", "$3=1", "$4=48"};
  expected.insert(expected.end(), week.begin(), week.end());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(bare(sent[8 + i]), expected[i]) << i;
    EXPECT_EQ(sent[8 + i].substr(sent[8 + i].size() - 2), "\r\n") << i;
  }
  EXPECT_EQ(clock.savedValue("relay"), "1");
  EXPECT_EQ(clock.savedValue("utc"), "-5");
  EXPECT_EQ(clock.savedValue("Wed 8"), "12:34:56 ON");
  EXPECT_EQ(clock.savedValue("Sun 8"), "23:59:59 OFF");
  EXPECT_EQ(child<QProgressBar>("ProgressBar1")->value(), 0);
  EXPECT_TRUE(boxes->plain.empty());

  // Yes: relay mode 3 is chosen before anything is sent, and sent second.
  boxes->answer = RelayAnswer::Yes;
  form->SendToClockClick();
  EXPECT_EQ(group("RelayMode")->ItemIndex(), 3);
  ASSERT_TRUE(waitUntil([&] { return sendDone(clock, 130); }, 8s));
  sent = clock.receivedMessages();
  EXPECT_EQ(bare(sent[69]), "$1=1");
  EXPECT_EQ(bare(sent[70]), "$5=3");
  EXPECT_EQ(clock.savedValue("relay"), "3");
  EXPECT_EQ(boxes->questions.size(), 3u);
  EXPECT_TRUE(boxes->plain.empty());

  // "Exit" closes the window and the port.
  ASSERT_TRUE(form->serial().Active());
  child<QAction>("Quit1")->trigger();
  EXPECT_FALSE(form->isVisible());
  EXPECT_FALSE(form->serial().Active());
}

// "Send to clock" reads the clock back after its 61 commands, as "Compare with clock" reads it,
// unless File → "Verify after sending" is unchecked (which is kept for the next start). A clock
// that holds what it was sent ends the send as designed; one that stored another value than it
// acknowledged gets a box naming it, in the window's language.
TEST_F(WindowWithClock, ASendIsReadBackAndADifferenceNamed) {
  const struct {
    const char* name;
    std::vector<std::string> clockArgs;
    bool verify;
    std::size_t messages;  // the start-up read, the send and any read-back
    const char* monday1;   // as the clock stores it
    const char* box;
  } rows[] = {
      {"verified", {}, true, 8 + 61 + 8, "06:30:00 ON", nullptr},
      // Message 14 is the send's sixth command: Monday Time 1, stored a second later.
      {"stored otherwise", {"--corrupt-at", "14"}, true, 8 + 61 + 8, "06:30:01 ON",
       "Die Uhr hat alle 61 Befehle bestätigt, weicht aber vom Fenster ab:\n"
       "Montag Zeit 1: Fenster 06:30:00 ON, Uhr 06:30:01 ON"},
      {"not verified", {"--corrupt-at", "14"}, false, 8 + 61, "06:30:01 ON", nullptr},
      // Message 70 is the read-back's read request.
      {"read back unanswered", {"--silent-from", "70"}, true, 8 + 61 + 1, "06:30:00 ON",
       "Kein antwort von KELVOX!\n"
       "Die Uhr hat alle 61 Befehle bestätigt, aber ihr Inhalt konnte nicht zurückgelesen werden."},
  };
  // A short reply time-out proves the same as the designed 3 s.
  testTimes.replyTimeoutMs = 300;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    folder = std::make_unique<ScratchFolder>(std::vector<int>{1});
    writeConfig("clock.cfg", kClockConfig);
    std::vector<std::string> args{"--config", folder->file("clock.cfg").toStdString()};
    args.insert(args.end(), row.clockArgs.begin(), row.clockArgs.end());
    EmulatorProcess clock(folder->path().toStdString(), args);
    ASSERT_TRUE(clock.start());
    if (!row.verify) {
      makeWindow();  // unchecked in an earlier run of the program
      child<QAction>("VerifyAfterSending1")->setChecked(false);
      form.reset();
    }
    makeWindow();
    EXPECT_EQ(child<QAction>("VerifyAfterSending1")->isChecked(), row.verify);
    bool ended = false;
    QObject::connect(form.get(), &TForm1::sendEnded, [&] { ended = true; });
    form->TimeoutTimer();
    ASSERT_TRUE(waitUntil([&] { return idleAndUsable() && !form->timeoutTimer().isActive(); }, 8s));
    group("RelayMode")->setItemIndex(3);  // no question

    form->SendToClockClick();
    ASSERT_TRUE(waitUntil([&] { return ended; }, 8s));
    EXPECT_TRUE(idleAndUsable());
    EXPECT_EQ(child<QProgressBar>("ProgressBar1")->value(), 0);
    settle(200ms);
    const std::vector<std::string> heard = clock.receivedMessages();
    ASSERT_EQ(heard.size(), row.messages);
    if (row.verify) {
      EXPECT_EQ(bare(heard[69]), "$");
    }
    if (row.messages == 77) {
      EXPECT_EQ(bare(heard[76]), "$27=");
    }
    EXPECT_EQ(clock.savedValue("Mon 1"), row.monday1);
    if (row.box) {
      ASSERT_EQ(boxes->plain.size(), 1u);
      EXPECT_EQ(boxes->plain[0], QString::fromUtf8(row.box));
    } else {
      EXPECT_TRUE(boxes->plain.empty());
    }
    form.reset();
  }
}

TEST_F(WindowWithClock, ErrorReplyInTheMiddleOfASendEndsIt) {
  folder = std::make_unique<ScratchFolder>(std::vector<int>{1});
  // Messages 1..8 are the start-up read; 12 is the daylight saving command of the send.
  EmulatorProcess clock(folder->path().toStdString(), {"--error-at", "12"});
  ASSERT_TRUE(clock.start());
  makeWindow();
  form->TimeoutTimer();
  ASSERT_TRUE(waitUntil([&] { return idleAndUsable(); }, 8s));
  group("RelayMode")->setItemIndex(3);  // no question

  form->SendToClockClick();
  ASSERT_TRUE(waitUntil([&] { return !boxes->plain.empty(); }, 5s));
  EXPECT_EQ(boxes->plain[0], "No answer from clock, check connections!");
  settle(300ms);
  EXPECT_EQ(clock.receivedMessages().size(), 12u);  // nothing after the refused command
  EXPECT_TRUE(idleAndUsable());
  EXPECT_EQ(child<QLabel>("clockfound")->text(), "----");
  EXPECT_EQ(child<QProgressBar>("ProgressBar1")->value(), 0);
}

TEST_F(WindowWithClock, NoClockGivesTheNoAnswerMessageAfterAboutFiveSeconds) {
  folder = std::make_unique<ScratchFolder>();
  const auto start = std::chrono::steady_clock::now();
  makeWindow();
  ASSERT_TRUE(waitUntil([&] { return !boxes->plain.empty(); }, 12s));
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GT(took, 4s);
  EXPECT_LT(took, 9s);
  EXPECT_EQ(boxes->plain[0].section(u'\n', 0, 0), "No answer from clock, check connections!");
  EXPECT_TRUE(idleAndUsable());
  EXPECT_EQ(child<QLabel>("clockfound")->text(), "----");
  EXPECT_EQ(child<QPushButton>("SendToClock")->text(), "Send Settings to Clock");
  EXPECT_FALSE(folder->exists("kelvox.ini"));
}

// A GPS receiver on COM1 and the clock on COM2, no port saved. Its lines never extend the reply
// time: the start-up read on COM1 ends in the no-answer message after its 3 s. "Read clock" then
// asks the other port that opens and selects it once the clock answers there. A port the owner
// clicked is never changed behind their back.
// With no kelvox.ini every port is asked at once: a GPS receiver on COM1, a silent device on
// COM2, a port in use on COM3, the clock on COM12. The clock's port hears the designed
// conversation; the others hear the read request and the bare CR, and nothing else. The clock's
// port is selected and saved once it answered.
TEST_F(WindowWithClock, TheSearchAsksEveryPortAtOnceAndTellsTheOthersNothingMore) {
  folder = std::make_unique<ScratchFolder>(std::vector<int>{1, 2, 3});
  writeConfig("clock.cfg", kClockConfig);
  GpsStandIn gps(folder->path().toStdString(), 1);
  GpsStandIn silent(folder->path().toStdString(), 2);
  silent.stopTalking();
  int master = -1, slave = -1;
  char busy[256] = {};
  ASSERT_EQ(openpty(&master, &slave, busy, nullptr, nullptr), 0);
  QFile::link(QString::fromLatin1(busy), folder->file("COM3"));
  folder->write("LCK.." + QString::fromLatin1(busy).mid(5).replace('/', '_'), QByteArray("         1\n"));
  ASSERT_TRUE(gps.ready() && silent.ready());
  EmulatorProcess clock(folder->path().toStdString(), {"--config", folder->file("clock.cfg").toStdString()}, 12);
  ASSERT_TRUE(clock.start());
  makeWindow();
  form->TimeoutTimer();
  ASSERT_TRUE(waitUntil([&] { return idleAndUsable() && clock.receivedMessages().size() >= 8; }, 8s));
  EXPECT_TRUE(boxes->plain.empty());
  EXPECT_EQ(form->selectedEntry()->name, "COM12");
  for (int port = 1; port <= 9; ++port)  // no COM button names it
    EXPECT_FALSE(child<QRadioButton>(QStringLiteral("COM%1").arg(port))->isChecked()) << port;
  EXPECT_EQ(folder->read("kelvox.ini"), "COM-\r\nport=COM12\r\n");
  EXPECT_EQ(spin("SpinEditUTC"), -5);
  std::vector<std::string> heard;
  for (const std::string& message : clock.receivedMessages()) heard.push_back(bare(message));
  const std::vector<std::string> designed = {"$", "$21=", "$22=", "$23=", "$24=", "$25=", "$26=", "$27="};
  EXPECT_EQ(heard, designed);
  // They read what came every 200 ms; their ports were closed when the clock answered.
  waitUntil([&] { return gps.heard().size() >= 3 && silent.heard().size() >= 3; }, 2s);
  EXPECT_EQ(gps.heard(), "$\r\r");
  EXPECT_EQ(silent.heard(), "$\r\r");
  EXPECT_NE(child<QRadioButton>("COM3")->toolTip().indexOf("in use by PID 1"), -1);
  form.reset();
  for (int fd : {master, slave}) ::close(fd);
}

// The port the clock answered on goes on as the search opened it, not reopened: a reopen would
// drop its line and, made inside that port's own handler, hold the window up. The test holds the
// other end of COM1, answers as the clock and sets the line's speed behind the program's back,
// which a reopen would set again.
TEST_F(WindowWithClock, TheSearchKeepsTheClocksPortAsItAnsweredOnIt) {
  folder = std::make_unique<ScratchFolder>();
  int master = -1;
  int slave = -1;
  ASSERT_TRUE(linkPtyAsCom1(master, slave));
  ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
  std::string heard;
  const auto hears = [&](const std::string& text) {
    const auto arrived = [&] {
      char buffer[64];
      for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;)
        heard.append(buffer, static_cast<std::size_t>(n));
      return heard.find(text) != std::string::npos;
    };
    return waitUntil(arrived, 5s);
  };
  makeWindow();
  form->TimeoutTimer();  // no kelvox.ini: the search asks every port
  ASSERT_TRUE(hears("$\r")) << heard;
  termios slow{};
  ASSERT_EQ(tcgetattr(slave, &slow), 0);
  cfsetspeed(&slow, B9600);
  ASSERT_EQ(tcsetattr(slave, TCSANOW, &slow), 0);
  const std::string settings = "$S1=2\r$S2=-05\r$S3=1\r$S4=48\r$S5=3\r";
  ASSERT_EQ(::write(master, settings.data(), settings.size()), static_cast<ssize_t>(settings.size()));

  ASSERT_TRUE(hears("$21=\r")) << heard;  // the read goes on with Monday
  termios now{};
  ASSERT_EQ(tcgetattr(slave, &now), 0);
  EXPECT_EQ(cfgetospeed(&now), static_cast<speed_t>(B9600)) << "the clock's port was opened again";
  EXPECT_TRUE(form->serial().Active());
  EXPECT_EQ(spin("SpinEditUTC"), -5);
  form.reset();
  ::close(master);
  ::close(slave);
}

// The clock on a port no COM button names: the SerialPorts group and the clockfound label name
// the port in use and its device, in their tool tip and for a screen reader, until it is lost.
TEST_F(WindowWithClock, TheSerialPortGroupNamesThePortInUse) {
  struct Row {
    const char* name;
    const char* description;
    const char* manufacturer;
    const char* usbId;
    const char* expected;
  };
  const Row rows[] = {
      {"COM12", "USB Serial Port", "FTDI", "", "COM12 \u2014 USB Serial Port (FTDI)"},
      {"/dev/ttyUSB0", "FT232R USB UART", "FTDI", "0403:6001",
       "/dev/ttyUSB0 \u2014 FT232R USB UART (FTDI, USB 0403:6001)"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    folder = std::make_unique<ScratchFolder>(std::vector<int>{1});
    EmulatorProcess clock(folder->path().toStdString());
    ASSERT_TRUE(clock.start());
    TPortEntry entry;
    entry.name = QString::fromUtf8(row.name);
    entry.path = QString::fromStdString(clock.linkPath());
    entry.description = QString::fromUtf8(row.description);
    entry.manufacturer = QString::fromUtf8(row.manufacturer);
    entry.usbId = QString::fromUtf8(row.usbId);
    makeWindow();
    form->setPortList(std::make_unique<TFixedPortList>(std::vector<TPortEntry>{entry}));
    EXPECT_EQ(child<QGroupBox>("SerialPorts")->toolTip(), "");
    form->TimeoutTimer();  // no kelvox.ini: the search finds the clock there
    ASSERT_TRUE(waitUntil([&] { return idleAndUsable() && clock.receivedMessages().size() >= 8; }, 8s));

    const QString expected = QString::fromUtf8(row.expected);
    for (QWidget* widget : {static_cast<QWidget*>(child<QGroupBox>("SerialPorts")),
                            static_cast<QWidget*>(child<QLabel>("clockfound"))}) {
      EXPECT_EQ(widget->toolTip(), expected) << widget->objectName().toStdString();
      EXPECT_EQ(widget->accessibleDescription(), expected) << widget->objectName().toStdString();
    }
    EXPECT_EQ(child<QLabel>("clockfound")->text(), "OK");
    EXPECT_EQ(child<QGroupBox>("SerialPorts")->title(), "Serial port");
    EXPECT_EQ(form->windowTitle(), "KELVOX Setup");

    clock.stop();  // unplugged
    ASSERT_TRUE(waitUntil([&] { return !form->serial().Active(); }, 3s));
    EXPECT_EQ(child<QLabel>("clockfound")->toolTip(), expected + ": not open");
    form.reset();
  }
}

// The saved port is gone (its adapter now stands as COM14 and says nothing of its identity): the
// window looks on every port at start, as the command line does, and keeps where the clock is.
TEST_F(WindowWithClock, ASavedPortThatIsGoneSendsTheStartUpReadLookingOnEveryPort) {
  folder = std::make_unique<ScratchFolder>(std::vector<int>{1});
  folder->write("kelvox.ini", "COM-\r\nport=COM12\r\n");
  EmulatorProcess clock(folder->path().toStdString(), {}, 14);
  ASSERT_TRUE(clock.start());
  makeWindow();
  testing::internal::CaptureStderr();
  form->TimeoutTimer();
  const bool read = waitUntil([&] { return idleAndUsable() && clock.receivedMessages().size() >= 8; }, 8s);
  const std::string written = testing::internal::GetCapturedStderr();
  ASSERT_TRUE(read);
  EXPECT_TRUE(boxes->plain.empty());
  EXPECT_EQ(form->selectedEntry()->name, "COM14");
  EXPECT_EQ(folder->read("kelvox.ini"), "COM-\r\nport=COM14\r\n");
  EXPECT_NE(written.find("COM12, saved in kelvox.ini, is not available (no such device); looking for the clock on "
                         "every port"),
            std::string::npos)
      << written;
}

// A line that damages characters, which a pseudo-terminal never does: the test holds the other
// end of COM1, turns the marking off under the program once it has applied its settings, and
// writes the mark a serial driver writes for a byte with a parity error.
TEST_F(WindowWithClock, ADamagedCharacterIsNeverTakenAndEndsTheReadWithItsOwnBox) {
  folder = std::make_unique<ScratchFolder>();
  int master = -1;
  int slave = -1;
  ASSERT_TRUE(linkPtyAsCom1(master, slave));
  folder->write("kelvox.ini", "COM1\r\n");  // the owner's port: no search, which would skip damaged talk
  makeWindow();
  form->TimeoutTimer();  // the start-up read asks COM1
  ASSERT_TRUE(form->transfer().reading());
  termios t{};
  ASSERT_EQ(tcgetattr(slave, &t), 0);
  t.c_iflag &= ~(PARMRK | INPCK);
  ASSERT_EQ(tcsetattr(slave, TCSANOW, &t), 0);
  const std::string languageDutchDamaged("$S1=\377\0" "0\r", 8);
  ASSERT_EQ(::write(master, languageDutchDamaged.data(), languageDutchDamaged.size()), 8);

  ASSERT_TRUE(waitUntil([&] { return !boxes->plain.empty(); }, 2s));
  EXPECT_EQ(boxes->plain[0], "The line to the clock gave damaged characters.\nCheck the cable or the adapter!");
  EXPECT_EQ(form->lastFailure(), TransferFailure::LineError);
  EXPECT_EQ(group("Language")->ItemIndex(), 2);  // still English
  EXPECT_TRUE(idleAndUsable());
  form.reset();
  ::close(master);
  ::close(slave);
}

TEST_F(WindowWithClock, ClockFallingSilentInTheMiddleOfTheReadIsTimedOut) {
  folder = std::make_unique<ScratchFolder>(std::vector<int>{1});
  writeConfig("clock.cfg", kClockConfig);
  // Monday and Tuesday come; the request for Wednesday (message 4) stays unanswered.
  EmulatorProcess clock(folder->path().toStdString(),
                        {"--config", folder->file("clock.cfg").toStdString(), "--silent-from", "4"});
  ASSERT_TRUE(clock.start());
  makeWindow();
  form->setReplyTimeoutMs(1500);  // a time-out, shorter than the designed one, is all this needs
  form->TimeoutTimer();
  ASSERT_TRUE(waitUntil([&] { return !boxes->plain.empty(); }, 8s));
  EXPECT_TRUE(idleAndUsable());
  EXPECT_EQ(form->serial().MessageStartChar(), '$');
  EXPECT_EQ(form->weekTable().at(0, 0).text(), "$21=0,06,30,00,ON");
  EXPECT_EQ(form->weekTable().at(2, 7).text(), "$23=7,DEL");  // never received
}

TEST_F(WindowWithClock, SelectingAnotherPortDuringAReadAsksTheClockThere) {
  folder = std::make_unique<ScratchFolder>(std::vector<int>{1, 2});
  writeConfig("second.cfg", "utc = -7\nTue 3 = 01:02:03 OFF\n");
  // COM1 saved: the start-up reads there alone, whatever the machine's load (a search would let
  // the faster second clock win).
  folder->write("kelvox.ini", "COM1\r\n");
  // The first clock answers slowly, so that its read is still running when the port changes.
  EmulatorProcess first(folder->path().toStdString(), {"--delay-ms", "15"}, 1);
  EmulatorProcess second(folder->path().toStdString(), {"--config", folder->file("second.cfg").toStdString()},
                         2);
  ASSERT_TRUE(first.start());
  ASSERT_TRUE(second.start());
  makeWindow();
  form->TimeoutTimer();
  ASSERT_TRUE(waitUntil([&] { return idleAndUsable(); }, 8s));
  EXPECT_TRUE(child<QRadioButton>("COM1")->isChecked());
  ASSERT_TRUE(child<QRadioButton>("COM2")->isEnabledTo(form.get()));
  EXPECT_EQ(form->weekTable().at(1, 2).text(), "$22=2,DEL");

  child<QPushButton>("ReadClock")->click();
  ASSERT_TRUE(waitUntil([&] { return form->transfer().reading() && form->transfer().day() >= 1; }, 5s));
  // The window sends only from its own thread, which turns no event loop here: once the first
  // clock has logged the message written last, it has logged all it was sent, and nothing new
  // comes meanwhile.
  const std::string lastWritten = form->transfer().lastWritten();
  const auto logged = std::chrono::steady_clock::now() + 5s;
  while (bare(first.receivedMessages().back()) != lastWritten && std::chrono::steady_clock::now() < logged)
    std::this_thread::sleep_for(2ms);
  const std::size_t askedFirst = first.receivedMessages().size();
  ASSERT_EQ(bare(first.receivedMessages().back()), lastWritten);
  child<QRadioButton>("COM2")->click();
  ASSERT_TRUE(waitUntil([&] { return idleAndUsable() && !form->timeoutTimer().isActive(); }, 8s));

  EXPECT_EQ(form->serial().Port(), 2);
  EXPECT_EQ(folder->read("kelvox.ini"), "COM2\r\n");
  EXPECT_EQ(spin("SpinEditUTC"), -7);
  EXPECT_EQ(form->weekTable().at(1, 2).text(), "$22=2,01,02,03,OFF");
  EXPECT_EQ(child<QLabel>("clockfound")->text(), "OK");
  EXPECT_TRUE(boxes->plain.empty());
  EXPECT_EQ(second.receivedMessages().size(), 8u);
  EXPECT_EQ(first.receivedMessages().size(), askedFirst);  // the first clock is asked nothing more
}

// The clock's adapter is unplugged and plugged in again: "Read clock" reaches it without a
// restart. Then the link is pointed at another device, and a click on the selected port's button
// reaches the clock there.
TEST_F(WindowWithClock, ClockUnpluggedAndPluggedInAgainIsReachedWithoutARestart) {
  folder = std::make_unique<ScratchFolder>(std::vector<int>{1});
  writeConfig("second.cfg", "utc = -7\n");
  const std::string dir = folder->path().toStdString();
  auto clock = std::make_unique<EmulatorProcess>(dir);
  ASSERT_TRUE(clock->start());
  makeWindow();
  form->TimeoutTimer();
  ASSERT_TRUE(waitUntil([&] { return idleAndUsable() && !form->timeoutTimer().isActive(); }, 8s));
  const auto readDoneOn = [&](EmulatorProcess& on) {
    return idleAndUsable() && !form->timeoutTimer().isActive() && on.receivedMessages().size() == 8;
  };

  clock->stop();  // unplugged
  ASSERT_TRUE(waitUntil([&] { return !form->serial().Active(); }, 3s));
  clock = std::make_unique<EmulatorProcess>(dir);  // plugged in again: a new device behind COM1
  ASSERT_TRUE(clock->start());
  child<QPushButton>("ReadClock")->click();
  EXPECT_TRUE(waitUntil([&] { return readDoneOn(*clock); }, 8s));
  EXPECT_TRUE(form->serial().Active());

  EmulatorProcess second(dir, {"--config", folder->file("second.cfg").toStdString()}, 2);
  ASSERT_TRUE(second.start());
  clock->stop();
  ASSERT_TRUE(waitUntil([&] { return !form->serial().Active(); }, 3s));
  QFile::link(QFile::symLinkTarget(folder->file("COM2")), folder->file("COM1"));
  child<QRadioButton>("COM1")->click();
  EXPECT_TRUE(waitUntil([&] { return readDoneOn(second); }, 8s));
  EXPECT_EQ(spin("SpinEditUTC"), -7);
  EXPECT_EQ(child<QLabel>("clockfound")->text(), "OK");
  EXPECT_TRUE(child<QRadioButton>("COM1")->isChecked());
  EXPECT_TRUE(boxes->plain.empty());
}

// A program held up outside its event loop (by an open that blocks, say) cannot end in order; a
// second signal ends it at once rather than leaving it to hang.
TEST(ExitSignals, ASecondSignalEndsAProgramHeldUpOutsideItsEventLoop) {
  QProcess program;
  program.start(QStringLiteral(KVX_EXIT_SIGNAL_CHILD), {QStringLiteral("--held-up")});
  ASSERT_TRUE(program.waitForReadyRead(10000));
  // Signals that come together count as one: they are sent until the program ends.
  for (int sent = 0; sent < 100 && !program.waitForFinished(100); ++sent)
    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
  ASSERT_EQ(program.state(), QProcess::NotRunning) << "still running";
  EXPECT_EQ(program.exitStatus(), QProcess::CrashExit);  // ended by the signal itself
}

// SIGTERM in the middle of a send: the program closes the port as "Exit" does (no lock file, no
// exclusive use left behind) and says which command the clock acknowledged last.
TEST_F(WindowWithClock, SignalDuringASendClosesThePortAndSaysHowFarItCame) {
  folder = std::make_unique<ScratchFolder>(std::vector<int>{1});
  writeConfig("clock.cfg", "relay = 3\n");  // no relay question before the send
  EmulatorProcess clock(folder->path().toStdString(),
                        {"--config", folder->file("clock.cfg").toStdString(), "--delay-ms", "20"});
  ASSERT_TRUE(clock.start());
  const QString device = QFile::symLinkTarget(folder->file("COM1"));
  QProcess program;
  program.setWorkingDirectory(folder->path());
  program.start(QStringLiteral(KVX_EXIT_SIGNAL_CHILD), {});
  ASSERT_TRUE(program.waitForStarted());
  // The start-up read is 8 messages; the send's first 12 have gone out.
  ASSERT_TRUE(waitUntil([&] { return clock.receivedMessages().size() >= 20; }, 10s)) << clock.log();
  ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
  ASSERT_TRUE(program.waitForFinished(5000));
  EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(program.exitCode(), 128 + SIGTERM);

  const auto received = clock.receivedMessages();
  ASSERT_LT(received.size(), 8u + 61u);  // the send was cut off
  QStringList said;
  for (const QString& line : QString::fromLocal8Bit(program.readAllStandardError()).split('\n'))
    if (line.startsWith("SIGTERM")) said << line;
  const QString head = "SIGTERM during a send to the clock: the last command the clock acknowledged was ";
  ASSERT_EQ(said.size(), 1) << said.join('\n').toStdString();
  // The last message sent may or may not have been acknowledged when the signal came.
  const QString lastSent = QString::fromStdString(bare(received[received.size() - 1]));
  const QString beforeIt = QString::fromStdString(bare(received[received.size() - 2]));
  EXPECT_TRUE(said[0] == head + '"' + lastSent + '"' || said[0] == head + '"' + beforeIt + '"')
      << said[0].toStdString();

  EXPECT_FALSE(folder->exists("LCK.." + device.mid(5).replace('/', '_')));
  const int fd = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  int exclusive = 1;
  EXPECT_EQ(ioctl(fd, TIOCGEXCL, &exclusive), 0);
  EXPECT_EQ(exclusive, 0);
  ::close(fd);
}

}  // namespace
