// Configuration files end to end: the window opens and saves them, kelvox-setup --read and --send
// move them to and from the clock without a window, and kelvox-clock-emulator reads and writes the
// same format.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <poll.h>
#include <pty.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStandardPaths>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <thread>
#include <optional>

#include "TimerPage.h"
#include "captions.h"
#include "config_file_access.h"
#include "dialog_folder_file.h"
#include "evidence_support.h"
#include "file_steps.h"
#include "full_disk.h"
#include "port_settings_file.h"
#include "gps_stand_in.h"
#include "local_files.h"
#include "radio_group.h"
#include "run_setup.h"
#include "safe_write.h"

// Failures show a configuration as its file.
void PrintTo(const TClockConfig& config, std::ostream* out) { *out << formatConfigFile(config); }

namespace {

using namespace std::chrono_literals;
using evidence::WindowOnClock;

// A configuration unlike the emulator's, whose Monday (the day the window shows) holds the odd
// texts the editor leaves and the clock takes: a CR or blanks after "ON".
TClockConfig oddConfig() {
  TClockConfig config;
  config.settings = {0, 1, -3, 0, 150};
  config.week.setAllDeleted();
  const char* const monday[] = {"$21=0,06,30,00,ON ", "$21=1,08,15,00,ON\r", "$21=2,17,45,30,OFF",
                                "$21=3,23,00,00,ON  "};
  for (int entry = 0; entry < 4; ++entry) config.week.at(0, entry).setText(monday[entry]);
  config.week.at(4, 7).setText("$25=7,12,34,56,ON\r");
  return config;
}

TClockConfig windowConfig(WindowOnClock& w) {
  TClockConfig config;
  config.settings = {w.child<TRadioGroup>("Language")->ItemIndex(),
                     w.child<TRadioGroup>("RelayMode")->ItemIndex(),
                     w.child<QSpinBox>("SpinEditUTC")->value(), w.child<QSpinBox>("SpinEditDLS")->value(),
                     w.child<QSpinBox>("SpinEditValid")->value()};
  config.week = w.form().weekTable();
  return config;
}

// Runs a send; gives every byte the clock received meanwhile.
std::string bytesOfSend(WindowOnClock& w) {
  const std::size_t before = w.clock().receivedBytes().size();
  EXPECT_TRUE(w.send()) << w.describe();
  return w.clock().receivedBytes().substr(before);
}

TEST(ConfigFileInWindow, FileMenuOffersOpenSaveAndCompareBeforeExitInEveryLanguage) {
  ScratchFolder folder;
  TForm1 form{folder.workingFolder(), folder.portList()};
  auto* file = form.findChild<QMenu*>(QStringLiteral("MainMenu"));
  ASSERT_EQ(file->actions().size(), 6);
  EXPECT_EQ(file->actions()[0]->objectName(), "OpenConfiguration1");
  EXPECT_EQ(file->actions()[1]->objectName(), "SaveConfiguration1");
  EXPECT_EQ(file->actions()[2]->objectName(), "CompareWithClock1");
  EXPECT_EQ(file->actions()[3]->objectName(), "SendToEveryClock1");
  EXPECT_EQ(file->actions()[4]->objectName(), "VerifyAfterSending1");
  EXPECT_TRUE(file->actions()[4]->isCheckable() && file->actions()[4]->isChecked());
  EXPECT_EQ(file->actions()[5]->objectName(), "Quit1");
  EXPECT_EQ(file->actions()[0]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
  EXPECT_EQ(file->actions()[1]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
  EXPECT_EQ(file->actions()[2]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_K));
  EXPECT_EQ(file->actions()[3]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_E));
  EXPECT_EQ(file->actions()[5]->shortcut(), QKeySequence(Qt::ALT | Qt::Key_X));
  // Until the start-up read is over, as the buttons.
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(file->actions()[i]->isEnabled()) << i;

  const struct {
    int language;
    const char* open;
    const char* save;
    const char* compare;
    const char* everyClock;
    const char* verify;
  } captions[] = {
      {0, "Configuratie &openen…", "Configuratie op&slaan als…", "&Vergelijken met klok", "Naar &elke klok sturen…",
       "Na verzenden &controleren"},
      {1, "Konfiguration &laden…", "Konfiguration &speichern unter…", "Mit Uhr &vergleichen", "An &jede Uhr senden…",
       "Nach dem Senden &prüfen"},
      {2, "&Open configuration…", "&Save configuration as…", "&Compare with clock", "Send to &every clock…",
       "&Verify after sending"},
      {3, "&Open configuration…", "&Save configuration as…", "&Compare with clock", "Send to &every clock…",
       "&Verify after sending"},
      {4, "&Open configuration…", "&Save configuration as…", "&Compare with clock", "Send to &every clock…",
       "&Verify after sending"},
  };
  for (const auto& c : captions) {
    form.findChild<TRadioGroup*>(QStringLiteral("Language"))->setItemIndex(c.language);
    EXPECT_EQ(file->actions()[0]->text(), QString::fromUtf8(c.open)) << c.language;
    EXPECT_EQ(file->actions()[1]->text(), QString::fromUtf8(c.save)) << c.language;
    EXPECT_EQ(file->actions()[2]->text(), QString::fromUtf8(c.compare)) << c.language;
    EXPECT_EQ(file->actions()[3]->text(), QString::fromUtf8(c.everyClock)) << c.language;
    EXPECT_EQ(file->actions()[4]->text(), QString::fromUtf8(c.verify)) << c.language;
    // The accelerators of the File menu differ from each other.
    QList<QKeySequence> mnemonics;
    for (QAction* action : file->actions()) {
      const QKeySequence mnemonic = QKeySequence::mnemonic(action->text());
      EXPECT_FALSE(!mnemonic.isEmpty() && mnemonics.contains(mnemonic)) << c.language;
      mnemonics << mnemonic;
    }
  }
}

TEST(ConfigFileInWindow, OpenThenSendRepeatsTheCommandsOfTheSavedWindowByteForByte) {
  WindowOnClock w;
  ASSERT_TRUE(w.startClock());
  w.createWindow();
  const QString odd = w.folder().file(QStringLiteral("odd.cfg"));
  const QString saved = w.folder().file(QStringLiteral("saved.cfg"));
  w.folder().write(QStringLiteral("odd.cfg"), QByteArray::fromStdString(formatConfigFile(oddConfig())));
  w.startUp();
  // Not during a transfer: the start-up read is running.
  EXPECT_FALSE(w.form().openConfigurationFile(odd));
  EXPECT_FALSE(w.form().saveConfigurationFile(saved));
  ASSERT_TRUE(evidence::runUntil([&] { return w.transferDone(0); }, 5s)) << w.describe();
  EXPECT_FALSE(w.folder().exists(QStringLiteral("saved.cfg")));
  EXPECT_TRUE(w.child<QAction>("OpenConfiguration1")->isEnabled());

  // Open: controls, interface language and week as the file has them; nothing is sent.
  const std::size_t before = w.clock().receivedMessages().size();
  ASSERT_TRUE(w.form().openConfigurationFile(odd));
  EXPECT_EQ(windowConfig(w), oddConfig());
  EXPECT_EQ(w.child<QPushButton>("ReadClock")->text(), "Lees klok");
  EXPECT_TRUE(w.form().TimerEdited());
  EXPECT_EQ(w.form().timerPage().timeLabel(2)->text(), "17 :45 :30");
  evidence::idleFor(200ms);
  EXPECT_EQ(w.clock().receivedMessages().size(), before);

  const std::string firstSend = bytesOfSend(w);
  // Relay 1 (the question was answered No), and the entry switched to ON in the editor.
  EXPECT_EQ(firstSend.substr(0, 25), "$1=0\r\n$5=1\r\n$2=-3\r\n$3=0\r\n");
  EXPECT_NE(firstSend.find("$21=0,06,30,00,ON \r\n$21=1,08,15,00,ON\r\r\n"), std::string::npos);
  ASSERT_TRUE(w.form().saveConfigurationFile(saved));
  EXPECT_EQ(w.folder().read(QStringLiteral("saved.cfg")).toStdString(), formatConfigFile(oddConfig()));

  // A read brings the clock's plain forms; the saved file puts the window back as it was.
  ASSERT_TRUE(w.read()) << w.describe();
  EXPECT_NE(windowConfig(w), oddConfig());
  ASSERT_TRUE(w.form().openConfigurationFile(saved));
  EXPECT_EQ(bytesOfSend(w), firstSend);
  EXPECT_TRUE(w.boxes().plain.empty());
}

// A file given at start ("Open with") waits for the start-up read, which would overwrite it, and is
// then in the window as File > Open puts it: nothing is sent, and its folder is where the
// dialogs start next.
TEST(ConfigFileInWindow, AFileGivenAtStartOpensAfterTheStartUpReadAndSendsNothing) {
  WindowOnClock w;
  ASSERT_TRUE(w.startClock());
  w.createWindow();
  w.folder().write(QStringLiteral("odd.cfg"), QByteArray::fromStdString(formatConfigFile(oddConfig())));
  w.form().openWhenStarted(w.folder().file(QStringLiteral("odd.cfg")));
  w.startUp();
  ASSERT_TRUE(evidence::runUntil([&] { return w.transferDone(0); }, 5s)) << w.describe();
  const std::size_t afterRead = w.clock().receivedMessages().size();
  ASSERT_TRUE(evidence::runUntil([&] { return windowConfig(w) == oddConfig(); }, 2s));
  evidence::idleFor(200ms);
  EXPECT_EQ(w.clock().receivedMessages().size(), afterRead);
  EXPECT_TRUE(w.boxes().plain.empty());
  EXPECT_EQ(w.folder().workingFolder().dialogFolderFile().startFolder(), w.folder().path());
}

// Where the file dialogs start: a remembered folder while it is one, else Documents, never the
// settings folder; the file is rewritten only when the folder changes.
TEST(DialogFolderFile, StartsInTheLastFolderElseDocuments) {
  ScratchFolder folder;
  const TDialogFolderFile dialogFolder = folder.workingFolder().dialogFolderFile();
  ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("plans")));
  const QString plans = folder.file(QStringLiteral("plans"));
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  struct Case {
    const char* remembered;  // the file's contents; nullptr: no file
    QString start;
  };
  const Case cases[] = {
      {nullptr, documents},
      {"", documents},
      {"plans\n", documents},  // relative: it would be resolved in the settings folder
      {"/nonexistent/kelvox\n", documents},
      {"PLANS\n", plans},
      {"PLANS\r\n", plans},
      {"PLANS\nverify after sending = off\n", plans},
  };
  for (const Case& c : cases) {
    QFile::remove(folder.file(QStringLiteral("kelvox-folder.ini")));
    if (c.remembered != nullptr)
      folder.write(QStringLiteral("kelvox-folder.ini"), QByteArray(c.remembered).replace("PLANS", plans.toUtf8()));
    EXPECT_EQ(dialogFolder.startFolder(), c.start) << (c.remembered ? c.remembered : "(none)");
  }

  QFile::remove(folder.file(QStringLiteral("kelvox-folder.ini")));
  dialogFolder.remember(plans + QStringLiteral("/a.cfg"));
  EXPECT_EQ(folder.read(QStringLiteral("kelvox-folder.ini")), plans.toUtf8() + "\n");
  const QByteArray file = QFile::encodeName(folder.file(QStringLiteral("kelvox-folder.ini")));
  struct stat before {}, after {};
  ASSERT_EQ(::stat(file.constData(), &before), 0);
  dialogFolder.remember(plans + QStringLiteral("/b.cfg"));
  ASSERT_EQ(::stat(file.constData(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);  // the safe write would have put a new file in place

  // "Verify after sending" is kept beside the folder, on unless turned off; each keeps the other.
  EXPECT_TRUE(dialogFolder.verifyAfterSending());
  dialogFolder.rememberVerifyAfterSending(false);
  EXPECT_EQ(folder.read(QStringLiteral("kelvox-folder.ini")), plans.toUtf8() + "\nverify after sending = off\n");
  dialogFolder.remember(folder.file(QStringLiteral("c.cfg")));
  EXPECT_FALSE(dialogFolder.verifyAfterSending());
  EXPECT_EQ(dialogFolder.startFolder(), folder.path());
  dialogFolder.rememberVerifyAfterSending(true);
  EXPECT_EQ(folder.read(QStringLiteral("kelvox-folder.ini")), folder.path().toUtf8() + "\n");
}

// Quoted texts that cannot go out as one command, each put in place of Mon 1 (line 7) of a good
// file; the reason follows "it holds ". Open and --send refuse them alike, before a byte is sent.
const struct {
  const char* value;
  const char* reason;
} kUnsendableTexts[] = {
    {"\"DEL\\r$5=1\"", "a CR (\\r) before its end, which ends the command there"},
    {"\"06,30$\\r\"", "\"$\" before its final CR, which makes a read request of its own"},
    {"\"06=30\"", "\"=\", where the clock starts reading a command anew"},
};

QByteArray withMonday1(const char* value) {
  std::string text = formatConfigFile(oddConfig());
  const std::string monday1 = "Mon 1 = \"06,30,00,ON \"";
  text.replace(text.find(monday1), monday1.size(), std::string("Mon 1 = ") + value);
  return QByteArray::fromStdString(text);
}

QString unsendableFault(const char* reason) {
  return QStringLiteral("line 7: Mon 1: the quoted text cannot be sent as one command: it holds ") +
         QString::fromLatin1(reason);
}

TEST(ConfigFileInWindow, RefusedFileChangesNothingAndSaysWhereAndWhy) {
  WindowOnClock w;
  ASSERT_TRUE(w.startClock());
  w.createWindow();
  w.startUp();
  ASSERT_TRUE(evidence::runUntil([&] { return w.transferDone(0); }, 5s)) << w.describe();
  std::string bad = formatConfigFile(oddConfig());
  bad.replace(bad.find("utc = -3"), 8, "utc = -13");
  w.folder().write(QStringLiteral("bad.cfg"), QByteArray::fromStdString(bad));
  w.folder().write(QStringLiteral("big.cfg"), QByteArray(kMaxConfigFileSize + 1, '#'));
  QDir(w.folder().path()).mkdir(QStringLiteral("folder.cfg"));

  const struct {
    const char* file;
    const char* reason;
  } cases[] = {
      {"bad.cfg", "line 4: utc must be a whole number from -12 to 12, not -13"},
      {"big.cfg", "larger than 64 KB, not a configuration file"},
      {"folder.cfg", "not a regular file"},
      {"missing.cfg", "no such file"},
  };
  const TClockConfig before = windowConfig(w);
  const QString captionBefore = w.child<QPushButton>("ReadClock")->text();
  for (const auto& c : cases) {
    const QString path = w.folder().file(QString::fromLatin1(c.file));
    w.boxes().plain.clear();
    EXPECT_FALSE(w.form().openConfigurationFile(path)) << c.file;
    ASSERT_EQ(w.boxes().plain.size(), 1u) << c.file;
    EXPECT_EQ(w.boxes().plain[0],
              "The configuration cannot be opened:\n" + path + ": " + QString::fromLatin1(c.reason));
    EXPECT_EQ(windowConfig(w), before) << c.file;
    EXPECT_EQ(w.child<QPushButton>("ReadClock")->text(), captionBefore);
  }
  for (const auto& c : kUnsendableTexts) {
    const QString path = w.folder().file(QStringLiteral("unsendable.cfg"));
    w.folder().write(QStringLiteral("unsendable.cfg"), withMonday1(c.value));
    w.boxes().plain.clear();
    EXPECT_FALSE(w.form().openConfigurationFile(path)) << c.value;
    ASSERT_EQ(w.boxes().plain.size(), 1u) << c.value;
    EXPECT_EQ(w.boxes().plain[0],
              "The configuration cannot be opened:\n" + path + ": " + unsendableFault(c.reason));
    EXPECT_EQ(windowConfig(w), before) << c.value;
  }
  w.boxes().plain.clear();
  EXPECT_FALSE(w.form().saveConfigurationFile(w.folder().file(QStringLiteral("no/such/folder.cfg"))));
  ASSERT_EQ(w.boxes().plain.size(), 1u);
  EXPECT_TRUE(w.boxes().plain[0].startsWith("The configuration cannot be saved:\n"));
}

// --- the command line ---------------------------------------------------------------------------

enum class Direction { Read, Send };

struct CommandLineCase {
  const char* name;
  Direction direction;
  std::vector<std::string> clockArgs;
  QStringList arguments;  // of kelvox-setup
  int exitCode;
  const char* stderrText;          // its start, or starts separated by "|"; a failure is one line
  int clockMessages;               // received by the clock; -1: not looked at
  int terminateAfterCommands = 0;  // 0: never
  int signal = SIGTERM;            // what ends it then
  int clockPort = 1;
  bool gpsOnCom1 = false;  // a GPS receiver's lines on COM1
  const char* clockLink = nullptr;  // a further name for the clock's port, "COM12"
  bool searches = false;  // run without --port, so the clock is looked for; else the clock's port is given
  bool signalIgnored = false;  // the signal is ignored from the start (nohup, a shell's `cmd &`)
  const char* savedPort = nullptr;  // kelvox.ini, written before the run; it must stay as it is
};

void PrintTo(const CommandLineCase& c, std::ostream* out) { *out << c.name; }

constexpr char kReadExtraReply[] =
    "kelvox-setup: the clock on COM1 sent a reply too many (more entries than a day holds, or a reply after the "
    "last one): the read cannot be trusted; nothing was written\n";
constexpr char kSendExtraReply[] =
    "kelvox-setup: the clock on COM1 sent a reply too many (a second answer to one command): the transfer cannot "
    "be trusted; the last command the clock took is ";
// A second answer that came after the next command was written counts for it; the program is one
// answer ahead from then on, which ends as a reply too many, or as an error reply it cannot pair.
constexpr char kSendOutOfStep[] =
    "kelvox-setup: the clock on COM1 sent a reply too many (a second answer to one command): the transfer cannot "
    "be trusted; the last command the clock took is "
    "|kelvox-setup: the clock on COM1 sent an error reply after acknowledging all 61 commands: the transfer "
    "cannot be trusted; the last command the clock took is 61 of 61 "
    "|kelvox-setup: the clock on COM1 answered command 61 of 61 (\"$27=7,DEL\") with an error reply; the clock "
    "is half-written: the last acknowledged command is 60 of 61 ";

// clang-format off
const CommandLineCase kCommandLineCases[] = {
    {"read", Direction::Read, {}, {"--read", "read.cfg"}, 0, "", 8},
    {"send, read back", Direction::Send, {}, {"--send", "send.cfg"}, 0,
     "kelvox-setup: sent 61 commands to the clock on COM1 and read them back: verified\n", 69},
    {"send without the read-back", Direction::Send, {}, {"--send", "send.cfg", "--no-verify"}, 0, "", 61},
    {"send, a setting stored changed", Direction::Send, {"--corrupt-at", "3"}, {"--send", "send.cfg"}, 3,
     "kelvox-setup: the clock on COM1 acknowledged all 61 commands, but holds 1 value other than send.cfg:\n"
     "kelvox-setup: UTC offset: file -3, clock -2\n", 69},
    {"send, a switch time stored changed", Direction::Send, {"--corrupt-at", "7"}, {"--send", "send.cfg"}, 3,
     "kelvox-setup: the clock on COM1 acknowledged all 61 commands, but holds 1 value other than send.cfg:\n"
     "kelvox-setup: Monday Time 2: file 08:15:00 ON, clock 08:15:01 ON\n", 69},
    {"send, the read-back unanswered", Direction::Send, {"--silent-from", "62"}, {"--send", "send.cfg"}, 1,
     "kelvox-setup: the read to verify the send failed: no answer from the clock on COM1; the clock acknowledged "
     "all 61 commands, but what it holds is not verified\n", 62},
    {"compare, no answer", Direction::Read, {"--silent-from", "1"}, {"--compare", "send.cfg"}, 2,
     "kelvox-setup: no answer from the clock on COM1; nothing was compared\n", 1},
    {"read, no answer", Direction::Read, {"--silent-from", "1"}, {"--read", "read.cfg"}, 1,
     "kelvox-setup: no answer from the clock on COM1; nothing was written\n", 1},
    {"send, error reply to the tenth command", Direction::Send, {"--error-at", "10"}, {"--send", "send.cfg"}, 1,
     "kelvox-setup: the clock on COM1 answered command 10 of 61 (\"$21=4,DEL\") with an error reply; the clock "
     "is half-written: the last acknowledged command is 9 of 61 (\"$21=3,23,00,00,ON  \")\n", 10},
    {"send, a bad file", Direction::Send, {}, {"--send", "bad.cfg"}, 1,
     "kelvox-setup: bad.cfg: line 9: Mon 3: time 24:45:30 is out of range (00:00:00 to 23:59:59)\n", 0},
    {"port not available", Direction::Read, {}, {"--read", "read.cfg", "--port", "2"}, 1,
     "kelvox-setup: COM2 is not available (no such device)\n", 0},
    {"read, error reply to the read request", Direction::Read, {"--error-at", "1"}, {"--read", "read.cfg"}, 1,
     "kelvox-setup: the clock on COM1 answered the read request \"$\" with an error reply; nothing was written\n",
     1},
    {"read, error reply to the first day request", Direction::Read, {"--error-at", "2"}, {"--read", "read.cfg"}, 1,
     "kelvox-setup: the clock on COM1 answered the day request \"$21=\" with an error reply; nothing was "
     "written\n", 2},
    {"read, error reply to the last day request", Direction::Read, {"--error-at", "8"}, {"--read", "read.cfg"}, 1,
     "kelvox-setup: the clock on COM1 answered the day request \"$27=\" with an error reply; nothing was "
     "written\n", 8},
    // The second eight came after Tuesday was asked for: they cannot answer that request.
    {"read, Monday's entries twice", Direction::Read, {"--duplicate-at", "2"}, {"--read", "read.cfg"}, 1,
     kReadExtraReply, 3},
    {"read, Sunday's entries twice", Direction::Read, {"--duplicate-at", "8"}, {"--read", "read.cfg"}, 1,
     kReadExtraReply, 8},
    // A second "$ok" for one command, whenever it comes: the send fails, and says where it stood.
    {"send, a duplicate acknowledgement of command 60, an error reply to 61", Direction::Send,
     {"--duplicate-at", "60", "--error-at", "61"}, {"--send", "send.cfg"}, 1, kSendExtraReply, -1},
    {"send, a duplicate acknowledgement", Direction::Send, {"--duplicate-at", "30"}, {"--send", "send.cfg"}, 1,
     kSendExtraReply, -1},
    {"paced send, a duplicate at once", Direction::Send, {"--pace", "--duplicate-at", "30"}, {"--send", "send.cfg"},
     1, kSendOutOfStep, -1},
    {"paced send, a duplicate 2 ms late", Direction::Send, {"--pace", "--duplicate-at", "30",
     "--duplicate-delay-ms", "2"}, {"--send", "send.cfg"}, 1, kSendOutOfStep, -1},
    {"paced send, a duplicate 20 ms late", Direction::Send, {"--pace", "--duplicate-at", "30",
     "--duplicate-delay-ms", "20"}, {"--send", "send.cfg"}, 1, kSendOutOfStep, -1},
    {"paced send, a duplicate at once, an error reply to 61", Direction::Send, {"--pace", "--duplicate-at", "10",
     "--error-at", "61"}, {"--send", "send.cfg"}, 1, kSendOutOfStep, -1},
    {"paced send, a duplicate 2 ms late, an error reply to 61", Direction::Send, {"--pace", "--duplicate-at", "10",
     "--duplicate-delay-ms", "2", "--error-at", "61"}, {"--send", "send.cfg"}, 1, kSendOutOfStep, -1},
    {"paced send, a duplicate 20 ms late, an error reply to 61", Direction::Send, {"--pace", "--duplicate-at",
     "10", "--duplicate-delay-ms", "20", "--error-at", "61"}, {"--send", "send.cfg"}, 1, kSendOutOfStep, -1},
    {"send, interrupted", Direction::Send, {"--delay-ms", "20"}, {"--send", "send.cfg"}, 1,
     "kelvox-setup: interrupted at command ", -1, 5},
    {"send, hung up", Direction::Send, {"--delay-ms", "20"}, {"--send", "send.cfg"}, 1,
     "kelvox-setup: interrupted at command ", -1, 5, SIGHUP},
    // A signal ignored from the start stays ignored: the send goes on to its end. Each reply 10 ms
    // late: the signal after command 5 leaves over a second of the send and its read-back to run.
    {"send under nohup, hung up", Direction::Send, {"--delay-ms", "10"}, {"--send", "send.cfg"}, 0,
     "kelvox-setup: sent 61 commands to the clock on COM1 and read them back: verified\n", 69, 5, SIGHUP, 1, false,
     nullptr, false, true},
    {"send started with `&`, Ctrl+C", Direction::Send, {"--delay-ms", "10"}, {"--send", "send.cfg"}, 0,
     "kelvox-setup: sent 61 commands to the clock on COM1 and read them back: verified\n", 69, 5, SIGINT, 1, false,
     nullptr, false, true},
    // Without --port and kelvox.ini the clock is looked for on every port, with a read request alone.
    {"read, the clock looked for", Direction::Read, {}, {"--read", "read.cfg"}, 0,
     "kelvox-setup: the clock answered on COM1\n", 8, 0, SIGTERM, 1, false, nullptr, true},
    {"send, the clock looked for with a read first", Direction::Send, {}, {"--send", "send.cfg"}, 0,
     "kelvox-setup: the clock answered on COM1\n"
     "kelvox-setup: sent 61 commands to the clock on COM1 and read them back: verified\n", 77, 0, SIGTERM, 1,
     false, nullptr, true},
    {"read, a GPS receiver on the first port", Direction::Read, {}, {"--read", "read.cfg"}, 0,
     "kelvox-setup: the clock answered on COM2\n", 8, 0, SIGTERM, 2, true, nullptr, true},
    {"send, nothing answers the search", Direction::Send, {"--silent-from", "1"}, {"--send", "send.cfg"}, 1,
     "kelvox-setup: no answer from the clock on COM1; nothing was sent\n", 1, 0, SIGTERM, 1, false, nullptr,
     true},
    {"send, a GPS receiver on the port asked for", Direction::Send, {}, {"--send", "send.cfg", "--port", "1"}, 1,
     "kelvox-setup: no answer from the clock on COM1 to command 1 of 61 (\"$1=0\"); no command was acknowledged\n",
     0, 0, SIGTERM, 2, true},
    {"read on a port beyond COM9", Direction::Read, {}, {"--read", "read.cfg", "--port", "com12"}, 0, "", 8, 0,
     SIGTERM, 1, false, "COM12"},
    // A port from the list is named as the list names it, never by the link or device it opens.
    {"send, the clock found on COM12", Direction::Send, {}, {"--send", "send.cfg"}, 0,
     "kelvox-setup: the clock answered on COM12\n"
     "kelvox-setup: sent 61 commands to the clock on COM12 and read them back: verified\n", 77, 0, SIGTERM, 12,
     false, nullptr, true},
    {"send on the saved COM12", Direction::Send, {}, {"--send", "send.cfg"}, 0,
     "kelvox-setup: sent 61 commands to the clock on COM12 and read them back: verified\n", 69, 0, SIGTERM, 12,
     false, nullptr, true, false, "COM-\r\nport=COM12\r\n"},
    {"no answer on a port given by its path", Direction::Read, {"--silent-from", "1"},
     {"--read", "read.cfg", "--port", "./COM200"}, 1,
     "kelvox-setup: no answer from the clock on ./COM200; nothing was written\n", 1, 0, SIGTERM, 1, false, "COM200"},
};
// clang-format on

class CommandLine : public ::testing::TestWithParam<CommandLineCase> {};

// The clock starts from a file the program wrote, taking its odd entry texts as it takes such
// commands; a read writes what the clock then holds, and a send leaves the clock holding what it
// would have taken from the file (the emulator saves it in the same format).
TEST_P(CommandLine, TransfersAndFailuresWithTheirExitCodeAndOneLine) {
  const CommandLineCase& c = GetParam();
  ScratchFolder folder({1, c.clockPort});
  const CurrentFolder here(folder.path());  // relative names, and kelvox-setup's start folder
  std::optional<GpsStandIn> gps;
  if (c.gpsOnCom1) gps.emplace(folder.path().toStdString(), 1);
  TClockConfig clockConfig = oddConfig();
  clockConfig.week.at(0, 0).setText("$21=0,06,30,00,ON");  // as the clock holds them
  clockConfig.week.at(0, 1).setText("$21=1,08,15,00,ON");
  clockConfig.week.at(0, 3).setText("$21=3,23,00,00,ON");
  clockConfig.week.at(4, 7).setText("$25=7,12,34,56,ON");
  const std::string clockFile = formatConfigFile(clockConfig);
  folder.write(QStringLiteral("clock.cfg"),
               QByteArray::fromStdString(c.direction == Direction::Read ? clockFile : "language = 4\n"));
  folder.write(QStringLiteral("send.cfg"), QByteArray::fromStdString(formatConfigFile(oddConfig())));
  std::string bad = formatConfigFile(oddConfig());
  bad.replace(bad.find("17:45:30"), 2, "24");
  folder.write(QStringLiteral("bad.cfg"), QByteArray::fromStdString(bad));
  std::vector<std::string> clockArgs = {"--config", folder.file(QStringLiteral("clock.cfg")).toStdString()};
  clockArgs.insert(clockArgs.end(), c.clockArgs.begin(), c.clockArgs.end());
  EmulatorProcess clock(folder.path().toStdString(), clockArgs, c.clockPort);
  ASSERT_TRUE(clock.start());
  if (c.clockLink != nullptr)
    std::filesystem::create_symlink(std::filesystem::read_symlink(clock.linkPath()), c.clockLink);
  if (c.savedPort != nullptr) folder.write(QStringLiteral("kelvox.ini"), c.savedPort);

  std::function<bool()> terminateWhen;
  if (c.terminateAfterCommands > 0)
    terminateWhen = [&] {
      return static_cast<int>(clock.receivedMessages().size()) >= c.terminateAfterCommands;
    };
  QStringList arguments = c.arguments;
  if (!c.searches && !arguments.contains(QStringLiteral("--port")))
    arguments << QStringLiteral("--port") << QString::number(c.clockPort);
  // A clock silent from the first message answers nothing at all: half a second proves that as
  // well as any time-out, however busy the machine.
  const bool answersNothing = c.clockArgs == std::vector<std::string>{"--silent-from", "1"};
  const RunResult result =
      runSetup(arguments, terminateWhen, c.signal, c.signalIgnored, answersNothing ? 500ms : 1000ms);
  EXPECT_EQ(result.exitCode, c.exitCode);
  const QStringList starts = QString::fromUtf8(c.stderrText).split(u'|');
  EXPECT_TRUE(std::any_of(starts.begin(), starts.end(), [&](const QString& start) {
    return result.stderrText.left(static_cast<int>(start.size())) == start;
  })) << result.stderrText.toStdString();
  // A failure is one line; what succeeds or differs is given whole.
  const int lines = static_cast<int>(starts.front().count('\n'));
  EXPECT_EQ(result.stderrText.count('\n'), c.exitCode == 1 ? 1 : lines) << result.stderrText.toStdString();
  if (c.terminateAfterCommands > 0 && !c.signalIgnored) {
    EXPECT_TRUE(result.stderrText.contains("; the clock is half-written: the last acknowledged command is "));
  }
  if (c.clockMessages >= 0) {
    // The program may end a moment after its last write, before the clock has logged it.
    waitUntil([&] { return static_cast<int>(clock.receivedMessages().size()) >= c.clockMessages; }, 1s);
    EXPECT_EQ(static_cast<int>(clock.receivedMessages().size()), c.clockMessages);
  }
  // The saved port stays as it was.
  if (c.savedPort != nullptr)
    EXPECT_EQ(folder.read(QStringLiteral("kelvox.ini")), c.savedPort);
  else
    EXPECT_FALSE(folder.exists(QStringLiteral("kelvox.ini")));
  TClockConfig saved;
  EXPECT_FALSE(parseConfigFile(clock.savedConfig(), saved)) << "the emulator's file does not open";

  if (c.direction == Direction::Read) {
    EXPECT_EQ(folder.exists(QStringLiteral("read.cfg")), c.exitCode == 0);
    if (c.exitCode == 0) {
      EXPECT_EQ(folder.read(QStringLiteral("read.cfg")).toStdString(), clockFile);
    }
  } else if (c.exitCode == 0) {
    clock.stop();  // it saves at exit
    EXPECT_EQ(clock.savedConfig(), clockFile);
  }
}

INSTANTIATE_TEST_SUITE_P(ReadAndSend, CommandLine, ::testing::ValuesIn(kCommandLineCases));

// kelvox.ini may hold any bytes: what it names reaches standard error escaped, as names from the
// command line do, never as escape sequences or bells.
TEST(CommandLineSavedPort, ItsNameIsShownEscaped) {
  ScratchFolder folder({1});
  const CurrentFolder here(folder.path());  // relative names, and kelvox-setup's start folder
  EmulatorProcess clock(folder.path().toStdString(), {});  // where the search finds the clock
  ASSERT_TRUE(clock.start());
  folder.write(QStringLiteral("kelvox.ini"), "COM-\r\nport=/dev/kvx\x1b[2J\a\r\n");
  const RunResult result = runSetup({"--read", "read.cfg"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_TRUE(result.stderrText.startsWith(
      "kelvox-setup: /dev/kvx\\x1b[2J\\x07, saved in kelvox.ini, is not available (no such device); looking for "
      "the clock on every port\n"))
      << result.stderrText.toStdString();
  EXPECT_FALSE(result.stderrText.contains(QChar(0x1b)));
  EXPECT_FALSE(result.stderrText.contains(QChar(0x07)));
}

// --compare reads the clock and writes nothing to it: after a clean send it agrees with the file
// sent (whose odd entry texts the clock holds trimmed), and it names each value a changed file holds
// otherwise.
TEST(CommandLineCompare, AgreesAfterACleanSendAndNamesEachChangedValue) {
  ScratchFolder folder({1});
  const CurrentFolder here(folder.path());  // relative names, and kelvox-setup's start folder
  folder.write(QStringLiteral("clock.cfg"), "language = 4\n");
  folder.write(QStringLiteral("send.cfg"), QByteArray::fromStdString(formatConfigFile(oddConfig())));
  TClockConfig changed = oddConfig();
  changed.setSetting(Setting::UtcOffset, -5);
  changed.week.at(1, 2).setText("$22=2,07,15,30,ON");
  folder.write(QStringLiteral("changed.cfg"), QByteArray::fromStdString(formatConfigFile(changed)));
  EmulatorProcess clock(folder.path().toStdString(), {"--config", folder.file(QStringLiteral("clock.cfg")).toStdString()});
  ASSERT_TRUE(clock.start());

  ASSERT_EQ(runSetup({"--send", "send.cfg", "--no-verify", "--port", "1"}).exitCode, 0);
  const RunResult same = runSetup({"--compare", "send.cfg", "--port", "1"});
  EXPECT_EQ(same.exitCode, 0);
  EXPECT_EQ(same.stderrText, "kelvox-setup: the clock on COM1 holds what send.cfg holds\n");
  const RunResult different = runSetup({"--compare", "changed.cfg", "--port", "1"});
  EXPECT_EQ(different.exitCode, 1);
  EXPECT_EQ(different.stderrText,
            "kelvox-setup: the clock on COM1 holds 2 values other than changed.cfg:\n"
            "kelvox-setup: UTC offset: file -5, clock -3\n"
            "kelvox-setup: Tuesday Time 3: file 07:15:30 ON, clock deleted\n");
  EXPECT_EQ(clock.receivedMessages().size(), 61u + 2 * 8u);  // the send, then two reads
}

// The clock speaks only when asked, and answers a read request with each of its settings once,
// the relay mode last: no other device on the first port keeps the read from the clock on COM2,
// holds it up or holds a read open for ever.
TEST(CommandLineSearch, OnlyAPortThatAnswersAsTheClockDoesKeepsTheRead) {
  using namespace std::chrono_literals;
  using Behaviour = GpsStandIn::Behaviour;
  Behaviour talker, errorOnly, oneSetting, held;
  talker.line = "$#1=2\r";
  talker.period = 20ms;
  errorOnly.answer = "$error\r";
  oneSetting.answer = "$#1=2\r";
  held.holdsOutput = true;
  const struct {
    const char* device;
    Behaviour behaviour;
    QStringList arguments;
    int exitCode;
    const char* says;
  } cases[] = {
      {"a setting reply every 20 ms, asked or not", talker, {}, 0, "the clock answered on COM2"},
      {"an error reply, then nothing", errorOnly, {}, 0, "the clock answered on COM2"},
      {"one setting reply, then nothing", oneSetting, {}, 0, "the clock answered on COM2"},
      {"output held back", held, {}, 0, "COM1: does not take what is written to it"},
      {"a setting reply every 20 ms on the port asked for", talker, {"--port", "1"}, 1,
       "sent a reply too many (a setting twice in its answer to the read request)"},
  };
  for (const auto& c : cases) {
    ScratchFolder folder({1, 2});
    const CurrentFolder here(folder.path());  // relative names, and kelvox-setup's start folder
    GpsStandIn device(folder.path().toStdString(), 1, c.behaviour);
    ASSERT_TRUE(device.ready());
    EmulatorProcess clock(folder.path().toStdString(), {}, 2);
    ASSERT_TRUE(clock.start());
    const RunResult result = runSetup(QStringList{"--read", "read.cfg"} + c.arguments);
    EXPECT_EQ(result.exitCode, c.exitCode) << c.device << ": " << result.stderrText.toStdString();
    EXPECT_TRUE(result.stderrText.contains(QLatin1String(c.says))) << c.device << ": " << result.stderrText.toStdString();
  }
}

// --list-ports without a display: the clock's port under the name COM12, and the saved COM2 that
// is absent (COM1..COM9 lead nowhere here, so none of the machine's devices is a button's).
TEST(CommandLineListPorts, NamesAPortBeyondCom9AndTheSavedOne) {
  ScratchFolder folder;
  const CurrentFolder here(folder.path());  // relative names, and kelvox-setup's start folder
  EmulatorProcess clock(folder.file(QStringLiteral("clock")).toStdString());
  std::filesystem::create_directory(folder.file(QStringLiteral("clock")).toStdString());
  ASSERT_TRUE(clock.start());
  std::filesystem::create_symlink(std::filesystem::read_symlink(clock.linkPath()), "COM12");
  folder.write(QStringLiteral("kelvox.ini"), "COM2\r\n");

  QProcess process;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) environment.remove(QString::fromLatin1(name));
  process.setProcessEnvironment(environment);
  process.start(QStringLiteral(KVX_SETUP_PATH), {QStringLiteral("--list-ports")});
  ASSERT_TRUE(process.waitForFinished(20000));
  EXPECT_EQ(process.exitCode(), 0);
  const QStringList lines = QString::fromLocal8Bit(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
  ASSERT_FALSE(lines.isEmpty());
  EXPECT_EQ(lines.filter(QRegularExpression(QStringLiteral("^COM12\t[^\t]+\t-$"))).size(), 1) << lines.join(u'\n').toStdString();
  EXPECT_EQ(lines.filter(QRegularExpression(QStringLiteral("^COM[1-9]\t"))), QStringList{"COM2\tnot present\t-\tsaved"});
  EXPECT_EQ(lines.filter(QStringLiteral("saved")).size(), 1);
  // At most the one line that says the system listed no ports.
  EXPECT_LE(process.readAllStandardError().count('\n'), 1);
}

TEST(CommandLineFile, QuotedTextsThatAreNoSingleCommandAreRefusedBeforeAByteIsSent) {
  ScratchFolder folder({1});
  const CurrentFolder here(folder.path());  // relative names, and kelvox-setup's start folder
  EmulatorProcess clock(folder.path().toStdString(), {});
  ASSERT_TRUE(clock.start());
  for (const auto& c : kUnsendableTexts) {
    folder.write(QStringLiteral("bad.cfg"), withMonday1(c.value));
    const RunResult result = runSetup({"--send", "bad.cfg"});
    EXPECT_EQ(result.exitCode, 1) << c.value;
    EXPECT_EQ(result.stderrText, "kelvox-setup: bad.cfg: " + unsendableFault(c.reason) + "\n");
  }
  EXPECT_TRUE(clock.receivedMessages().empty());
}

// A clock on a pseudo-terminal linked as COM1 that reports language 9 and timeout 0, which no
// emulated clock does, and an empty week: the file gets the values the window would show, and
// the user is told.
TEST(CommandLineFile, RepliesOutOfRangeAreNamedAndClamped) {
  ScratchFolder folder;
  const CurrentFolder here(folder.path());  // relative names, and kelvox-setup's start folder
  int master = -1, slave = -1;
  char name[256] = {};
  ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
  QFile::remove(folder.file(QStringLiteral("COM1")));
  ASSERT_TRUE(QFile::link(QString::fromLatin1(name), folder.file(QStringLiteral("COM1"))));
  std::thread clock([master] {
    std::string line;
    char c = 0;
    // Ends by itself should the program not ask for the whole week.
    const auto deadline = std::chrono::steady_clock::now() + 15s;
    pollfd input{master, POLLIN, 0};
    for (int days = 0; days < 7 && std::chrono::steady_clock::now() < deadline;) {
      if (::poll(&input, 1, 100) != 1 || ::read(master, &c, 1) != 1) continue;
      if (c != '\r') {
        line += c;
        continue;
      }
      const std::string reply = line == "$" ? "$S1=9\r$S2=+01\r$S3=0\r$S4=00\r$S5=0\r" : std::string();
      std::string week;
      if (line.size() == 4 && line.rfind("$2", 0) == 0) {
        for (int entry = 0; entry < 8; ++entry) week += "=-DEL\r";
        ++days;
      }
      const std::string answer = reply + week;
      if (!answer.empty() && ::write(master, answer.data(), answer.size()) < 0) break;
      line.clear();
    }
  });
  const RunResult result = runSetup({"--read", "read.cfg", "--port", "1"});
  clock.join();
  ::close(master);
  ::close(slave);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.stderrText,
            "kelvox-setup: the clock on COM1 reported language 9, outside 0 to 4; the file holds 4\n"
            "kelvox-setup: the clock on COM1 reported timeout 0, outside 1 to 720; the file holds 1\n");
  const QByteArray file = folder.read(QStringLiteral("read.cfg"));
  EXPECT_TRUE(file.contains("\nlanguage = 4\n") && file.contains("\ntimeout = 1\n")) << file.toStdString();
}

// Runs kelvox-setup through the shell, which gives it file names as bytes (a QProcess argument is
// text); home is the folder the program may keep its settings in.
RunResult runSetupInShell(const QString& script, const QString& home) {
  QProcess process;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_CONFIG_HOME"})
    environment.remove(QString::fromLatin1(name));
  environment.insert(QStringLiteral("HOME"), home);
  environment.insert(QStringLiteral("SETUP"), QStringLiteral(KVX_SETUP_PATH));
  process.setProcessEnvironment(environment);
  process.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script});
  if (!process.waitForFinished(20000)) return {-1, QStringLiteral("did not end")};
  return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardError())};
}

