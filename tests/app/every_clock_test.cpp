// --send FILE --all-clocks end to end: four emulated clocks beside devices that are no clock, each
// clock's trouble its own, and the report; what --json prints for every command, against its schema;
// --doctor over the same kinds of devices.
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <map>
#include <memory>

#include "config_file.h"
#include "emulator_process.h"
#include "evidence_support.h"
#include "gps_stand_in.h"
#include "json_schema_check.h"
#include "run_setup.h"

namespace {

using namespace std::chrono_literals;

// A read of a clock is 8 messages (the read request and 7 day requests): the send's command n is
// the clock's message 8 + n.
constexpr int kReadMessages = 8;

// English, the relay following the timer (so a send asks no question), and a Monday.
TClockConfig plan() {
  TClockConfig config;
  config.settings = {2, 3, -5, 1, 48};
  config.week.setAllDeleted();
  const char* const monday[] = {"$21=0,06,30,00,ON ", "$21=1,08,15,00,OFF", "$21=2,17,45,30,ON ", "$21=3,22,00,00,OFF"};
  for (int entry = 0; entry < 4; ++entry) config.week.at(0, entry).setText(monday[entry]);
  return config;
}

struct EveryClockCase {
  const char* name;
  std::map<int, std::vector<std::string>> faults;  // emulator options of the clock on COMn
  QStringList arguments;                           // of kelvox-setup, before --all-clocks
  bool otherDevices;        // a silent device on COM5, a GPS receiver on COM6, a port in use on COM7
  int terminateAtMessage;   // SIGTERM once COM1's clock has had this many messages; 0: never
  int exitCode;
  std::map<QString, QString> results;  // port: result in the report
  std::map<QString, int> attempts;     // port: attempts in the report, where it matters
  const char* says;                    // a line of standard error
};

void PrintTo(const EveryClockCase& c, std::ostream* out) { *out << c.name; }

const std::map<QString, QString> kAllVerified{
    {"COM1", "verified"}, {"COM2", "verified"}, {"COM3", "verified"}, {"COM4", "verified"}};

class EveryClock : public ::testing::TestWithParam<EveryClockCase> {};

TEST_P(EveryClock, TransfersWithEveryClockAtOnceEachOnItsOwn) {
  const EveryClockCase& c = GetParam();
  ScratchFolder folder({1, 2, 3, 4, 5, 6, 7});
  const CurrentFolder here(folder.path());  // kelvox-setup's start folder
  folder.write("plan.cfg", QByteArray::fromStdString(formatConfigFile(plan())));
  std::vector<std::unique_ptr<EmulatorProcess>> clocks;
  for (int port = 1; port <= 4; ++port) {
    const auto faults = c.faults.find(port);
    clocks.push_back(std::make_unique<EmulatorProcess>(
        folder.path().toStdString(), faults == c.faults.end() ? std::vector<std::string>{} : faults->second, port));
    ASSERT_TRUE(clocks.back()->start());
  }
  std::unique_ptr<GpsStandIn> silent, gps;
  int master = -1, slave = -1;
  struct RemovedAtEnd {
    QString path;
    ~RemovedAtEnd() {
      if (!path.isEmpty()) QFile::remove(path);
    }
  } busyLock;
  if (c.otherDevices) {
    silent = std::make_unique<GpsStandIn>(folder.path().toStdString(), 5);
    silent->stopTalking();
    gps = std::make_unique<GpsStandIn>(folder.path().toStdString(), 6);
    char busy[256] = {};
    ASSERT_EQ(openpty(&master, &slave, busy, nullptr, nullptr), 0);
    QFile::remove(folder.file("COM7"));
    QFile::link(QString::fromLatin1(busy), folder.file("COM7"));
    // Held by another program, as its lock file says (the one folder every program looks in).
    busyLock.path = QStringLiteral("/var/lock/LCK..") + QString::fromLatin1(busy).mid(5).replace('/', '_');
    QFile lock(busyLock.path);
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly)) << "the system's lock folder takes no lock file";
    lock.write("         1\n");
    ASSERT_TRUE(silent->ready() && gps->ready());
  }

  const std::function<bool()> terminateWhen =
      c.terminateAtMessage == 0 ? std::function<bool()>()
                                : [&] { return static_cast<int>(clocks[0]->receivedMessages().size()) >= c.terminateAtMessage; };
  QDir(folder.path()).mkdir("clocks");
  const RunResult run =
      runSetup(c.arguments + QStringList{"--all-clocks", "--report", "report.json", "--json"}, terminateWhen);
  EXPECT_EQ(run.exitCode, c.exitCode) << run.stderrText.toStdString();
  EXPECT_TRUE(run.stderrText.contains(QLatin1String(c.says))) << run.stderrText.toStdString();

  const QJsonObject report = QJsonDocument::fromJson(folder.read("report.json")).object();
  // --json prints the report's document, alone, on standard output.
  EXPECT_EQ(schemaViolations(run.stdoutBytes), "");
  EXPECT_EQ(QJsonDocument::fromJson(run.stdoutBytes).object(), report);
  EXPECT_EQ(report["schema"].toInt(), 1);
  const bool reading = c.arguments.first() == "--read";
  EXPECT_EQ(report["configuration"].toObject()["file"].toString(), reading ? "" : "plan.cfg");
  std::map<QString, QString> results;
  for (const QJsonValue& row : report["results"].toArray()) {
    const QJsonObject r = row.toObject();
    const QString port = r["port"].toString();
    if (port.size() != 4 || port > "COM7") continue;  // the machine's own ports are no concern here
    results[port] = r["result"].toString();
    if (const auto attempts = c.attempts.find(port); attempts != c.attempts.end()) {
      EXPECT_EQ(r["attempts"].toInt(), attempts->second) << port.toStdString();
    }
    if (r["result"] == "differs") {  // each difference as data, named as the line names it
      const QJsonObject first = r["differences"].toArray().first().toObject();
      EXPECT_TRUE(r["reason"].toString().startsWith(first["what"].toString() + ": file ")) << r["reason"].toString().toStdString();
      EXPECT_TRUE(first.contains("file") && first.contains("clock") && (first.contains("day") || first.contains("setting")));
    }
    if (r["result"] == "read") {
      EXPECT_TRUE(folder.exists("clocks/" + port + ".cfg")) << port.toStdString();
    }
    if (r["result"] == "verified" && c.arguments.first() == "--send") {
      EXPECT_EQ(r["sha256"].toString().size(), 64);
    }
    if (c.terminateAtMessage != 0 && r["result"] == "failed") {
      EXPECT_TRUE(r["reason"].toString().contains("interrupted")) << r["reason"].toString().toStdString();
    }
  }
  std::map<QString, QString> expected = c.results;
  if (c.otherDevices) {
    expected["COM5"] = "not a clock";
    expected["COM6"] = "not a clock";
    expected["COM7"] = "skipped";
  }
  EXPECT_EQ(results, expected);
  // A port where no clock answered heard the read request and its CRs, and no setting.
  if (silent) {
    EXPECT_EQ(silent->heard(), "$\r");
  }
  // The port list says which port a search passes by, and why.
  if (c.otherDevices) {
    const RunResult listing = runSetup({"--list-ports", "--json"});
    EXPECT_EQ(schemaViolations(listing.stdoutBytes), "");
    std::map<QString, QJsonValue> skipped;
    for (const QJsonValue& port : QJsonDocument::fromJson(listing.stdoutBytes)["ports"].toArray())
      skipped[port["name"].toString()] = port["skipped"];
    EXPECT_EQ(skipped["COM7"], QJsonValue("in use by PID 1"));
    EXPECT_EQ(skipped["COM1"], QJsonValue(QJsonValue::Null));
  }
  for (int fd : {master, slave})
    if (fd >= 0) ::close(fd);
}

