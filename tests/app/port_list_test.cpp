// The port list: what --list-ports makes of a stand-in list, the machine's list with COMn links
// of a folder (whatever devices the machine has), and the forms --port takes.
#include <gtest/gtest.h>

#include <QFile>
#include <fstream>
#include <QTemporaryDir>
#include <algorithm>
#include <map>
#include <string>
#include <vector>
#include <filesystem>
#include <tuple>
#include <utility>
#include <sys/stat.h>
#include <unistd.h>

#include "clock_session.h"
#include "every_clock.h"
#include "port_argument.h"
#include "port_list.h"
#include "port_diagnosis_texts.h"
#include "port_list_linux.h"
#include "port_listing.h"
#include "port_settings_file.h"
#include "saved_port.h"
#include "posix_port.h"
#include "system_facts_linux.h"

// Readable QStrings in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace {

constexpr int kEnglishIndexForTests = 2;

TPortEntry entry(const char* name, int button, const char* description = "", const char* identity = "") {
  TPortEntry e;
  e.name = e.path = QString::fromUtf8(name);
  e.description = QString::fromUtf8(description);
  e.identity = QString::fromUtf8(identity);
  e.button = button;
  return e;
}

struct ListingCase {
  const char* name;
  TSavedPort saved;
  const char* afterFirstPort;  // what ends the first port's line
  const char* lastLine;        // after the three ports
};

void PrintTo(const ListingCase& c, std::ostream* out) { *out << c.name; }

class PortListing : public testing::TestWithParam<ListingCase> {};

