// How the program starts: its answers without a window (run as a process, as a user or a script
// runs it), the folder it chooses to work in, and its end by a signal before a transfer runs.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "command_line.h"
#include "settings_folder.h"

namespace {

using namespace std::chrono_literals;

struct AnswerCase {
  const char* name;
  QStringList arguments;
  int exitCode;
  QString out;  // the whole standard output
  QString err;  // the start of the one line on standard error, or "" for none
};

class CommandLineAnswer : public testing::TestWithParam<AnswerCase> {};

// No display, and a home and start folder of its own: nothing may be needed, nothing written.
TEST_P(CommandLineAnswer, NeedsNoDisplayAndWritesNothing) {
  const AnswerCase& c = GetParam();
  QTemporaryDir home;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_CONFIG_HOME"}) {
    env.remove(QString::fromLatin1(name));
  }
  env.insert(QStringLiteral("HOME"), home.path());
  QProcess program;
  program.setProcessEnvironment(env);
  program.setWorkingDirectory(home.path());
  program.start(QStringLiteral(KVX_SETUP_PROGRAM), c.arguments);
  ASSERT_TRUE(program.waitForFinished(10000));

  EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);  // no abort inside Qt
  EXPECT_EQ(program.exitCode(), c.exitCode);
  const QString err = QString::fromLocal8Bit(program.readAllStandardError());
  if (c.out.startsWith(u'~')) {
    EXPECT_TRUE(QString::fromLocal8Bit(program.readAllStandardOutput()).contains(c.out.mid(1)));
  } else {
    EXPECT_EQ(QString::fromLocal8Bit(program.readAllStandardOutput()), c.out);
  }
  if (c.err.isEmpty()) {
    EXPECT_EQ(err, QString());
  } else {
    EXPECT_TRUE(err.startsWith(c.err)) << err.toStdString();
    EXPECT_EQ(err.count(u'\n'), 1) << err.toStdString();
  }
  EXPECT_TRUE(QDir(home.path()).isEmpty());
}

const QString kVersionLine = QStringLiteral("kelvox-setup " KVX_VERSION "\n");

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineAnswer,
    testing::Values(
        AnswerCase{"Version", {QStringLiteral("--version")}, 0, kVersionLine, {}},
        AnswerCase{"ShortVersion", {QStringLiteral("-v")}, 0, kVersionLine, {}},
        AnswerCase{"HelpUsage",
                   {QStringLiteral("--help")},
                   0,
                   QStringLiteral("~Usage: kelvox-setup [options] [file]\n"),
                   {}},
        AnswerCase{"HelpOptions", {QStringLiteral("-h")}, 0, QStringLiteral("~  -v, --version"), {}},
        // Help and version never run a transfer beside them.
        AnswerCase{"HelpWithRead",
                   {QStringLiteral("--read"), QStringLiteral("x.cfg"), QStringLiteral("--help")},
                   0,
                   QStringLiteral("~Usage: kelvox-setup [options] [file]\n"),
                   {}},
        AnswerCase{"VersionWithSend", {QStringLiteral("--version"), QStringLiteral("--send"), QStringLiteral("x.cfg")},
                   0, kVersionLine, {}},
        AnswerCase{"EmptyFileName",
                   {QStringLiteral("--read"), QString()},
                   2,
                   {},
                   QStringLiteral("kelvox-setup: --read needs a file name.")},
        AnswerCase{"NoVerifyWithoutSend",
                   {QStringLiteral("--compare"), QStringLiteral("x.cfg"), QStringLiteral("--no-verify")},
                   2,
                   {},
                   QStringLiteral("kelvox-setup: --no-verify goes with --send only.")},
        AnswerCase{"ReadAndCompare",
                   {QStringLiteral("--read"), QStringLiteral("x.cfg"), QStringLiteral("--compare"), QStringLiteral("y.cfg")},
                   2,
                   {},
                   QStringLiteral("kelvox-setup: Give one of --read FILE, --send FILE and --compare FILE.")},
        AnswerCase{"UnknownOption",
                   {QStringLiteral("--bogus")},
                   2,
                   {},
                   QStringLiteral("kelvox-setup: Unknown option")},
        // One file is the window's to open; a second is too many.
        AnswerCase{"SecondArgument",
                   {QStringLiteral("a.cfg"), QStringLiteral("COM1")},
                   2,
                   {},
                   QStringLiteral("kelvox-setup: Unexpected argument 'COM1'.")},
        AnswerCase{"FileForTheWindow", {QStringLiteral("a.cfg")}, 1, {}, QStringLiteral("kelvox-setup: needs a graphical display")},
        AnswerCase{"NoDisplay", {}, 1, {}, QStringLiteral("kelvox-setup: needs a graphical display")}),
    [](const auto& info) { return std::string(info.param.name); });