TEST(CommandLineFile, NamesKeepTheirBytesAndStayOnOneLine) {
  ScratchFolder folder({1});
  const CurrentFolder here(folder.path());  // relative names, and kelvox-setup's start folder
  EmulatorProcess clock(folder.path().toStdString(), {});
  ASSERT_TRUE(clock.start());
  // "\xFF.cfg" is no UTF-8; "\xEF\xBF\xBD.cfg" is what a lossy decoding would make of it.
  folder.write(QString::fromUtf8("\xEF\xBF\xBD.cfg"), "someone else's\n");
  RunResult result = runSetupInShell(QStringLiteral("exec \"$SETUP\" --read \"$(printf '\\377.cfg')\""), folder.path());
  EXPECT_EQ(result.exitCode, 0) << result.stderrText.toStdString();
  EXPECT_EQ(folder.read(QString::fromUtf8("\xEF\xBF\xBD.cfg")), "someone else's\n");
  struct stat st {};
  EXPECT_EQ(::stat("\xFF.cfg", &st), 0);
  result = runSetupInShell(QStringLiteral("exec \"$SETUP\" --send \"$(printf '\\377.cfg')\""), folder.path());
  EXPECT_EQ(result.exitCode, 0) << result.stderrText.toStdString();
  ::unlink("\xFF.cfg");  // a name the scratch folder's removal cannot spell

  // Escaped in the message, so the message stays one line.
  result = runSetupInShell(QStringLiteral("exec \"$SETUP\" --send \"$(printf 'a\\nb\\377.cfg')\""), folder.path());
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.stderrText, "kelvox-setup: a\\nb\\xff.cfg: no such file\n");

  // A start folder that is gone: no file is written anywhere else in its place.
  result = runSetupInShell(QStringLiteral("mkdir gone && cd gone && rmdir ../gone && exec \"$SETUP\" --read x.cfg"),
                           folder.path());
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_TRUE(result.stderrText.startsWith("kelvox-setup: x.cfg: the start folder cannot be found"))
      << result.stderrText.toStdString();
  EXPECT_EQ(result.stderrText.count('\n'), 1);
  EXPECT_FALSE(folder.exists(QStringLiteral(".config/kelvox-setup/x.cfg")));
}