TEST_P(PortListing, GivesOneLinePerPortAndMarksTheSavedOne) {
  const ListingCase& c = GetParam();
  TPortEntry ftdi = entry("/dev/ttyUSB0", 1, "FT232R USB UART", "/dev/serial/by-id/usb-FTDI_A50285BI-if00-port0");
  ftdi.manufacturer = QStringLiteral("FTDI");
  ftdi.usbId = QStringLiteral("0403:6001");
  const TFixedPortList list({ftdi, entry("COM3", 3, "link to /dev/pts/4"), entry("COM12", 0)});
  const std::string expected =
      std::string("/dev/ttyUSB0 (COM1)\tFT232R USB UART (FTDI, USB 0403:6001)\t"
                  "/dev/serial/by-id/usb-FTDI_A50285BI-if00-port0") +
      c.afterFirstPort + "\nCOM3\tlink to /dev/pts/4\t-\nCOM12\t-\t-\n" + c.lastLine;
  EXPECT_EQ(portListing(list.ports(), c.saved).toStdString(), expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, PortListing,
                         testing::Values(ListingCase{"NoneSaved", {}, "", ""},
                                         ListingCase{"SavedByItsButton", {1, {}, {}}, "\tsaved", ""},
                                         ListingCase{"SavedButAbsent", {4, {}, {}}, "", "COM4\tnot present\t-\tsaved\n"},
                                         // Saved as COM5, the adapter now stands behind COM1.
                                         ListingCase{"AMovedAdapterByItsIdentity",
                                                     {5, {}, "/dev/serial/by-id/usb-FTDI_A50285BI-if00-port0"},
                                                     "\tsaved", ""},
                                         // kelvox.ini may hold any bytes: none reaches the terminal raw.
                                         ListingCase{"SavedTextEscaped",
                                                     {0, "/dev/kvx\x1b[2J\a", "\x1b]0;title\a"},
                                                     "", "/dev/kvx\\x1b[2J\\x07\tnot present\t"
                                                         "\\x1b]0;title\\x07\tsaved\n"}),
                         [](const auto& info) { return std::string(info.param.name); });

// The machine's list, whatever /sys shows: the folder's COMn entries that lead somewhere are
// ports under their own names, and each button's entry is what the serial layer opens for it.
// An entry that is no device says what it is.
TEST(SystemPortList, HoldsTheFoldersComLinksAndAgreesWithTheSerialLayer) {
  QTemporaryDir dir;
  const std::filesystem::path folder = dir.path().toStdString();
  for (const char* name : {"COM3", "COM12", "COM200", "com5", "COM012", "COM257"})
    std::filesystem::create_symlink("/dev/null", folder / name);
  std::filesystem::create_symlink("/nonexistent/kvx-test-port", folder / "COM7");  // an absent port
  ASSERT_EQ(::mkfifo((folder / "COM20").c_str(), 0600), 0);
  QFile(dir.filePath(QStringLiteral("COM21"))).open(QIODevice::WriteOnly);
  std::filesystem::create_directory(folder / "COM22");
  std::filesystem::create_symlink("COM20", folder / "COM23");

  const std::vector<TPortEntry> ports = TSystemPortList(folder, TPortScope::FolderLinksOnly).ports();
  std::vector<std::pair<QString, QString>> links;
  for (const TPortEntry& port : ports) {
    if (port.path.startsWith(dir.path())) links.emplace_back(port.name, port.description);
  }
  const QString fifo = dir.filePath(QStringLiteral("COM20"));
  EXPECT_EQ(links, (std::vector<std::pair<QString, QString>>{
                       {"COM3", "link to /dev/null"},
                       {"COM12", "link to /dev/null"},
                       {"COM20", "not a serial port: a FIFO"},
                       {"COM21", "not a serial port: a regular file"},
                       {"COM22", "not a serial port: a folder"},
                       {"COM23", "link to " + fifo + "; not a serial port: a FIFO"},
                       {"COM200", "link to /dev/null"}}));
  const auto com3 = std::find_if(ports.begin(), ports.end(), [](const TPortEntry& p) { return p.name == "COM3"; });
  ASSERT_NE(com3, ports.end());
  EXPECT_EQ(com3->button, 3);
  EXPECT_EQ(com3->path, dir.filePath("COM3"));

  int lastButton = 0;
  for (const TPortEntry& port : ports) {
    if (port.button == 0) {
      lastButton = 10;  // the buttons' ports come first
      continue;
    }
    EXPECT_GT(port.button, lastButton) << port.name.toStdString();
    lastButton = port.button;
    EXPECT_EQ(port.path.toStdString(), PosixPort::pathForPort(port.button, folder.string()));
  }
}

// The one listing of the serial devices, over a stand-in /dev and /sys/class/tty: the numbering's
// order, port n named from it (a COMn entry of the folder first), and the port list built from it
// giving each COM button the device port n names.
TEST(SerialDevices, AreNumberedInOneOrderThatNamesEachPortAsTheListDoes) {
  QTemporaryDir dir;
  const std::filesystem::path root = dir.path().toStdString();
  const std::filesystem::path dev = root / "dev", ttyClass = root / "tty", folder = root / "work";
  for (const auto& path : {dev, ttyClass, folder}) std::filesystem::create_directory(path);
  for (const char* name :
       {"ttyS0", "ttyS1", "ttyS10", "ttyS2", "ttyUSB1", "ttyUSB0", "ttyUSB10", "ttyUSB2", "ttyACM0", "ttyUSB",
        "ttyUSBx", "ttyS3x", "ttyAMA0", "ttyUSB99999999999999999999999"})
    QFile(QString::fromStdString((dev / name).string())).open(QIODevice::WriteOnly);
  // ttyS* count only with a UART behind them: type 0 is none, no type file neither.
  for (const auto& [name, type] : {std::pair{"ttyS0", "4\n"}, {"ttyS1", "0\n"}, {"ttyS10", "4\n"}}) {
    std::filesystem::create_directory(ttyClass / name);
    QFile typeFile(QString::fromStdString((ttyClass / name / "type").string()));
    ASSERT_TRUE(typeFile.open(QIODevice::WriteOnly));
    typeFile.write(type);
  }
  std::filesystem::create_symlink(dev / "ttyACM0", folder / "COM2");

  const std::vector<std::string> devices = PosixPort::serialDevices(dev.string(), ttyClass.string());
  std::vector<std::string> names;
  for (const std::string& device : devices)
    names.push_back(std::filesystem::path(device).lexically_relative(dev).string());
  EXPECT_EQ(names, (std::vector<std::string>{"ttyUSB0", "ttyUSB1", "ttyUSB2", "ttyUSB10", "ttyACM0", "ttyS0",
                                             "ttyS10"}));
  const std::vector<std::pair<int, std::filesystem::path>> ports = {{1, dev / "ttyUSB0"},
                                                                    {2, folder / "COM2"},
                                                                    {3, dev / "ttyUSB2"},
                                                                    {7, dev / "ttyS10"},
                                                                    {8, folder / "COM8"}};
  for (const auto& [n, path] : ports)
    EXPECT_EQ(PosixPort::pathForPort(n, folder.string(), devices), path.string()) << "COM" << n;

  // What Qt says of a numbered device goes with it; a device the numbering does not count
  // follows, with no button. ttyUSB1's number is COM2's link's, ttyACM0 is listed as that link.
  const TPortEntry ftdi = entry((dev / "ttyUSB2").c_str(), 0, "FT232R USB UART");
  const TPortEntry uart = entry((dev / "ttyAMA0").c_str(), 0, "ttyAMA0");
  std::vector<std::tuple<std::string, int, QString>> listed;
  TForeignEntries foreign;
  for (const TPortEntry& port : linuxPorts(folder, devices, {uart, ftdi}, foreign)) {
    listed.emplace_back(std::filesystem::path(port.name.toStdString()).filename().string(), port.button,
                        port.description);
    if (port.button != 0) {
      EXPECT_EQ(port.path.toStdString(), PosixPort::pathForPort(port.button, folder.string(), devices));
    }
  }
  EXPECT_EQ(listed, (std::vector<std::tuple<std::string, int, QString>>{{"ttyUSB0", 1, ""},
                                                                        {"COM2", 2, ""},
                                                                        {"ttyUSB2", 3, "FT232R USB UART"},
                                                                        {"ttyUSB10", 4, ""},
                                                                        {"ttyS0", 6, ""},
                                                                        {"ttyS10", 7, ""},
                                                                        {"ttyUSB1", 0, ""},
                                                                        {"ttyAMA0", 0, "ttyAMA0"}}));
}

// Anyone may put an entry into a shared folder such as /tmp: another user's COMn entry or
// kelvox.ini there is neither listed, opened, read nor written, and one line says so for each,
// however often the working folder's lists and files look at it.
TEST(SystemPortList, LeavesAnotherUsersEntriesInASharedFolderAlone) {
  if (::geteuid() != 0) GTEST_SKIP() << "another user's entry needs root to be made";
  QTemporaryDir dir;
  const std::filesystem::path folder = std::filesystem::canonical(dir.path().toStdString());
  ASSERT_EQ(::chmod(folder.c_str(), 01777), 0);
  for (const char* name : {"COM3", "COM4"}) std::filesystem::create_symlink("/dev/null", folder / name);
  QFile ini(QString::fromStdString((folder / "kelvox.ini").string()));
  ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
  ini.write("COM3\r\n");
  ini.close();
  constexpr uid_t kNobody = 65534;
  for (const char* name : {"COM3", "kelvox.ini"}) ASSERT_EQ(::lchown((folder / name).c_str(), kNobody, kNobody), 0);

  testing::internal::CaptureStderr();
  const TWorkingFolder working(folder);
  std::vector<QString> links;
  for (const TPortEntry& port : TSystemPortList(working, TPortScope::FolderLinksOnly).ports())
    if (port.path.startsWith(QString::fromStdString(folder.string()))) links.push_back(port.name);
  TSystemPortList(working, TPortScope::FolderLinksOnly).ports();
  working.settingsFile().saved();
  const TPortSettingsFile file = working.settingsFile();
  const bool readable = file.canRead();
  const TSavedPort saved = file.saved();
  const bool written = file.write(4);
  const std::string told = testing::internal::GetCapturedStderr();

  EXPECT_EQ(links, std::vector<QString>{"COM4"});  // the user's own, beside another user's
  EXPECT_NE(PosixPort::pathForPort(3, folder.string()), (folder / "COM3").string());
  EXPECT_EQ(PosixPort::pathForPort(4, folder.string()), (folder / "COM4").string());
  EXPECT_FALSE(readable);
  EXPECT_TRUE(saved.empty());
  EXPECT_FALSE(written);
  EXPECT_EQ(ini.open(QIODevice::ReadOnly) ? ini.readAll() : QByteArray(), "COM3\r\n");
  const std::string tail = " belongs to another user, in a shared folder; it is not used\n";
  EXPECT_EQ(told, "kelvox-setup: " + (folder / "COM3").string() + tail + "kelvox-setup: " +
                      (folder / "kelvox.ini").string() + tail);
}

// Windows names a port's hardware by its device instance ID.
// kelvox.ini as saved for a port, read back at the next start, and the port it stands for then,
// when the list's names changed between the two starts (an adapter moved to another USB socket,
// or another one was plugged in first).
TEST(SavedPort, IsWrittenAsEarlierVersionsWroteItAndFollowsTheAdapter) {
  const QString ftdiId = QStringLiteral("/dev/serial/by-id/usb-FTDI_A50285BI-if00-port0");
  TPortEntry usb0 = entry("/dev/ttyUSB0", 1, "FT232R USB UART");
  usb0.identity = ftdiId;
  TPortEntry usb1 = usb0;
  usb1.name = usb1.path = QStringLiteral("/dev/ttyUSB1");
  usb1.button = 2;
  TPortEntry com14 = entry("COM14", 0, "USB Serial Port", "A50285BI");
  const struct {
    const char* name;
    TPortEntry chosen;
    const char* file;
    std::vector<TPortEntry> next;  // the list at the next start
    int found;                     // its index there; -1: not present
    bool moved;
  } cases[] = {
      {"COM3 as ever", entry("COM3", 3), "COM3\r\n", {entry("COM1", 1), entry("COM3", 3)}, 1, false},
      {"COM9 as ever", entry("COM9", 9), "COM9\r\n", {entry("COM9", 9)}, 0, false},
      {"beyond the buttons", entry("COM12", 0), "COM-\r\nport=COM12\r\n", {entry("COM3", 3), entry("COM12", 0)}, 1,
       false},
      {"an adapter moved to COM2", usb0, "COM1\r\nidentity=/dev/serial/by-id/usb-FTDI_A50285BI-if00-port0\r\n",
       {entry("/dev/ttyACM0", 1), usb1}, 1, true},
      {"an adapter renumbered", entry("COM12", 0, "USB Serial Port", "A50285BI"),
       "COM-\r\nport=COM12\r\nidentity=A50285BI\r\n", {entry("COM12", 0), com14}, 1, true},
      {"an adapter absent", usb0, "COM1\r\nidentity=/dev/serial/by-id/usb-FTDI_A50285BI-if00-port0\r\n",
       {entry("COM3", 3)}, -1, false},
  };
  QTemporaryDir dir;
  const TPortSettingsFile file(dir.filePath(QStringLiteral("kelvox.ini")));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(file.write(savedPortOf(c.chosen)));
    QFile written(dir.filePath(QStringLiteral("kelvox.ini")));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll().toStdString(), c.file);
    const TSavedPortMatch match = findSavedPort(file.saved(), c.next);
    EXPECT_EQ(match.index ? static_cast<int>(*match.index) : -1, c.found);
    EXPECT_EQ(match.moved, c.moved);
  }
  // Written by hand, a COMn name in any case names that port, as --port takes it.
  for (const char* text : {"COM-\r\nport=com12\r\n", "COM-\r\nport=Com12\r\nidentity=A50285BI\r\n"}) {
    SCOPED_TRACE(text);
    QFile handWritten(dir.filePath(QStringLiteral("kelvox.ini")));
    ASSERT_TRUE(handWritten.open(QIODevice::WriteOnly | QIODevice::Truncate));
    handWritten.write(text);
    handWritten.close();
    const TSavedPortMatch match =
        findSavedPort(file.saved(), {entry("COM3", 3), entry("COM14", 0), entry("COM12", 0, "USB Serial Port", "A50285BI")});
    EXPECT_EQ(match.index ? static_cast<int>(*match.index) : -1, 2);
    EXPECT_FALSE(match.moved);
    EXPECT_EQ(savedPortName(file.saved()), "COM12");
  }
}