// A file for the window is made absolute at once, in the start folder, and the window names it so.
// On Linux "/?" is a file like any other.
TEST(CommandLineWindowFile, IsMadeAbsoluteAndIsTheOnlyArgument) {
  using Mode = TCommandLine::Mode;
  struct Case {
    QStringList arguments;
    Mode mode;
    QString file;
  };
  const QString here = QDir::currentPath();
  const Case cases[] = {
      {{}, Mode::Window, {}},
      {{QStringLiteral("a b.cfg")}, Mode::Window, here + QStringLiteral("/a b.cfg")},
      {{QStringLiteral("/plans/b.cfg")}, Mode::Window, QStringLiteral("/plans/b.cfg")},
      {{QStringLiteral("/?")}, Mode::Window, QStringLiteral("/?")},
      {{QStringLiteral("a.cfg"), QStringLiteral("b.cfg")}, Mode::Invalid, {}},
      {{QStringLiteral("--read"), QStringLiteral("a.cfg"), QStringLiteral("b.cfg")}, Mode::Invalid, {}},
  };
  for (const Case& c : cases) {
    const TCommandLine parsed =
        parseCommandLine(QStringList{QStringLiteral("kelvox-setup")} + c.arguments, {here.toStdString(), {}});
    EXPECT_EQ(parsed.mode, c.mode) << c.arguments.join(u' ').toStdString();
    EXPECT_EQ(parsed.file, c.file) << c.arguments.join(u' ').toStdString();
  }
}

struct FolderCase {
  const char* name;
  const char* startEntry;     // created in the start folder ("" for none); "COMn" as a link to nowhere
  const char* xdgConfigHome;  // relative to the test's root, "/" prefixed = absolute; null = unset
  const char* expected;       // the working folder chosen, relative to the root
  const char* problem = "";   // the start of what the choice reports
  bool othersInSharedStart = false;  // the start folder is shared (/tmp's mode), the entry another user's
};

class WorkingFolder : public testing::TestWithParam<FolderCase> {};

