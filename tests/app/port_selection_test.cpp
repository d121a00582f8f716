// "kelvox.ini" and the port buttons, without a clock: reading the saved port, replacing the
// file in one step (and never with a failed write or over what is no regular file), the
// start-up choice and the write error shown once per run.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QTimer>
#include <csignal>
#include <cstdio>

#include "KVX_Setup.h"
#include "full_disk.h"
#include "Serial4.h"
#include "device_events.h"
#include "port_settings_file.h"
#include "emulator_process.h"
#include "radio_group.h"
#include "window_support.h"

namespace {

TEST(PortSettingsFile, OnlyTheFourthCharacterOfTheFirstLineCounts) {
  ScratchFolder folder;
  const TPortSettingsFile file = folder.settingsFile();
  EXPECT_FALSE(file.canRead());
  EXPECT_EQ(file.savedPort(), 0);

  const struct {
    QByteArray content;
    int port;
  } cases[] = {
      {"COM3\r\n", 3}, {"COM7\r\n", 7},     {"xyz2", 2}, {"COM", 0},        {"CO\r\nM3\r\n", 0},
      {"", 0},         {"COM4trailing", 4}, {"COM0", 0}, {"COM\n2\r\n", 0},
  };
  for (const auto& c : cases) {
    folder.write("kelvox.ini", c.content);
    EXPECT_TRUE(file.canRead());
    EXPECT_EQ(file.savedPort(), c.port) << c.content.toStdString();
  }
}

TEST(PortSettingsFile, WriteReplacesTheFileWholeAndLeavesNothingBehind) {
  ScratchFolder folder;
  const TPortSettingsFile file = folder.settingsFile();
  folder.write("kelvox.ini", "COM2 and a much longer first line\r\nsecond line\r\n");
  ASSERT_TRUE(file.write(5));
  EXPECT_EQ(folder.read("kelvox.ini"), "COM5\r\n");
  EXPECT_EQ(file.savedPort(), 5);  // COM5..COM9 are usable buttons too
  ASSERT_TRUE(file.write(3));
  EXPECT_EQ(file.savedPort(), 3);
  const QStringList left =
      QDir(folder.path()).entryList({QStringLiteral("kelvox*")}, QDir::Files | QDir::Hidden);
  EXPECT_EQ(left, QStringList{QStringLiteral("kelvox.ini")});

  // Something that is not a file stands in the way: the write fails and reports it.
  QDir(folder.path()).mkdir(QStringLiteral("blocked.ini"));
  EXPECT_FALSE(TPortSettingsFile(folder.file("blocked.ini")).write(1));
  EXPECT_TRUE(QFileInfo(folder.file("blocked.ini")).isDir());
}

// Saving is switched off for a folder, not for the program: a start folder that is no settings
// folder keeps its files unwritten, while another folder's are written.
TEST(PortSettingsFile, SavingIsSwitchedOffForItsFolderAlone) {
  ScratchFolder start, settings;
  const TWorkingFolder startOnly(localPath(start.path()), TSaving::SwitchedOff);
  const TWorkingFolder own = settings.workingFolder();
  const QString plan = settings.file(QStringLiteral("plans/a.cfg"));
  EXPECT_FALSE(startOnly.settingsFile().write(3));
  startOnly.dialogFolderFile().remember(plan);
  EXPECT_TRUE(own.settingsFile().write(4));
  own.dialogFolderFile().remember(plan);
  EXPECT_FALSE(start.exists("kelvox.ini"));
  EXPECT_FALSE(start.exists("kelvox-folder.ini"));
  EXPECT_EQ(settings.read("kelvox.ini"), "COM4\r\n");
  EXPECT_EQ(settings.read("kelvox-folder.ini"), (settings.file(QStringLiteral("plans")) + u'\n').toUtf8());
}

TEST(PortSettingsFile, ANameThatIsNoRegularFileIsNeitherReadNorReplaced) {
  ScratchFolder folder;
  const CurrentFolder here(folder.path());
  folder.write("target.ini", "COM2\r\n");
  ASSERT_EQ(::mkfifo("fifo.ini", 0600), 0);  // no writer: an open that waits would wait for ever
  ASSERT_EQ(::mkdir("folder.ini", 0700), 0);
  // A device node of its own where the test may make one (root), else a link to the machine's.
  if (::mknod("device.ini", S_IFCHR | 0600, makedev(1, 3)) != 0) {
    ASSERT_EQ(::symlink("/dev/null", "device.ini"), 0);
  }
  ASSERT_EQ(::symlink("fifo.ini", "fifo-link.ini"), 0);
  ASSERT_EQ(::symlink("target.ini", "link.ini"), 0);

  const struct {
    const char* name;
    int saved;
    bool written;
  } cases[] = {
      {"fifo.ini", 0, false},   {"fifo-link.ini", 0, false}, {"folder.ini", 0, false},
      {"device.ini", 0, false}, {"link.ini", 2, true},  // read and written through the link
  };
  for (const auto& c : cases) {
    struct stat before {
    }, after{};
    ASSERT_EQ(::lstat(c.name, &before), 0);
    const TPortSettingsFile file(QString::fromLatin1(c.name));
    ::alarm(1);  // a read that waits ends the test program within a second
    EXPECT_EQ(file.canRead(), c.saved != 0) << c.name;
    EXPECT_EQ(file.savedPort(), c.saved) << c.name;
    ::alarm(0);
    EXPECT_EQ(file.write(3), c.written) << c.name;
    ASSERT_EQ(::lstat(c.name, &after), 0) << c.name;
    EXPECT_EQ(after.st_mode, before.st_mode) << c.name;  // the same kind of thing stands there
    EXPECT_EQ(after.st_rdev, before.st_rdev) << c.name;
  }
  EXPECT_EQ(folder.read("target.ini"), "COM3\r\n");
}

TEST(PortSettingsFile, AFullDiskLeavesTheOldFileAsItWas) {
  ScratchFolder folder;
  QDir(folder.path()).mkdir(QStringLiteral("disk"));
  FullDisk disk(folder.file("disk"));
  const TPortSettingsFile file(folder.file("disk/kelvox.ini"));
  ASSERT_TRUE(file.write(2));
  disk.fill();
  EXPECT_FALSE(file.write(3));
  disk.release();
  EXPECT_EQ(folder.read("disk/kelvox.ini"), "COM2\r\n");
  EXPECT_EQ(QDir(folder.file("disk")).entryList({QStringLiteral("kelvox*")}, QDir::Files | QDir::Hidden),
            QStringList{QStringLiteral("kelvox.ini")});
}

TEST(PortSettingsFile, AReplacedFileKeepsItsModeAndOwner) {
  ScratchFolder folder;
  const CurrentFolder here(folder.path());
  folder.write("kelvox.ini", "COM2\r\n");
  // Only root may keep a file of another owner.
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown("kelvox.ini", 1234, 5678), 0);
  }
  const mode_t mode = root ? 0604 : 0640;
  ASSERT_EQ(::chmod("kelvox.ini", mode), 0);
  ASSERT_TRUE(folder.settingsFile().write(3));
  EXPECT_EQ(folder.read("kelvox.ini"), "COM3\r\n");
  struct stat st {};
  ASSERT_EQ(::stat("kelvox.ini", &st), 0);
  EXPECT_EQ(st.st_mode & 07777, mode);
  if (root) {
    EXPECT_EQ(std::make_pair(st.st_uid, st.st_gid), std::make_pair(uid_t{1234}, gid_t{5678}));
  }
}