// Started where no port is set up, the program works in the user's settings folder: a port
// number, a relative port path and the saved port are that folder's, while the file named on the
// command line lies in the start folder.
TEST(CommandLineFile, PortsComeFromTheSettingsFolderAndFilesLieInTheStartFolder) {
  ScratchFolder home;
  const QString settings = home.file(QStringLiteral(".config/kelvox-setup"));
  ASSERT_TRUE(QDir().mkpath(settings) && QDir().mkpath(home.file(QStringLiteral("start"))));
  EmulatorProcess::linkUnusedPorts(settings.toStdString(), {1});
  EmulatorProcess clock(settings.toStdString(), {});
  ASSERT_TRUE(clock.start());
  QFile ini(settings + QStringLiteral("/kelvox.ini"));
  ASSERT_TRUE(ini.open(QIODevice::WriteOnly) && ini.write("COM1\r\n") == 6);
  ini.close();
  for (const char* port : {" --port 1", " --port ./COM1", ""}) {
    const RunResult result = runSetupInShell(
        QStringLiteral("cd \"$HOME/start\" && exec \"$SETUP\" --read read.cfg") + QString::fromLatin1(port), home.path());
    EXPECT_EQ(result.exitCode, 0) << port << ": " << result.stderrText.toStdString();
    EXPECT_TRUE(QFile::remove(home.file(QStringLiteral("start/read.cfg")))) << port;
  }
}