TEST_P(WorkingFolder, IsTheStartFolderOnlyWhenItHoldsAPortSetup) {
  const FolderCase& c = GetParam();
  QTemporaryDir root;
  const std::filesystem::path base = root.path().toStdString();
  std::filesystem::create_directories(base / "start");
  std::filesystem::create_directories(base / "home");
  const std::string entry = c.startEntry;
  if (entry.starts_with("COM"))
    std::filesystem::create_symlink("/nonexistent/kvx-test-port", base / "start" / entry);
  if (entry == "kelvox.ini" || entry == "notes")
    QFile(QString::fromStdString((base / "start" / entry).string())).open(QIODevice::WriteOnly);
  if (c.othersInSharedStart) {
    if (::geteuid() != 0) GTEST_SKIP() << "another user's entry needs root to be made";
    ASSERT_EQ(::chmod((base / "start").c_str(), 01777), 0);
    ASSERT_EQ(::lchown((base / "start" / entry).c_str(), 65534, 65534), 0);
  }
  TProgramEnvironment environment;
  environment.home = (base / "home").string();
  environment.xdgConfigHome = c.xdgConfigHome == nullptr  ? std::string()
                              : c.xdgConfigHome[0] == '/' ? (base.string() + c.xdgConfigHome)
                                                          : std::string(c.xdgConfigHome);

  testing::internal::CaptureStderr();
  const settings_folder::TChoice choice =
      settings_folder::chooseWorkingFolder(environment, std::filesystem::canonical(base / "start"));
  EXPECT_EQ(choice.problem.text.substr(0, std::strlen(c.problem)), c.problem);
  const std::string told = testing::internal::GetCapturedStderr();
  const std::filesystem::path now = choice.folder.path();
  // Nothing is saved where the program works only because it has no settings folder.
  EXPECT_EQ(choice.folder.saving(), choice.problem.failed() ? TSaving::SwitchedOff : TSaving::Allowed);
  // Another user's entry is not used, and said so in one line.
  const std::string planted = (std::filesystem::canonical(base / "start") / entry).string();
  EXPECT_EQ(told, c.othersInSharedStart ? "kelvox-setup: " + planted + " belongs to another user, in a shared "
                                                                       "folder; it is not used\n"
                                        : "");

  EXPECT_EQ(now, std::filesystem::canonical(base / c.expected));
  struct stat st {};
  ASSERT_EQ(stat(now.c_str(), &st), 0);
  if (now != std::filesystem::canonical(base / "start")) {
    EXPECT_EQ(st.st_mode & 0777, 0700u);  // made for its owner only
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WorkingFolder,
    testing::Values(FolderCase{"EmptyStart", "", nullptr, "home/.config/kelvox-setup"},
                    FolderCase{"XdgConfigHome", "", "/xdg/config", "xdg/config/kelvox-setup"},
                    FolderCase{"RelativeXdgIgnored", "", "rel/config", "home/.config/kelvox-setup"},
                    FolderCase{"Com256IsAPort", "COM256", nullptr, "start"},
                    FolderCase{"Com257IsNoPort", "COM257", nullptr, "home/.config/kelvox-setup"},
                    FolderCase{"SettingsFile", "kelvox.ini", nullptr, "start"},
                    FolderCase{"DanglingComLink", "COM3", "/xdg/config", "start"},
                    // Anyone may put an entry into /tmp: another user's is no port setup of ours.
                    FolderCase{"AnotherUsersComLinkInASharedFolder", "COM3", nullptr, "home/.config/kelvox-setup", "",
                               true},
                    FolderCase{"AnotherUsersSettingsFileInASharedFolder", "kelvox.ini", nullptr,
                               "home/.config/kelvox-setup", "", true},
                    // A file is no folder: the program stays where it is and is told so.
                    FolderCase{"XdgConfigHomeIsAFile", "notes", "/start/notes", "start", "cannot create "}),
    [](const auto& info) { return std::string(info.param.name); });

// Silent pseudo-terminals linked as COM1 and COM2 in a start folder of their own: ports that open
// and never answer; and COM3, a plain file, which the search skips with its reason.
class SilentPorts {
 public:
  SilentPorts() {
    for (int port = 1; port <= 2; ++port) {
      int master = -1, slave = -1;
      char name[256] = {};
      if (openpty(&master, &slave, name, nullptr, nullptr) != 0) continue;
      ::close(slave);
      masters_.push_back(master);
      QFile::link(QString::fromLatin1(name), folder_.filePath(QStringLiteral("COM%1").arg(port)));
    }
    QFile plain(folder_.filePath(QStringLiteral("COM3")));
    plain.open(QIODevice::WriteOnly);
  }
  ~SilentPorts() {
    for (const int master : masters_) ::close(master);
  }
  SilentPorts(const SilentPorts&) = delete;
  SilentPorts& operator=(const SilentPorts&) = delete;

  bool ready() const { return masters_.size() == 2; }
  QString path() const { return folder_.path(); }
  // Waits until the program has closed both ports again (a pseudo-terminal's master hangs up
  // when no one holds its slave), as it does when its search ends without an answer.
  bool closedByTheProgram(std::chrono::milliseconds limit) const {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
      std::vector<pollfd> fds;
      for (const int master : masters_) fds.push_back({master, 0, 0});
      ::poll(fds.data(), fds.size(), 0);
      const auto hungUp = [](const pollfd& p) { return (p.revents & POLLHUP) != 0; };
      if (std::all_of(fds.begin(), fds.end(), hungUp)) return true;
      if (std::chrono::steady_clock::now() > deadline) return false;
      QThread::msleep(10);
    }
  }

 private:
  QTemporaryDir folder_;
  std::vector<int> masters_;
};