const QStringList kSend{"--send", "plan.cfg"};
const std::string kCommand30 = std::to_string(kReadMessages + 30);
const std::string kCommand12 = std::to_string(kReadMessages + 12);

INSTANTIATE_TEST_SUITE_P(
    Cases, EveryClock,
    ::testing::Values(
        EveryClockCase{"four clocks among devices that are none", {}, kSend, true, 0, 0, kAllVerified, {},
                       "4 clocks: 4 verified"},
        EveryClockCase{"one clock stores another value",
                       {{2, {"--corrupt-at", kCommand12}}},
                       kSend,
                       false,
                       0,
                       3,
                       {{"COM1", "verified"}, {"COM2", "differs"}, {"COM3", "verified"}, {"COM4", "verified"}},
                       {},
                       "4 clocks: 3 verified, 1 differs (COM2)"},
        EveryClockCase{"one clock vanishes in the middle of its send",
                       {{3, {"--vanish-at", kCommand30}}},
                       kSend,
                       false,
                       0,
                       1,
                       {{"COM1", "verified"}, {"COM2", "verified"}, {"COM3", "failed"}, {"COM4", "verified"}},
                       {},
                       "COM3: no answer from the clock on COM3 to command 30 of 61"},
        EveryClockCase{"one clock refuses command 30 once, and is sent again",
                       {{4, {"--error-at", kCommand30}}},
                       kSend + QStringList{"--retries", "1"},
                       false,
                       0,
                       0,
                       kAllVerified,
                       {{"COM1", 1}, {"COM4", 2}},
                       "4 clocks: 4 verified"},
        EveryClockCase{"SIGTERM in the middle",
                       {{1, {"--pace"}}, {2, {"--pace"}}, {3, {"--pace"}}, {4, {"--pace"}}},
                       kSend,
                       false,
                       kReadMessages + 20,
                       1,
                       {{"COM1", "failed"}, {"COM2", "failed"}, {"COM3", "failed"}, {"COM4", "failed"}},
                       {},
                       "interrupted at command"},
        EveryClockCase{"compared: none holds the plan yet", {}, {"--compare", "plan.cfg"}, false, 0, 1,
                       {{"COM1", "differs"}, {"COM2", "differs"}, {"COM3", "differs"}, {"COM4", "differs"}}, {},
                       "4 clocks: 4 differs (COM1, COM2, COM3, COM4)"},
        EveryClockCase{"read into a folder, a file each", {}, {"--read", "clocks"}, false, 0, 0,
                       {{"COM1", "read"}, {"COM2", "read"}, {"COM3", "read"}, {"COM4", "read"}}, {},
                       "4 clocks: 4 read"}),
    [](const ::testing::TestParamInfo<EveryClockCase>& info) { return "case" + std::to_string(info.index); });