TEST(PortSettingsFile, AWritableFileInAFolderThatIsNotIsRewrittenInPlace) {
  ScratchFolder folder;
  const CurrentFolder here(folder.path());
  ASSERT_EQ(::chmod(QFile::encodeName(folder.path()).constData(), 0755), 0);  // others may look in
  ASSERT_EQ(::mkdir("locked", 0755), 0);
  folder.write("locked/kelvox.ini", "COM2\r\n");
  ASSERT_EQ(::chmod("locked/kelvox.ini", 0666), 0);
  ASSERT_EQ(::chmod("locked", 0555), 0);
  // Root may write into any folder: the write is made as an ordinary user.
  const bool root = ::geteuid() == 0;
  if (root && ::seteuid(65534) != 0) GTEST_SKIP() << "cannot act as an ordinary user";
  // A folder above the scratch folder may keep that user out altogether.
  const bool reachable = ::faccessat(AT_FDCWD, "locked/kelvox.ini", W_OK, AT_EACCESS) == 0;
  const bool written = reachable && TPortSettingsFile(QStringLiteral("locked/kelvox.ini")).write(3);
  ASSERT_TRUE(!root || ::seteuid(0) == 0) << "still an ordinary user";
  ::chmod("locked", 0755);
  if (!reachable) GTEST_SKIP() << "the scratch folder is out of an ordinary user's reach";
  EXPECT_TRUE(written);
  EXPECT_EQ(folder.read("locked/kelvox.ini"), "COM3\r\n");
}