TEST(UsbInstanceId, GivesTheUsbIdsAndASerialNumberOnlyWhereTheDeviceHasOne) {
  const struct {
    const char* id;
    const char* usbId;
    const char* serialNumber;
  } cases[] = {
      {R"(USB\VID_0403&PID_6001\A50285BI)", "0403:6001", "A50285BI"},
      {R"(FTDIBUS\VID_0403+PID_6001+A50285BIA\0000)", "0403:6001", "A50285BIA"},
      {R"(USB\VID_2341&PID_0043&MI_00\7&2A8F3C&0&0000)", "2341:0043", ""},
      {R"(USB\VID_067B&PID_2303\5&3753427A&0&2)", "067b:2303", ""},
      {R"(ACPI\PNP0501\1)", "", ""},
  };
  for (const auto& c : cases) {
    TPortEntry entry;
    readUsbInstanceId(QString::fromLatin1(c.id), entry);
    EXPECT_EQ(entry.usbId.toStdString(), c.usbId) << c.id;
    EXPECT_EQ(entry.serialNumber.toStdString(), c.serialNumber) << c.id;
    EXPECT_EQ(entry.identity, entry.serialNumber) << c.id;
  }
}

struct PortArgumentCase {
  const char* text;
  int number;        // 0: a path or malformed
  const char* path;  // null: malformed
};