// --- the one safe write: kelvox.ini, --read and the window's save ------------------------------

// Where a write goes. make builds it in the current folder and gives the name to write, or "" when
// it cannot be made here; written: whether the write is to succeed.
struct WriteTarget {
  const char* name;
  std::function<std::string()> make;
  bool written;
};

constexpr uid_t kOtherUser = 1234;
constexpr gid_t kOtherGroup = 5678;

bool root() { return ::geteuid() == 0; }

std::string oldFile(const std::string& name, mode_t mode) {
  std::ofstream(name) << "old\n";
  ::chmod(name.c_str(), mode);
  return name;
}

// An old file that another user owns; only root can make one, so empty (the case is skipped) else.
std::string anotherOwnersFile(const std::string& name, mode_t mode) {
  if (!root()) return "";
  oldFile(name, mode);
  ::chown(name.c_str(), kOtherUser, kOtherGroup);
  return name;
}

const WriteTarget kWriteTargets[] = {
    {"regular file", [] { return oldFile("plain.cfg", 0640); }, true},
    {"link to a regular file",
     [] {
       oldFile("real.cfg", 0600);
       ::symlink("real.cfg", "link.cfg");
       return std::string("link.cfg");
     },
     true},
    {"full disk", [] { return oldFile("disk/full.cfg", 0644); }, false},
    {"folder", [] { return ::mkdir("folder.cfg", 0700) == 0 ? "folder.cfg" : ""; }, false},
    {"FIFO", [] { return ::mkfifo("fifo.cfg", 0600) == 0 ? "fifo.cfg" : ""; }, false},
    {"device node",
     [] {
       // A device of its own where the test may make one (root), else a link to the machine's.
       if (::mknod("device.cfg", S_IFCHR | 0600, makedev(1, 3)) != 0) ::symlink("/dev/null", "device.cfg");
       return std::string("device.cfg");
     },
     false},
    {"link of another user in a sticky shared folder, as root",
     []() -> std::string {
       if (!root()) return "";
       oldFile("victim.cfg", 0600);
       ::mkdir("shared", 0700);
       ::chmod("shared", 01777);
       ::symlink("../victim.cfg", "shared/planted.cfg");
       ::lchown("shared/planted.cfg", kOtherUser, kOtherGroup);
       return "shared/planted.cfg";
     },
     false},
    // The longest name a folder takes: the temporary file's name does not grow with it.
    {"name of 255 bytes", [] { return oldFile(std::string(251, 'n') + ".cfg", 0644); }, true},
    {"file of another owner, as root", [] { return anotherOwnersFile("others.cfg", 0604); }, true},
    // Kept as Windows keeps a file with the read-only attribute, although a rename would pass.
    {"read-only file", [] { return oldFile("own-readonly.cfg", 0444); }, false},
    {"read-only file of another owner, as root", [] { return anotherOwnersFile("readonly.cfg", 0444); }, false},
};