// Reports the device events the test names, in place of the machine's.
class StandInDeviceEvents : public TDeviceEvents {
 public:
  using TDeviceEvents::report;
};

class PortSelectionTest : public ::testing::Test {
 protected:
  void makeWindow() {
    form = std::make_unique<TForm1>(folder.workingFolder(), folder.portList());
    boxes = recordBoxesOf(*form);
  }
  QRadioButton* com(int port) { return form->findChild<QRadioButton*>(QStringLiteral("COM%1").arg(port)); }
  std::vector<int> checkedPorts() {
    std::vector<int> ports;
    for (int port = 1; port <= 9; ++port)
      if (com(port)->isChecked()) ports.push_back(port);
    return ports;
  }

  ScratchFolder folder;  // no port is present
  std::unique_ptr<TForm1> form;
  RecordingBoxes* boxes = nullptr;
};

TEST_F(PortSelectionTest, NoFileAndNoPortSelectsAndSavesNothing) {
  makeWindow();
  form->TimeoutTimer();
  EXPECT_TRUE(checkedPorts().empty());
  EXPECT_FALSE(folder.exists("kelvox.ini"));
  EXPECT_TRUE(boxes->plain.empty());
}

// Each button and menu item names its device; a port the search skipped says why there, and on
// standard error. Listing the ports opens none.
TEST_F(PortSelectionTest, PortsSayWhatTheyAreAndWhyTheSearchSkippedThem) {
  // COM2 and COM3 are devices; COM3's is kept by another program's lock file.
  int masters[2] = {-1, -1}, slaves[2] = {-1, -1};
  QString devices[2];
  for (int i = 0; i < 2; ++i) {
    char name[256] = {};
    ASSERT_EQ(openpty(&masters[i], &slaves[i], name, nullptr, nullptr), 0);
    devices[i] = QString::fromLatin1(name);
    const QString link = folder.file(QStringLiteral("COM%1").arg(i + 2));
    QFile::remove(link);
    QFile::link(devices[i], link);
  }
  folder.write("LCK.." + devices[1].mid(5).replace('/', '_'), QByteArray("         1\n"));
  makeWindow();
  testing::internal::CaptureStderr();
  form->TimeoutTimer();
  const QString written = QString::fromStdString(testing::internal::GetCapturedStderr());

  const QString expected[] = {"COM1: not present", QString::fromUtf8("COM2 \u2014 link to ") + devices[0],
                              QString::fromUtf8("COM3 \u2014 link to ") + devices[1] + ": in use by PID 1",
                              "COM4: not present", "COM5: not present"};
  for (int port = 1; port <= 5; ++port) {
    EXPECT_EQ(com(port)->toolTip(), expected[port - 1]);
    EXPECT_EQ(!com(port)->testAttribute(Qt::WA_ForceDisabled), port == 2 || port == 3) << port;
  }
  EXPECT_EQ(written, "COM3: in use by PID 1\n");
  QStringList items;
  for (QAction* item : form->findChild<QMenu*>(QStringLiteral("PortMenu"))->actions()) items << item->text();
  EXPECT_EQ(items, (QStringList{expected[1], expected[2], QString(), "&Find the clock"}));
  form.reset();
  for (int fd : {masters[0], masters[1], slaves[0], slaves[1]}) ::close(fd);
}