// --- --json on one clock, --list-ports and --show --------------------------------------------------

struct JsonCase {
  const char* name;
  std::vector<std::string> clock;  // options of the emulated clock on COM1
  QStringList arguments;           // of kelvox-setup, before --json
  int exitCode;
  std::map<QString, QJsonValue> holds;  // JSON pointer: value the document holds there
};

void PrintTo(const JsonCase& c, std::ostream* out) { *out << c.name; }

// The value at a JSON pointer ("/results/0/result"); undefined when there is none.
QJsonValue at(const QJsonValue& document, const QString& pointer) {
  QJsonValue value = document;
  for (const QString& step : pointer.split(u'/', Qt::SkipEmptyParts)) {
    bool index = false;
    const int n = step.toInt(&index);
    value = index ? value.toArray().at(n) : value.toObject().value(step);
  }
  return value;
}

const QJsonValue kNull(QJsonValue::Null);
const QJsonValue kText = QStringLiteral("(any text but the empty one)");

class JsonOutput : public ::testing::TestWithParam<JsonCase> {};

TEST_P(JsonOutput, EachCommandPrintsOneDocumentTheSchemaTakes) {
  const JsonCase& c = GetParam();
  ScratchFolder folder({1});
  const CurrentFolder here(folder.path());  // kelvox-setup's start folder
  folder.write("plan.cfg", QByteArray::fromStdString(formatConfigFile(plan())));
  folder.write("kelvox.ini", "COM2\r\n");  // saved, and not present
  std::vector<std::string> clockOptions = c.clock;
  for (std::string& option : clockOptions)
    if (option == "plan.cfg") option = folder.file("plan.cfg").toStdString();
  EmulatorProcess clock(folder.path().toStdString(), clockOptions);
  ASSERT_TRUE(clock.start());
  const bool silent = !c.clock.empty() && c.clock.front() == "--silent-from";
  const RunResult run = runSetup(c.arguments + QStringList{"--json"}, nullptr, SIGTERM, false, silent ? 500ms : 1000ms);
  EXPECT_EQ(run.exitCode, c.exitCode) << run.stderrText.toStdString();
  EXPECT_EQ(schemaViolations(run.stdoutBytes), "") << run.stdoutBytes.toStdString();
  const QJsonValue document = QJsonDocument::fromJson(run.stdoutBytes).object();
  for (const auto& [pointer, value] : c.holds) {
    const QJsonValue found = at(document, pointer);
    if (value == kText)
      EXPECT_TRUE(found.isString() && !found.toString().isEmpty()) << pointer.toStdString();
    else
      EXPECT_EQ(found, value) << pointer.toStdString() << "\n" << run.stdoutBytes.toStdString();
  }
  // What people read stays on standard error: a failure or a difference is told there too.
  if (c.exitCode != 0) {
    EXPECT_TRUE(run.stderrText.startsWith("kelvox-setup: ")) << run.stderrText.toStdString();
  }
}