TEST(PortArgument, TakesANumberUpTo256AComNameOrAPath) {
  const PortArgumentCase cases[] = {
      {"1", 1, ""},           {"256", 256, ""},    {"0", 0, nullptr},       {"257", 0, nullptr},
      {"COM12", 12, ""},      {"com3", 3, ""},     {"012", 0, nullptr},     {"+3", 0, nullptr},
      {" 3", 0, nullptr},     {"COM", 0, nullptr}, {"COM0", 0, nullptr},    {"garbage", 0, nullptr},
      {"/dev/ttyUSB0", 0, "/dev/ttyUSB0"},         {"./COM12", 0, "./COM12"},
      {"/dev/serial/by-id/usb-FTDI_A50285BI-if00-port0", 0, "/dev/serial/by-id/usb-FTDI_A50285BI-if00-port0"},
      {"\\\\.\\COM12", 0, "\\\\.\\COM12"},
  };
  for (const PortArgumentCase& c : cases) {
    const auto port = parsePortArgument(QString::fromUtf8(c.text));
    ASSERT_EQ(port.has_value(), c.path != nullptr) << c.text;
    if (!port) continue;
    EXPECT_EQ(port->number, c.number) << c.text;
    EXPECT_EQ(port->path, c.path) << c.text;
  }
}