TEST_F(PortSelectionTest, SavedPortIsSelectedEvenWhenAbsentAndWrittenAgain) {
  folder.write("kelvox.ini", "COM3");
  makeWindow();
  form->TimeoutTimer();
  EXPECT_EQ(checkedPorts(), std::vector<int>{3});
  EXPECT_FALSE(com(3)->isEnabledTo(form.get()));
  EXPECT_EQ(form->serial().Port(), 3);
  EXPECT_FALSE(form->serial().Active());
  EXPECT_EQ(form->serial().Parity(), paEven);
  EXPECT_EQ(folder.read("kelvox.ini"), "COM3\r\n");
  EXPECT_TRUE(form->transfer().reading());
  EXPECT_EQ(form->transfer().day(), -1);
}

// What kelvox.ini names is selected, COM5..COM9 and ports no button names included, present or
// not; a file that names no port selects none. Only a file that would change is written.
TEST_F(PortSelectionTest, TheSavedPortIsSelectedAndTheFileWrittenOnlyWhenItChanges) {
  const struct {
    QByteArray file;
    std::vector<int> checked;
    const char* selected;
    QByteArray after;
  } cases[] = {
      {"COM7 and more", {7}, "COM7", "COM7\r\n"},
      {"COM7\r\n", {7}, "COM7", "COM7\r\n"},
      {"COMX kept as it is", {}, nullptr, "COMX kept as it is"},
      {"COM-\r\nport=COM12\r\n", {}, "COM12", "COM-\r\nport=COM12\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file.toStdString());
    folder.write("kelvox.ini", c.file);
    makeWindow();
    form->TimeoutTimer();
    EXPECT_EQ(checkedPorts(), c.checked);
    EXPECT_EQ(form->selectedEntry() ? form->selectedEntry()->name.toStdString() : "", c.selected ? c.selected : "");
    EXPECT_EQ(folder.read("kelvox.ini"), c.after);
    form.reset();
  }
}

TEST_F(PortSelectionTest, ClicksSelectApplyAndSaveOncePerSelection) {
  makeWindow();
  form->TimeoutTimer();
  form->TimeoutTimer();  // no clock: the window becomes usable
  com(5)->setEnabled(true);
  com(6)->setEnabled(true);

  com(5)->click();
  EXPECT_EQ(checkedPorts(), std::vector<int>{5});
  EXPECT_EQ(form->serial().Port(), 5);
  EXPECT_EQ(folder.read("kelvox.ini"), "COM5\r\n");
  EXPECT_TRUE(form->transfer().reading());  // a read was started
  EXPECT_EQ(form->transfer().day(), -1);

  // A click on the selected port does nothing: no save, no request, the mark stays.
  form->TimeoutTimer();
  QFile::remove(folder.file("kelvox.ini"));
  com(5)->click();
  EXPECT_EQ(checkedPorts(), std::vector<int>{5});
  EXPECT_FALSE(folder.exists("kelvox.ini"));
  EXPECT_TRUE(form->transfer().idle());

  com(6)->click();
  EXPECT_EQ(checkedPorts(), std::vector<int>{6});
  EXPECT_EQ(folder.read("kelvox.ini"), "COM6\r\n");
}

TEST_F(PortSelectionTest, WriteErrorIsShownOncePerRunAndNothingIsSavedAfterIt) {
  QDir(folder.path()).mkdir(QStringLiteral("kelvox.ini"));  // cannot be replaced by a file
  makeWindow();
  form->TimeoutTimer();
  form->TimeoutTimer();
  boxes->plain.clear();

  form->findChild<TRadioGroup*>(QStringLiteral("Language"))->setItemIndex(0);
  form->COMClick(5);
  ASSERT_EQ(boxes->plain.size(), 1u);
  EXPECT_TRUE(boxes->plain[0].startsWith("KELVOX.INI schrijffout!\nCOM selectie"))
      << boxes->plain[0].toStdString();
  EXPECT_FALSE(form->timeoutTimer().interval() == 2000);
  EXPECT_TRUE(form->transfer().reading());  // the read is started all the same
  EXPECT_EQ(form->transfer().day(), -1);

  form->TimeoutTimer();
  boxes->plain.clear();
  QDir(folder.path()).rmdir(QStringLiteral("kelvox.ini"));  // writable again, but no longer tried
  form->COMClick(6);
  EXPECT_TRUE(boxes->plain.empty());
  EXPECT_FALSE(folder.exists("kelvox.ini"));
}

// Started with nothing plugged in, the clock's adapter comes behind COM2 while the window is
// open (the emulator started late), and goes again: the buttons follow the device events, and
// "Read clock" with no port open finds the clock as the start-up does.
TEST_F(PortSelectionTest, ButtonsFollowTheDevicesAndReadClockFindsALateClock) {
  using namespace std::chrono_literals;
  auto events = std::make_unique<StandInDeviceEvents>();
  StandInDeviceEvents* devices = events.get();
  makeWindow();
  form->setDeviceEvents(std::move(events));
  form->TimeoutTimer();
  form->TimeoutTimer();  // no clock: the no-answer message
  for (int port = 1; port <= 4; ++port) EXPECT_FALSE(com(port)->isEnabledTo(form.get())) << port;

  EmulatorProcess clock(folder.path().toStdString(), {}, 2);
  ASSERT_TRUE(clock.start());
  devices->report(TDeviceEvents::Change::Added, "/dev/ttyUSB0");
  ASSERT_TRUE(waitUntil([&] { return com(2)->isEnabledTo(form.get()); }, 2s));
  EXPECT_FALSE(com(1)->isEnabledTo(form.get()));
  EXPECT_TRUE(checkedPorts().empty());

  form->ReadClockClick();
  ASSERT_TRUE(waitUntil([&] { return form->transfer().idle() && clock.receivedMessages().size() == 8; }, 8s));
  EXPECT_EQ(checkedPorts(), std::vector<int>{2});  // selected and saved once the clock answered there
  EXPECT_EQ(folder.read("kelvox.ini"), "COM2\r\n");
  EXPECT_EQ(form->findChild<QLabel*>(QStringLiteral("clockfound"))->text(), "OK");
  EXPECT_EQ(boxes->plain.size(), 1u);

  clock.stop();
  EmulatorProcess::linkUnusedPorts(folder.path().toStdString(), {1, 3, 4, 5, 6, 7, 8, 9});
  ASSERT_TRUE(waitUntil([&] { return !form->serial().Active(); }, 2s));
  devices->report(TDeviceEvents::Change::Removed, "/dev/ttyUSB0");
  ASSERT_TRUE(waitUntil([&] { return !com(2)->isEnabledTo(form.get()); }, 2s));
  EXPECT_EQ(com(2)->toolTip(), "COM2: not present");
}

// A flood of device events (a hub, a flaky cable) costs one look at the port list, and looking
// opens no port.
TEST_F(PortSelectionTest, ABurstOfDeviceEventsCostsOneLookAtThePorts) {
  using namespace std::chrono_literals;
  struct CountingList : TPortList {
    std::vector<TPortEntry> ports() const override {
      ++looks;
      return {};
    }
    mutable int looks = 0;
  };
  auto list = std::make_unique<CountingList>();
  const CountingList* counting = list.get();
  auto events = std::make_unique<StandInDeviceEvents>();
  StandInDeviceEvents* devices = events.get();
  makeWindow();
  form->setPortList(std::move(list));
  form->setDeviceEvents(std::move(events));
  form->TimeoutTimer();
  form->TimeoutTimer();
  const int before = counting->looks;
  for (int i = 0; i < 5000; ++i) devices->report(TDeviceEvents::Change::Added, "/dev/ttyUSB0");
  ASSERT_TRUE(waitUntil([&] { return counting->looks > before; }, 2s));
  waitUntil([] { return false; }, 300ms);
  EXPECT_EQ(counting->looks, before + 1);
  EXPECT_FALSE(form->serial().Active());
}

}  // namespace