// One of the program's writers: writes name, true on success; expected is what a written file holds.
struct Writer {
  const char* name;
  std::function<bool(const std::string& name)> write;
  std::string expected;
};

struct Snapshot {
  struct stat link {}, file{};
  QByteArray content;
};

Snapshot snapshot(const std::string& name) {
  Snapshot s;
  ::lstat(name.c_str(), &s.link);
  if (::stat(name.c_str(), &s.file) == 0 && S_ISREG(s.file.st_mode)) {
    QFile f(QFile::decodeName(name.c_str()));
    if (f.open(QIODevice::ReadOnly)) s.content = f.readAll();
  }
  return s;
}

// Runs every target against writer; the full disk is filled just before its write.
void writeEveryTarget(ScratchFolder& folder, const Writer& writer) {
  const CurrentFolder here(folder.path());  // the targets' names are relative
  QDir(folder.path()).mkdir(QStringLiteral("disk"));
  FullDisk disk(folder.file(QStringLiteral("disk")));
  for (const WriteTarget& target : kWriteTargets) {
    const std::string name = target.make();
    if (name.empty()) {
      std::printf("%s, %s: cannot be made here, not tried\n", writer.name, target.name);
      continue;
    }
    const Snapshot before = snapshot(name);
    if (std::string(target.name) == "full disk") disk.fill();
    ::alarm(20);  // a write that waits on a FIFO ends the test program
    const bool written = writer.write(name);
    ::alarm(0);
    disk.release();
    const Snapshot after = snapshot(name);
    const std::string what = std::string(writer.name) + ", " + target.name;
    EXPECT_EQ(written, target.written) << what;
    // The same kind of thing stands under the name, and a file keeps its mode and owner.
    EXPECT_EQ(after.link.st_mode, before.link.st_mode) << what;
    EXPECT_EQ(after.link.st_rdev, before.link.st_rdev) << what;
    EXPECT_EQ(after.file.st_mode, before.file.st_mode) << what;
    EXPECT_EQ(std::make_pair(after.file.st_uid, after.file.st_gid),
              std::make_pair(before.file.st_uid, before.file.st_gid))
        << what;
    EXPECT_EQ(after.content.toStdString(), target.written ? writer.expected : before.content.toStdString())
        << what;
  }
  // Nothing half-made is left anywhere.
  for (const QString& dir : {folder.path(), folder.file(QStringLiteral("disk")), folder.file(QStringLiteral("shared"))})
    for (const QString& entry : QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System))
      EXPECT_FALSE(entry.startsWith(u'.')) << writer.name << ": " << entry.toStdString();
}