// A host's settings, for a session that only decides about ports.
class NoSettings : public TransferHost {
 public:
  int setting(Setting) const override { return 0; }
  void writeSetting(Setting, int) override {}
};

// The window as a session listener: reasons kept for the buttons' tool tips, texts as it shows them.
class WindowLike : public TSessionListener {
 public:
  void portSkipped(const TPortEntry& port, const QString& reason, const QString& text) override {
    toolTips[port.name] = reason;
    said(text);
  }
  void adapterMoved(const QString& text) override { said(text); }
  void searchingEveryPort(const QString& text) override { said(text); }
  void clockFoundOn(const TPortEntry&, const QString& text) override { said(text); }
  void said(const QString& text) { texts.push_back(text.toStdString()); }

  std::map<QString, QString> toolTips;
  std::vector<std::string> texts;
};

// The command line as a session listener: one line per event.
class CommandLineLike : public TSessionListener {
 public:
  void portSkipped(const TPortEntry&, const QString&, const QString& text) override { line(text); }
  void adapterMoved(const QString& text) override { line(text); }
  void searchingEveryPort(const QString& text) override { line(text); }
  void clockFoundOn(const TPortEntry&, const QString& text) override { line(text); }
  void line(const QString& text) { lines.push_back(text.toStdString()); }

  std::vector<std::string> lines;
};

struct SessionCase {
  const char* name;
  TSavedPort saved;
  const char* entryName;   // the saved port as the session opens it
  const char* openFailure; // the saved port does not open for this reason; null: it opens
  const char* text;        // what both hosts are told; empty: nothing
};