const QStringList kOnCom1{"--port", "1"};

INSTANTIATE_TEST_SUITE_P(
    Commands, JsonOutput,
    ::testing::Values(
        JsonCase{"read", {}, QStringList{"--read", "read.cfg"} + kOnCom1, 0,
                 {{"/results/0/result", "read"}, {"/results/0/port", "COM1"}, {"/configuration/file", kNull},
                  {"/error", kNull}}},
        JsonCase{"read, no answer", {"--silent-from", "1"}, QStringList{"--read", "read.cfg"} + kOnCom1, 1,
                 {{"/results/0/result", "failed"},
                  {"/results/0/reason", "no answer from the clock on COM1; nothing was written"}}},
        JsonCase{"send, verified", {}, QStringList{"--send", "plan.cfg"} + kOnCom1, 0,
                 {{"/results/0/result", "verified"}, {"/results/0/sha256", kText}, {"/configuration/sha256", kText},
                  {"/results/0/attempts", 1}}},
        JsonCase{"send, the clock found by the search", {}, {"--send", "plan.cfg"}, 0,
                 {{"/results/0/result", "verified"}, {"/results/0/port", "COM1"}}},
        JsonCase{"send, a switch time stored otherwise", {"--corrupt-at", "7"}, QStringList{"--send", "plan.cfg"} + kOnCom1, 3,
                 {{"/results/0/result", "differs"},
                  {"/results/0/differences/0/what", "Monday Time 2"},
                  {"/results/0/differences/0/day", "Monday"},
                  {"/results/0/differences/0/entry", 2},
                  {"/results/0/differences/0/file", "08:15:00 OFF"},
                  {"/results/0/differences/0/clock", "08:15:01 OFF"}}},
        JsonCase{"send, an error reply", {"--error-at", "10"}, QStringList{"--send", "plan.cfg"} + kOnCom1, 1,
                 {{"/results/0/result", "failed"}, {"/results/0/reason", kText}, {"/results/0/sha256", kText}}},
        JsonCase{"send, no such file", {}, QStringList{"--send", "missing.cfg"} + kOnCom1, 1,
                 {{"/results", QJsonArray()}, {"/error", "missing.cfg: no such file"}}},
        JsonCase{"send, no clock found by the search", {"--silent-from", "1"}, {"--send", "plan.cfg"}, 1,
                 {{"/results/0/result", "failed"}, {"/results/0/port", ""}, {"/results/0/sha256", kNull}}},
        JsonCase{"every clock sent to, the report not written", {},
                 {"--send", "plan.cfg", "--all-clocks", "--report", "no/such/folder/report.json"}, 1,
                 {{"/results/0/port", "COM1"}, {"/results/0/result", "verified"}, {"/error", kText}}},
        JsonCase{"compare, agrees", {"--config", "plan.cfg"}, QStringList{"--compare", "plan.cfg"} + kOnCom1, 0,
                 {{"/results/0/result", "verified"}, {"/results/0/differences", QJsonArray()},
                  {"/results/0/sha256", kNull}}},
        JsonCase{"compare, a setting differs", {}, QStringList{"--compare", "plan.cfg"} + kOnCom1, 1,
                 {{"/results/0/result", "differs"}, {"/results/0/differences/0/setting", "relay"},
                  {"/results/0/differences/0/file", 3}, {"/results/0/differences/0/clock", 0}}},
        JsonCase{"compare, no answer", {"--silent-from", "1"}, QStringList{"--compare", "plan.cfg"} + kOnCom1, 2,
                 {{"/results/0/result", "failed"}}},
        JsonCase{"list the ports", {}, {"--list-ports"}, 0,
                 {{"/ports/0/name", "COM1"}, {"/ports/0/saved", false}, {"/ports/0/skipped", kNull}}},
        JsonCase{"show a plan", {}, {"--show", "plan.cfg"}, 0,
                 {{"/settings/utc", -5}, {"/days/0/on/0/from", "06:30:00"}, {"/days/0/on/0/to", "08:15:00"},
                  {"/error", kNull}}},
        JsonCase{"show a missing file", {}, {"--show", "missing.cfg"}, 1,
                 {{"/file", "missing.cfg"}, {"/error", "missing.cfg: no such file"}}}),
    [](const ::testing::TestParamInfo<JsonCase>& info) { return "case" + std::to_string(info.index); });