TEST(SafeWrite, EveryWriterWritesAWholeFileOrLeavesTheTargetAsItWas) {
  {
    ScratchFolder folder;
    writeEveryTarget(folder, {"kelvox.ini",
                              [](const std::string& name) {
                                return TPortSettingsFile(QFile::decodeName(name.c_str())).write(2);
                              },
                              "COM2\r\n"});
  }
  {
    ScratchFolder folder({1});
    const CurrentFolder here(folder.path());  // relative names, and kelvox-setup's start folder
    EmulatorProcess clock(folder.path().toStdString(), {});
    ASSERT_TRUE(clock.start());
    ASSERT_EQ(runSetup({"--read", "expected.cfg", "--port", "1"}).exitCode, 0);
    const auto readInto = [&](const std::string& name) {
      const RunResult result = runSetup({"--read", QString::fromLocal8Bit(name), "--port", "1"});
      if (result.exitCode != 0) {
        EXPECT_TRUE(result.stderrText.startsWith(QStringLiteral("kelvox-setup: cannot write %1: ")
                                                     .arg(QString::fromLocal8Bit(name))))
            << result.stderrText.toStdString();
        EXPECT_EQ(result.stderrText.count('\n'), 1) << result.stderrText.toStdString();
      }
      return result.exitCode == 0;
    };
    writeEveryTarget(folder, {"--read", readInto, folder.read(QStringLiteral("expected.cfg")).toStdString()});
  }
  {
    ScratchFolder folder;  // no port: the start-up read ends at the second tick
    TForm1 form{folder.workingFolder(), folder.portList()};
    RecordingBoxes* boxes = recordBoxesOf(form);
    form.TimeoutTimer();
    form.TimeoutTimer();
    ASSERT_TRUE(form.saveConfigurationFile(folder.file(QStringLiteral("expected.cfg"))));
    const auto save = [&](const std::string& name) {
      boxes->plain.clear();
      const QString path = folder.file(QFile::decodeName(name.c_str()));
      const bool saved = form.saveConfigurationFile(path);
      // The box names the file, in the current language.
      EXPECT_EQ(boxes->plain.size(), saved ? 0u : 1u) << name;
      if (!saved && !boxes->plain.empty()) {
        EXPECT_TRUE(boxes->plain[0].startsWith("The configuration cannot be saved:\n" + path + ": "));
      }
      return saved;
    };
    writeEveryTarget(folder, {"window's save", save, folder.read(QStringLiteral("expected.cfg")).toStdString()});
  }
}