// Both hosts get the same words from their own sessions, and neither hears the other's.
TEST(ClockSession, DecidesTheSavedPortAndGivesEveryHostTheSameWords) {
  const std::vector<TPortEntry> ports{entry("/dev/ttyUSB1", 5, "", "usb-FTDI_A5"), entry("COM12", 0)};
  const SessionCase cases[] = {
      {"followed to its adapter", {1, {}, "usb-FTDI_A5"}, "/dev/ttyUSB1", nullptr,
       "the adapter saved as COM1 in kelvox.ini is now /dev/ttyUSB1; using /dev/ttyUSB1"},
      {"present", {0, "com12", {}}, "COM12", nullptr, ""},
      {"absent, opened as saved", {3, {}, {}}, "COM3", "no such device",
       "COM3, saved in kelvox.ini, is not available (no such device); looking for the clock on every port"},
      {"absent, its name escaped", {0, QStringLiteral("/dev/kvx\x07"), {}}, "/dev/kvx\x07", "no such device",
       "/dev/kvx\\x07, saved in kelvox.ini, is not available (no such device); looking for the clock on every port"},
  };
  NoSettings host;
  WeekTable table;
  WindowLike window;
  CommandLineLike commandLine;
  TClockSession windowSession(host, table);
  TClockSession commandLineSession(host, table);
  windowSession.setListener(&window);
  commandLineSession.setListener(&commandLine);
  for (const SessionCase& c : cases) {
    window.texts.clear();
    commandLine.lines.clear();
    for (TClockSession* session : {&windowSession, &commandLineSession}) {
      std::string opened;
      const bool open = session->openSavedPort(c.saved, ports, [&](const TPortEntry& chosen) {
        opened = chosen.name.toStdString();
        return c.openFailure ? TProblem::other(c.openFailure) : TProblem();
      });
      EXPECT_EQ(opened, c.entryName) << c.name;
      EXPECT_EQ(open, c.openFailure == nullptr) << c.name;
    }
    const std::vector<std::string> expected = *c.text ? std::vector<std::string>{c.text} : std::vector<std::string>{};
    EXPECT_EQ(window.texts, expected) << c.name;
    EXPECT_EQ(commandLine.lines, expected) << c.name;
  }

  // A silent saved port, a port the search skips and the clock found: the same lines again.
  window.texts.clear();
  commandLine.lines.clear();
  for (TClockSession* session : {&windowSession, &commandLineSession}) {
    session->savedPortSilent(QStringLiteral("no answer from the clock on COM3; nothing was written"));
    session->portSkipped(ports[1], QStringLiteral("in use by PID 4711"));
    session->portSkipped(ports[0], QStringLiteral("permission denied"));
    session->clockFoundOn(ports[0]);
  }
  const std::vector<std::string> expected{
      "no answer from the clock on COM3; nothing was written; looking for the clock on every port",
      "COM12: in use by PID 4711", "COM5 (/dev/ttyUSB1): permission denied", "the clock answered on COM5 (/dev/ttyUSB1)"};
  EXPECT_EQ(window.texts, expected);
  EXPECT_EQ(commandLine.lines, expected);
  EXPECT_EQ(window.toolTips, (std::map<QString, QString>{{QStringLiteral("COM12"), QStringLiteral("in use by PID 4711")},
                                                         {QStringLiteral("/dev/ttyUSB1"), QStringLiteral("permission denied")}}));
}

// Why a port did not serve, from a stand-in tree of the system's files: alice (uid 1000) in this
// login's groups 1000 and 24, /dev/ttyUSB0 of the group dialout, mode 0660.
struct DiagnosisCase {
  const char* name;
  TPortFinding finding;
  const char* usbId;                                  // of the port
  const char* dialoutMembers;                         // in /etc/group
  std::vector<std::pair<int, const char*>> running;   // PID and name, in /proc
  int holder;                                         // the PID holding /dev/ttyUSB0 open; 0 none
  int lockOwner;                                      // the PID in its lock file; 0 none
  std::vector<std::tuple<const char*, const char*, bool>> usb;  // vendor, product, a tty behind it
  const char* says;
};

void PrintTo(const DiagnosisCase& c, std::ostream* out) { *out << c.name; }

class PortDiagnosis : public testing::TestWithParam<DiagnosisCase> {};

void writeFile(const std::filesystem::path& path, const std::string& text) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path) << text;
}