// --- exit codes: the README's table, row by row --------------------------------------------------

struct ExitCase {
  const char* row;                 // the README's command and status
  std::vector<std::string> clock;  // options of the emulated clock on COM1
  QStringList arguments;           // of kelvox-setup
  int exitCode;
  int terminateAtMessage = 0;  // SIGTERM once the clock has had this many messages; 0: never
};

void PrintTo(const ExitCase& c, std::ostream* out) { *out << c.row; }

class ExitCodes : public ::testing::TestWithParam<ExitCase> {};

TEST_P(ExitCodes, EachCommandEndsWithTheStatusItsTableGives) {
  const ExitCase& c = GetParam();
  ScratchFolder folder({1});
  const CurrentFolder here(folder.path());  // kelvox-setup's start folder
  folder.write("plan.cfg", QByteArray::fromStdString(formatConfigFile(plan())));
  QDir(folder.path()).mkdir("clocks");
  std::vector<std::string> clockOptions = c.clock;
  for (std::string& option : clockOptions)
    if (option == "plan.cfg") option = folder.file("plan.cfg").toStdString();
  EmulatorProcess clock(folder.path().toStdString(), clockOptions);
  ASSERT_TRUE(clock.start());
  const std::function<bool()> terminateWhen =
      c.terminateAtMessage == 0 ? std::function<bool()>()
                                : [&] { return static_cast<int>(clock.receivedMessages().size()) >= c.terminateAtMessage; };
  const bool silent = !c.clock.empty() && c.clock.front() == "--silent-from";
  const RunResult run = runSetup(c.arguments, terminateWhen, SIGTERM, false, silent ? 500ms : 1000ms);
  EXPECT_EQ(run.exitCode, c.exitCode) << run.stderrText.toStdString();
  // Anything but a success says why on standard error.
  if (c.exitCode != 0) {
    EXPECT_TRUE(run.stderrText.startsWith("kelvox-setup: ")) << run.stderrText.toStdString();
  }
}