struct SignalCase {
  const char* name;
  QStringList arguments;
  bool iniIsFolder;      // kelvox.ini cannot be written: the window's start-up holds a box saying so
  const char* sendWhen;  // the signal goes once standard error holds this
  int signal;
  int exitCode;
  const char* lastLine;  // the start of standard error's last line
  bool whileBoxOpen = false;  // then only once the window's start-up shows the no-answer box
};

class EndBySignal : public testing::TestWithParam<SignalCase> {};

// Between the transfers, while the window's start or the command line's search for the clock
// runs, a signal still ends the program in order: the window as on a signal at any other time, the
// command line with its one line and status 1.
TEST_P(EndBySignal, BeforeOrBetweenTransfers) {
  const SignalCase& c = GetParam();
  SilentPorts ports;
  ASSERT_TRUE(ports.ready());
  if (c.iniIsFolder) {
    ASSERT_TRUE(QDir(ports.path()).mkdir(QStringLiteral("kelvox.ini")));
  }
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(QString::fromLatin1(name));
  QProcess program;
  // The box needs only that a time-out happens, a shorter one than the designed one, and no wait
  // before the start-up.
  if (c.whileBoxOpen) {
    env.insert(QStringLiteral("KELVOX_SETUP_REPLY_TIMEOUT_MS"), QStringLiteral("1500"));
    env.insert(QStringLiteral("KELVOX_SETUP_FIRST_TICK_MS"), QStringLiteral("200"));
  }
  program.setProcessEnvironment(env);
  program.setWorkingDirectory(ports.path());
  program.setReadChannel(QProcess::StandardError);
  program.start(QStringLiteral(KVX_SETUP_PROGRAM), c.arguments);
  QString err;
  while (!err.contains(QString::fromLatin1(c.sendWhen)) && program.waitForReadyRead(20000))
    err += QString::fromLocal8Bit(program.readAllStandardError());
  ASSERT_TRUE(err.contains(QString::fromLatin1(c.sendWhen))) << err.toStdString();
  // The search closes its ports right before the box opens, in the same step: a signal from
  // then on is taken in the box's own event loop.
  if (c.whileBoxOpen) {
    ASSERT_TRUE(ports.closedByTheProgram(20s)) << "no end of the search";
  }
  ::kill(static_cast<pid_t>(program.processId()), c.signal);
  ASSERT_TRUE(program.waitForFinished(20000)) << "still running after the signal";
  err += QString::fromLocal8Bit(program.readAllStandardError());

  EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << "ended by the signal itself";
  EXPECT_EQ(program.exitCode(), c.exitCode);
  const QString lastLine = err.trimmed().split(u'\n').constLast();
  EXPECT_TRUE(lastLine.startsWith(QString::fromLatin1(c.lastLine))) << err.toStdString();
  EXPECT_FALSE(QFile::exists(ports.path() + QStringLiteral("/read.cfg")));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EndBySignal,
    testing::Values(
        // The start-up's search skips COM3 at the first tick and ends in the no-answer box after
        // the reply time-out.
        SignalCase{"WindowStartUpHoldingABox", {QStringLiteral("-platform"), QStringLiteral("offscreen")}, false,
                   "COM3: ", SIGTERM, 128 + SIGTERM, "", true},
        SignalCase{"ReadSearchingEveryPort", {QStringLiteral("--read"), QStringLiteral("read.cfg")}, false,
                   "COM3: ", SIGTERM, 1, "kelvox-setup: interrupted while "},
        SignalCase{"ReadCtrlCSearchingEveryPort", {QStringLiteral("--read"), QStringLiteral("read.cfg")}, false,
                   "COM3: ", SIGINT, 1, "kelvox-setup: interrupted while "}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