TEST_P(PortDiagnosis, NamesTheCauseAndTheFixFromTheSystemsFiles) {
  const DiagnosisCase& c = GetParam();
  QTemporaryDir scratch;
  ASSERT_TRUE(scratch.isValid());
  const std::filesystem::path root = scratch.path().toStdString();
  const std::filesystem::path device = root / "dev/ttyUSB0";
  writeFile(device, "");
  ::chmod(device.c_str(), 0660);
  struct stat st {};
  ASSERT_EQ(::stat(device.c_str(), &st), 0);
  if (st.st_gid == 0) {  // root's group is no fix
    ASSERT_EQ(::chown(device.c_str(), static_cast<uid_t>(-1), 20), 0);
  }
  ASSERT_EQ(::stat(device.c_str(), &st), 0);
  ASSERT_NE(st.st_gid, 24u);
  writeFile(root / "etc/group", "cdrom:x:24:alice\ndialout:x:" + std::to_string(st.st_gid) + ":" + c.dialoutMembers + "\n");
  writeFile(root / "etc/passwd", "bob:x:1001:1001::/home/bob:/bin/sh\nalice:x:1000:1000::/home/alice:/bin/sh\n");
  for (const auto& [pid, program] : c.running) writeFile(root / "proc" / std::to_string(pid) / "comm", std::string(program) + "\n");
  if (c.holder != 0) {
    std::filesystem::create_directories(root / "proc" / std::to_string(c.holder) / "fd");
    std::filesystem::create_symlink("/dev/ttyUSB0", root / "proc" / std::to_string(c.holder) / "fd/3");
  }
  if (c.lockOwner != 0) writeFile(root / "var/lock/LCK..ttyUSB0", "      " + std::to_string(c.lockOwner) + "\n");
  int bus = 1;
  for (const auto& [vendor, product, tty] : c.usb) {
    const std::filesystem::path usb = root / "sys/bus/usb/devices" / ("1-" + std::to_string(bus));
    writeFile(usb / "idVendor", std::string(vendor) + "\n");
    writeFile(usb / "idProduct", std::string(product) + "\n");
    std::filesystem::create_directories(usb / ("1-" + std::to_string(bus++) + ":1.0") / (tty ? "ttyUSB3" : "power"));
  }

  const TLinuxSystemFacts facts(root, {1000, {1000, 24}, 1}, "/var/lock");
  const TPortDiagnosis diagnosis = diagnosePort(c.finding, {"/dev/ttyUSB0", c.usbId}, facts);
  EXPECT_EQ(diagnosisText(diagnosis, kEnglishIndexForTests).toStdString(), c.says);
}

TPortFinding notOpened(OpenFailure::Kind kind) {
  TPortFinding finding;
  finding.kind = TPortFinding::Kind::NotOpened;
  finding.failure.kind = kind;
  return finding;
}

TPortFinding heard(TPortFinding::Kind kind, TPortTalk talk = TPortTalk::None) {
  TPortFinding finding;
  finding.kind = kind;
  finding.talk = talk;
  return finding;
}

using OpenKind = OpenFailure::Kind;
const std::vector<std::pair<int, const char*>> kModemManager{{812, "ModemManager"}};
const std::vector<std::pair<int, const char*>> kBrltty{{900, "brltty"}};