const QStringList kEvery{"--all-clocks"};
const std::vector<std::string> kSilent{"--silent-from", "1"};
const std::vector<std::string> kHoldsPlan{"--config", "plan.cfg"};
const std::vector<std::string> kSlow{"--delay-ms", "20"};

INSTANTIATE_TEST_SUITE_P(
    Rows, ExitCodes,
    ::testing::Values(
        ExitCase{"--read: 0 read and written", {}, QStringList{"--read", "read.cfg"} + kOnCom1, 0},
        ExitCase{"--read: 1 no answer", kSilent, QStringList{"--read", "read.cfg"} + kOnCom1, 1},
        ExitCase{"--read: 1 an error reply", {"--error-at", "2"}, QStringList{"--read", "read.cfg"} + kOnCom1, 1},
        ExitCase{"--read: 1 nothing written", {}, QStringList{"--read", "clocks"} + kOnCom1, 1},
        ExitCase{"--read: 2 usage error", {}, {"--read", "read.cfg", "--no-verify"}, 2},
        ExitCase{"--send: 0 verified", {}, QStringList{"--send", "plan.cfg"} + kOnCom1, 0},
        ExitCase{"--send: 1 an error reply", {"--error-at", "10"}, QStringList{"--send", "plan.cfg"} + kOnCom1, 1},
        ExitCase{"--send: 1 interrupted", kSlow, QStringList{"--send", "plan.cfg"} + kOnCom1, 1, 5},
        ExitCase{"--send: 1 a bad file", {}, QStringList{"--send", "missing.cfg"} + kOnCom1, 1},
        ExitCase{"--send: 2 usage error", {}, {"--send", "plan.cfg", "--retries", "1"}, 2},
        ExitCase{"--send: 3 the clock holds other values", {"--corrupt-at", "7"},
                 QStringList{"--send", "plan.cfg"} + kOnCom1, 3},
        ExitCase{"--compare: 0 agree", kHoldsPlan, QStringList{"--compare", "plan.cfg"} + kOnCom1, 0},
        ExitCase{"--compare: 1 differ", {}, QStringList{"--compare", "plan.cfg"} + kOnCom1, 1},
        ExitCase{"--compare: 2 no answer", kSilent, QStringList{"--compare", "plan.cfg"} + kOnCom1, 2},
        ExitCase{"--compare: 2 a bad file", {}, QStringList{"--compare", "missing.cfg"} + kOnCom1, 2},
        ExitCase{"--compare: 2 usage error", {}, {"--compare", "plan.cfg", "--no-verify"}, 2},
        ExitCase{"--send --all-clocks: 0 every clock verified", {}, QStringList{"--send", "plan.cfg"} + kEvery, 0},
        ExitCase{"--send --all-clocks: 1 a transfer failed", {"--error-at", "18"},
                 QStringList{"--send", "plan.cfg"} + kEvery, 1},
        ExitCase{"--send --all-clocks: 1 no clock found", kSilent, QStringList{"--send", "plan.cfg"} + kEvery, 1},
        ExitCase{"--send --all-clocks: 2 usage error", {}, QStringList{"--send", "plan.cfg", "--port", "1"} + kEvery, 2},
        ExitCase{"--send --all-clocks: 3 a clock holds other values", {"--corrupt-at", "15"},
                 QStringList{"--send", "plan.cfg"} + kEvery, 3},
        ExitCase{"--compare --all-clocks: 0 every clock agrees", kHoldsPlan,
                 QStringList{"--compare", "plan.cfg"} + kEvery, 0},
        ExitCase{"--compare --all-clocks: 1 a clock differs", {}, QStringList{"--compare", "plan.cfg"} + kEvery, 1},
        ExitCase{"--compare --all-clocks: 2 none found", kSilent, QStringList{"--compare", "plan.cfg"} + kEvery, 2},
        ExitCase{"--read --all-clocks: 0 every clock read", {}, QStringList{"--read", "clocks"} + kEvery, 0},
        ExitCase{"--read --all-clocks: 1 not a folder", {}, QStringList{"--read", "plan.cfg"} + kEvery, 1},
        ExitCase{"--list-ports: 0", {}, {"--list-ports"}, 0},
        ExitCase{"--list-ports: 2 usage error", {}, {"--list-ports", "plan.cfg"}, 2},
        ExitCase{"--show: 0", {}, {"--show", "plan.cfg"}, 0},
        ExitCase{"--show: 1 a bad file", {}, {"--show", "missing.cfg"}, 1},
        ExitCase{"--show: 2 usage error", {}, {"--show", "plan.cfg", "--export", "plan.txt"}, 2},
        ExitCase{"--json: 2 with the window", {}, {"--json", "plan.cfg"}, 2},
        ExitCase{"--json: 2 with --no-verify", {}, QStringList{"--send", "plan.cfg", "--no-verify", "--json"} + kOnCom1, 2},
        ExitCase{"the window: 1 without a display", {}, {}, 1}),
    [](const ::testing::TestParamInfo<ExitCase>& info) { return "row" + std::to_string(info.index); });