// --- what a write leaves: a second link, another owner, a read-only folder, a kill ---------------

constexpr uid_t kOrdinaryUser = 65534;  // nobody

// Runs act as an ordinary user where the test runs as root, who may write into any folder; false,
// and act not run, when that user cannot reach the current folder.
bool asOrdinaryUser(const std::function<void()>& act) {
  const bool wasRoot = root();
  if (wasRoot && ::seteuid(kOrdinaryUser) != 0) return false;
  const bool reachable = ::faccessat(AT_FDCWD, ".", X_OK, AT_EACCESS) == 0;
  if (reachable) act();
  if (wasRoot) {
    EXPECT_EQ(::seteuid(0), 0);
  }
  return reachable;
}

std::string contentsOf(const std::string& name) {
  std::ifstream file(name, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), {}};
}

// The temporary files left in folder.
QStringList temporaryFiles(const char* folder) {
  return QDir(QString::fromLatin1(folder)).entryList({QStringLiteral(".kelvox-*")}, QDir::Files | QDir::Hidden);
}

TEST(SafeWrite, AReplacedFileIsANewFileThatKeepsTheModeButNotASecondLinkOrAnotherUsersOwnership) {
  ScratchFolder folder;
  const CurrentFolder here(folder.path());  // relative names, and kelvox-setup's start folder
  ASSERT_EQ(::chmod(".", 0777), 0);
  oldFile("linked.cfg", 0640);
  ASSERT_EQ(::link("linked.cfg", "second.cfg"), 0);
  EXPECT_FALSE(writeWholeFile("linked.cfg", "new\n", WriteMode::ReplaceOnly).failed());
  EXPECT_EQ(contentsOf("linked.cfg"), "new\n");
  EXPECT_EQ(contentsOf("second.cfg"), "old\n");
  struct stat st {};
  ASSERT_EQ(::stat("linked.cfg", &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);

  if (!root()) GTEST_SKIP() << "another user's file needs root to be made";
  oldFile("roots.cfg", 0666);
  TProblem problem;
  if (!asOrdinaryUser([&] { problem = writeWholeFile("roots.cfg", "new\n", WriteMode::ReplaceOnly); }))
    GTEST_SKIP() << "the scratch folder is out of an ordinary user's reach";
  EXPECT_FALSE(problem.failed()) << problem.text;
  ASSERT_EQ(::stat("roots.cfg", &st), 0);
  EXPECT_EQ(st.st_uid, kOrdinaryUser);
  EXPECT_EQ(st.st_mode & 07777, 0666u);
}

// Lowers the file size limit once the room is reserved: the write then stops midway.
void failTheWriteMidway(const char* step) {
  if (std::strcmp(step, "room reserved") != 0) return;
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit limit{};
  ::getrlimit(RLIMIT_FSIZE, &limit);
  limit.rlim_cur = 4096;
  ::setrlimit(RLIMIT_FSIZE, &limit);
}

// A writable file in a folder that takes no temporary file (as an ordinary user): a configuration
// file is refused, "kelvox.ini" is rewritten in place, and a failure there puts its old bytes back.
TEST(SafeWrite, InAFolderThatTakesNoTemporaryFileOnlyKelvoxIniIsRewrittenAndAFailurePutsItBack) {
  enum Failure { NoFailure, DiskFilled, StopsMidway };
  const struct {
    const char* name;
    WriteMode mode;
    std::string old, next;
    Failure failure;
    bool written;
  } cases[] = {
      {"configuration file", WriteMode::ReplaceOnly, std::string(3000, 'o'), "new\n", NoFailure, false},
      {"kelvox.ini", WriteMode::InPlaceWhereNeeded, "COM2\r\n", "COM3\r\n", NoFailure, true},
      {"kelvox.ini, shorter", WriteMode::InPlaceWhereNeeded, "COM2\r\nan old rest\r\n", "COM3\r\n", NoFailure, true},
      {"kelvox.ini, a write that stops midway", WriteMode::InPlaceWhereNeeded, std::string(3000, 'o'),
       std::string(9000, 'n'), StopsMidway, false},
      // Longer by a page, which the full disk has no room for.
      {"kelvox.ini, longer on a full disk", WriteMode::InPlaceWhereNeeded, std::string(3000, 'o'),
       std::string(9000, 'n'), DiskFilled, false},
  };
  ScratchFolder folder;
  const CurrentFolder here(folder.path());  // relative names, and kelvox-setup's start folder
  ASSERT_EQ(::chmod(".", 0755), 0);
  QDir(folder.path()).mkdir(QStringLiteral("disk"));
  FullDisk disk(folder.file(QStringLiteral("disk")));
  ASSERT_EQ(::chmod("disk", 0755), 0);
  ASSERT_EQ(::mkdir("disk/locked", 0755), 0);
  for (const auto& c : cases) {
    const std::string name = "disk/locked/file";
    ::chmod("disk/locked", 0755);
    std::ofstream("disk/locked/file", std::ios::binary | std::ios::trunc) << c.old;
    ASSERT_EQ(::chmod("disk/locked/file", 0666), 0);
    ASSERT_EQ(::chmod("disk/locked", 0555), 0);
    if (c.failure == DiskFilled) disk.fill();
    if (c.failure == StopsMidway) fileStepHook = failTheWriteMidway;
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    TProblem problem, refusal;
    const bool reachable = asOrdinaryUser([&] {
      refusal = refusalToWrite(name);
      problem = writeWholeFile(name, c.next, c.mode);
    });
    fileStepHook = nullptr;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, SIG_DFL);
    disk.release();
    if (!reachable) GTEST_SKIP() << "the scratch folder is out of an ordinary user's reach";
    EXPECT_EQ(!problem.failed(), c.written) << c.name << ": " << problem.text;
    EXPECT_EQ(contentsOf(name), c.written ? c.next : c.old) << c.name;
    if (c.mode == WriteMode::ReplaceOnly) {
      EXPECT_EQ(problem.kind, TProblem::Kind::FolderTakesNoTemporaryFile) << c.name;
      EXPECT_EQ(refusal.kind, TProblem::Kind::FolderTakesNoTemporaryFile) << c.name;
    }
  }
  ::chmod("disk/locked", 0755);
}