INSTANTIATE_TEST_SUITE_P(
    Cases, PortDiagnosis,
    testing::Values(
        DiagnosisCase{"not in the group", notOpened(OpenKind::PermissionDenied), "0403:6001", "bob", {}, 0, 0, {},
                      "permission denied: the device belongs to the group dialout, which you are not in; "
                      "sudo usermod -aG dialout $USER, then log out and in"},
        DiagnosisCase{"in the group, not in this login", notOpened(OpenKind::PermissionDenied), "0403:6001",
                      "bob,alice", {}, 0, 0, {},
                      "permission denied: you are in the group dialout, but this login is not yet; log out and in again"},
        DiagnosisCase{"held open by a program of this user", notOpened(OpenKind::InUse), "0403:6001", "", {{4711, "minicom"}},
                      4711, 0, {}, "in use by minicom (PID 4711); close that program"},
        DiagnosisCase{"held by its lock file's process", notOpened(OpenKind::InUse), "", "", {{4712, "cu"}}, 0, 4712, {},
                      "in use by cu (PID 4712); close that program"},
        DiagnosisCase{"a lock file of a process that has ended", notOpened(OpenKind::InUse), "", "", {}, 0, 4712, {},
                      "in use by another program; close the program that uses the port"},
        DiagnosisCase{"ModemManager probes the new adapter", notOpened(OpenKind::InUse), "0403:6001", "", kModemManager, 0,
                      0, {},
                      "in use by ModemManager (PID 812), which probes new adapters as modems; wait a moment and try "
                      "again, or stop it: sudo systemctl stop ModemManager"},
        DiagnosisCase{"brltty holds a CH340", notOpened(OpenKind::InUse), "1a86:7523", "", kBrltty, 0, 0, {},
                      "in use by brltty (PID 900), which takes CH340 and CP210x adapters for a braille display; "
                      "without a braille display remove it: sudo apt remove brltty"},
        DiagnosisCase{"brltty leaves an FTDI adapter alone", notOpened(OpenKind::InUse), "0403:6001", "", kBrltty, 0, 0, {},
                      "in use by another program; close the program that uses the port"},
        DiagnosisCase{"brltty took a CH340", notOpened(OpenKind::NotFound), "", "", kBrltty, 0, 0,
                      {{"1a86", "7523", false}},
                      "a USB serial adapter by WCH (USB 1a86:7523) is connected, but brltty took it for a braille display; "
                      "without a braille display: sudo apt remove brltty, then plug the adapter in again"},
        DiagnosisCase{"an adapter without its driver", notOpened(OpenKind::NotFound), "", "", {}, 0, 0,
                      {{"046d", "c52b", false}, {"0403", "6001", false}},
                      "a USB serial adapter by FTDI (USB 0403:6001) is connected, but no serial port is behind it: "
                      "its driver is not loaded; dmesg shows why"},
        DiagnosisCase{"no adapter without its port", notOpened(OpenKind::NotFound), "", "", {}, 0, 0,
                      {{"0403", "6001", true}},
                      "no device: no USB serial adapter is connected; plug it in, with a data cable (a charge-only "
                      "cable shows no device)"},
        DiagnosisCase{"nothing answered", heard(TPortFinding::Kind::Silent), "", "", kModemManager, 0, 0, {},
                      "opened, but nothing answered; check the clock's cable and that the clock has power"},
        DiagnosisCase{"silent while a program holds it open too", heard(TPortFinding::Kind::Silent), "0403:6001", "",
                      {{4711, "minicom"}}, 4711, 0, {},
                      "opened, but nothing answered; minicom (PID 4711) holds the port open as well and may take "
                      "the clock's replies; close that program"},
        DiagnosisCase{"a GPS receiver", heard(TPortFinding::Kind::Talked, TPortTalk::Gps), "", "", {}, 0, 0, {},
                      "another device answers here: talks like a GPS receiver"},
        DiagnosisCase{"the clock", heard(TPortFinding::Kind::Clock), "", "", {}, 0, 0, {}, "the clock answers"}),
    [](const testing::TestParamInfo<DiagnosisCase>& info) { return "case" + std::to_string(info.index); });

// A clock read with --all-clocks gets a file of its own: two adapters sharing a serial number (as
// cheap clones do) never write one file, and no name leaves the folder.
TEST(EveryClockFiles, NameEachClocksFileAfterItsAdapterElseItsPort) {
  const auto adapter = [](const char* name, const char* serialNumber) {
    TPortEntry e = entry(name, 0);
    e.serialNumber = QString::fromUtf8(serialNumber);
    return e;
  };
  const std::vector<TPortEntry> ports{adapter("COM3", "A50285BI"), adapter("COM4", "CLONE"), adapter("COM5", "CLONE"),
                                      adapter("/dev/ttyUSB0", ""), adapter("COM6", "../x"), adapter("COM7", "")};
  const char* const expected[] = {"A50285BI.cfg", "CLONE-COM4.cfg", "CLONE-COM5.cfg", "ttyUSB0.cfg", "_x.cfg", "COM7.cfg"};
  for (std::size_t i = 0; i < ports.size(); ++i)
    EXPECT_EQ(readFileName(ports[i], ports).toStdString(), expected[i]) << ports[i].name.toStdString();
}

}  // namespace