// --doctor: every port with why it did or did not serve, one line each; exit code 0 when a clock
// answered. The ports are the folder's alone.
struct DoctorCase {
  const char* name;
  int clockPort;  // the emulated clock's COMn; 0: none
  int gpsPort;    // a GPS receiver's; 0: none
  int silentPort;
  int exitCode;
  std::vector<std::string> lines;  // of standard output
};

void PrintTo(const DoctorCase& c, std::ostream* out) { *out << c.name; }

class Doctor : public ::testing::TestWithParam<DoctorCase> {};

TEST_P(Doctor, ListsEveryPortWithItsCauseAndExitsZeroWhenAClockAnswers) {
  const DoctorCase& c = GetParam();
  ScratchFolder folder({1, 2, 3});
  const CurrentFolder here(folder.path());
  std::unique_ptr<EmulatorProcess> clock;
  if (c.clockPort != 0) {
    clock = std::make_unique<EmulatorProcess>(folder.path().toStdString(), std::vector<std::string>{}, c.clockPort);
    ASSERT_TRUE(clock->start());
  }
  std::unique_ptr<GpsStandIn> gps, silent;
  if (c.gpsPort != 0) gps = std::make_unique<GpsStandIn>(folder.path().toStdString(), c.gpsPort);
  GpsStandIn::Behaviour quiet;
  quiet.holdsPort = false;  // a silent port nobody else holds
  silent = std::make_unique<GpsStandIn>(folder.path().toStdString(), c.silentPort, quiet);
  silent->stopTalking();
  ASSERT_TRUE(silent->ready() && (!gps || gps->ready()));
  QFile::remove(folder.file("COM3"));
  folder.write("COM3", "");  // a regular file under a port's name

  const RunResult run = runSetup({"--doctor"});
  EXPECT_EQ(run.exitCode, c.exitCode) << run.stderrText.toStdString();
  std::vector<std::string> lines;
  for (const QByteArray& line : run.stdoutBytes.split('\n'))
    if (!line.isEmpty()) lines.push_back(line.toStdString());
  EXPECT_EQ(lines, c.lines);
}

const std::string kRegularFile = "COM3: not a serial port: a regular file; choose the clock's port";

INSTANTIATE_TEST_SUITE_P(
    Cases, Doctor,
    ::testing::Values(
        DoctorCase{"no clock: a GPS receiver and a silent port", 0, 1, 2, 1,
                   {"COM1: another device answers here: talks like a GPS receiver",
                    "COM2: opened, but nothing answered; check the clock's cable and that the clock has power",
                    kRegularFile}},
        DoctorCase{"the clock beside a silent port", 2, 0, 1, 0,
                   {"COM1: opened; no clock answered here", "COM2: the clock answers", kRegularFile}}),
    [](const ::testing::TestParamInfo<DoctorCase>& info) { return "case" + std::to_string(info.index); });

}  // namespace