int stepsBeforeSignal = 0;
int signalAtStep = SIGKILL;

void signalAtTheChosenStep(const char*) {
  if (--stepsBeforeSignal == 0) ::raise(signalAtStep);
}

// The process gets a signal at each step of a write in turn, in a child of the test: killed, it
// leaves the old or the new file; asked to end (default action), it ends once the file is new and
// its temporary file gone.
TEST(SafeWrite, ASignalAtAnyStepLeavesTheOldOrTheNewFile) {
  const struct {
    const char* name;
    WriteMode mode;
    bool inLockedFolder;
    int signal;
  } cases[] = {
      {"replaced, killed", WriteMode::ReplaceOnly, false, SIGKILL},
      {"replaced, terminated", WriteMode::ReplaceOnly, false, SIGTERM},
      {"in place, killed", WriteMode::InPlaceWhereNeeded, true, SIGKILL},
      {"in place, hung up", WriteMode::InPlaceWhereNeeded, true, SIGHUP},
  };
  ScratchFolder folder;
  const CurrentFolder here(folder.path());  // relative names, and kelvox-setup's start folder
  ASSERT_EQ(::chmod(".", 0755), 0);
  ASSERT_EQ(::mkdir("locked", 0755), 0);
  if (!asOrdinaryUser([] {})) GTEST_SKIP() << "the scratch folder is out of an ordinary user's reach";
  // Longer, so that the in-place rewrite reserves room first.
  const std::string old = "COM2\r\n", next = "COM3\r\n" + std::string(5000, '-');
  for (const auto& c : cases) {
    const std::string name = c.inLockedFolder ? "locked/kelvox.ini" : "kelvox.ini";
    int signalled = 0;
    for (int step = 1; step < 10; ++step) {
      ::chmod("locked", 0755);
      for (const char* dir : {".", "locked"})
        for (const QString& left : temporaryFiles(dir)) QFile::remove(QString::fromLatin1(dir) + u'/' + left);
      std::ofstream(name, std::ios::binary | std::ios::trunc) << old;
      ::chmod(name.c_str(), 0666);
      if (c.inLockedFolder) ::chmod("locked", 0555);
      const pid_t child = ::fork();
      if (child == 0) {
        if (c.inLockedFolder && root() && ::setuid(kOrdinaryUser) != 0) ::_exit(3);
        stepsBeforeSignal = step;
        signalAtStep = c.signal;
        fileStepHook = signalAtTheChosenStep;
        ::_exit(writeWholeFile(name, next, c.mode).failed() ? 2 : 0);
      }
      int status = 0;
      ASSERT_EQ(::waitpid(child, &status, 0), child);
      const std::string now = contentsOf(name);
      if (WIFEXITED(status)) {  // no step left to signal at
        EXPECT_EQ(WEXITSTATUS(status), 0) << c.name;
        EXPECT_EQ(now, next) << c.name;
        break;
      }
      ++signalled;
      ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == c.signal) << c.name << ", step " << step;
      if (c.signal == SIGKILL) {
        EXPECT_TRUE(now == old || now == next) << c.name << ", step " << step << ": " << now;
      } else {
        EXPECT_EQ(now, next) << c.name << ", step " << step;
        EXPECT_TRUE(temporaryFiles(".").isEmpty()) << c.name << ", step " << step;
      }
    }
    EXPECT_GE(signalled, 2) << c.name;
  }
  ::chmod("locked", 0755);
}

// Swaps the file for a FIFO after its type was checked, before it is opened.
void swapForFifo(const char* step) {
  if (std::strcmp(step, "type checked") != 0) return;
  ::unlink("swapped");
  ::mkfifo("swapped", 0600);
}

TEST(ConfigFileRead, AFileSwappedForAFifoBeforeItsOpenIsRefusedWithoutWaiting) {
  ScratchFolder folder;
  const CurrentFolder here(folder.path());  // relative names, and kelvox-setup's start folder
  const struct {
    const char* name;
    std::string contents;
    std::function<TProblem()> read;
  } readers[] = {
      {"configuration file", formatConfigFile(oddConfig()),
       [] {
         TClockConfig config;
         return loadConfigFile(std::filesystem::path("swapped"), config);
       }},
      {"kelvox.ini", "COM2\r\n",
       [] {
         QFile file;
         return openRegularFile(std::filesystem::path("swapped"), file);
       }},
  };
  for (const auto& r : readers) {
    ::unlink("swapped");
    std::ofstream("swapped") << r.contents;
    fileStepHook = swapForFifo;
    ::alarm(10);  // a read that waits on the FIFO ends the test program
    const TProblem problem = r.read();
    ::alarm(0);
    fileStepHook = nullptr;
    EXPECT_EQ(problem.kind, TProblem::Kind::NotRegularFile) << r.name << ": " << problem.text;
  }
}

TEST(ConfigFileInWindow, UsualReasonsAreGivenInTheWindowsLanguage) {
  ScratchFolder folder;  // no port: the start-up read ends at the second tick
  TForm1 form{folder.workingFolder(), folder.portList()};
  RecordingBoxes* boxes = recordBoxesOf(form);
  form.TimeoutTimer();
  form.TimeoutTimer();
  QDir(folder.path()).mkdir(QStringLiteral("folder.cfg"));
  const QString notRegular = folder.file(QStringLiteral("folder.cfg"));
  const QString tooLong = folder.file(QString(300, u'n'));
  const struct {
    int language;
    const char *open, *notRegular, *save, *tooLong;
  } cases[] = {
      {0, "De configuratie kan niet geopend worden:", "geen gewoon bestand",
       "De configuratie kan niet opgeslagen worden:", "de naam is te lang"},
      {1, "Die Konfiguration kann nicht geladen werden:", "keine gewöhnliche Datei",
       "Die Konfiguration kann nicht gespeichert werden:", "der Name ist zu lang"},
      {2, "The configuration cannot be opened:", "not a regular file", "The configuration cannot be saved:",
       "the name is too long"},
      {4, "The configuration cannot be opened:", "not a regular file", "The configuration cannot be saved:",
       "the name is too long"},
  };
  for (const auto& c : cases) {
    form.findChild<TRadioGroup*>(QStringLiteral("Language"))->setItemIndex(c.language);
    boxes->plain.clear();
    EXPECT_FALSE(form.openConfigurationFile(notRegular));
    EXPECT_FALSE(form.saveConfigurationFile(tooLong));
    EXPECT_EQ(boxes->plain,
              std::vector<QString>({QString::fromUtf8(c.open) + u'\n' + notRegular + QStringLiteral(": ") + QString::fromUtf8(c.notRegular),
                           QString::fromUtf8(c.save) + u'\n' + tooLong + QStringLiteral(": ") + QString::fromUtf8(c.tooLong)}))
        << c.language;
  }
}

}  // namespace
