// kelvox-setup --show FILE [--export PLAN], run as a process without a display: what it prints for
// known files, its one line for a bad one, and the plan it writes (the PDF read back by pdftotext).
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <vector>

#include "config_file.h"

namespace {

struct Outcome {
  int exitCode = -1;
  QString out, err;
};

class ShowPlanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    // An office week: Monday to Friday 07:15:30 to 22:00:00; Wednesday's third and fourth entry
    // meet at 09:00:00 with different actions.
    TClockConfig office;
    office.settings = {2, 3, 1, 1, 48};
    office.week.setAllDeleted();
    for (int day = 0; day < 5; ++day) {
      office.week.at(day, 0) = TSwitchTime::set(day, 0, {"07", "15", "30"}, true);
      office.week.at(day, 1) = TSwitchTime::set(day, 1, {"22", "00", "00"}, false);
    }
    office.week.at(2, 2) = TSwitchTime::set(2, 2, {"09", "00", "00"}, true);
    office.week.at(2, 3) = TSwitchTime::set(2, 3, {"09", "00", "00"}, false);
    write("office.cfg", formatConfigFile(office));
    // The same week, in German, with other settings.
    TClockConfig german = office;
    german.settings = {1, 2, -5, 0, 1};
    write("buero.cfg", formatConfigFile(german));
    TClockConfig empty;
    empty.week.setAllDeleted();
    write("empty.cfg", formatConfigFile(empty));
    // Monday's first entry is set, but to no time of day (a clock's odd reply).
    TClockConfig odd = empty;
    odd.week.at(0, 0).setText("$21=0,24,00,00,ON");
    write("odd.cfg", formatConfigFile(odd));
    write("bad.cfg", "KELVOX configuration 1\nlanguage = 9\n");
  }
  void write(const char* name, const std::string& text) {
    QFile file(folder.filePath(QLatin1String(name)));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.data(), qint64(text.size()));
  }
  // runtimeFolder: XDG_RUNTIME_DIR is set, as in a desktop session (not as root, over SSH, from a service).
  Outcome run(const QStringList& arguments, bool runtimeFolder = true) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR"})
      env.remove(QLatin1String(name));
    env.insert(QStringLiteral("HOME"), folder.path());
    if (runtimeFolder) env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    QProcess program;
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(folder.path());
    program.start(QStringLiteral(KVX_SETUP_PROGRAM), arguments);
    EXPECT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    return {program.exitCode(), QString::fromUtf8(program.readAllStandardOutput()),
            QString::fromLocal8Bit(program.readAllStandardError())};
  }

  QTemporaryDir folder, runtime;
};

const QString kOfficeText = QStringLiteral(
    "language = 2\nrelay = 3\nutc = 1\ndls = 1\ntimeout = 48\n"
    "Monday switch times: 07:15:30 ON, 22:00:00 OFF\nMonday: ON 07:15:30–22:00:00\n"
    "Tuesday switch times: 07:15:30 ON, 22:00:00 OFF\nTuesday: ON 07:15:30–22:00:00\n"
    "Wednesday switch times: 07:15:30 ON, 09:00:00 ON, 09:00:00 OFF, 22:00:00 OFF\n"
    "Wednesday: ON 07:15:30–09:00:00; conflict at 09:00:00 (Time 3 ON, Time 4 OFF): Time 4 acts last\n"
    "Thursday switch times: 07:15:30 ON, 22:00:00 OFF\nThursday: ON 07:15:30–22:00:00\n"
    "Friday switch times: 07:15:30 ON, 22:00:00 OFF\nFriday: ON 07:15:30–22:00:00\n"
    "Saturday switch times: no switch times\nSaturday: OFF all day\n"
    "Sunday switch times: no switch times\nSunday: OFF all day\n");

TEST_F(ShowPlanTest, PrintsKnownFilesAndOneLineForABadOne) {
  QString emptyText = QStringLiteral("language = 2\nrelay = 0\nutc = 1\ndls = 0\ntimeout = 1\n");
  for (const char* day : {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"})
    emptyText += QStringLiteral("%1 switch times: no switch times\n%1: OFF all day\n").arg(QLatin1String(day));
  // A set entry that is no time of day is named beside the switch times, not denied by them.
  QString oddText = emptyText;
  oddText.replace(QStringLiteral("Monday switch times: no switch times\nMonday: OFF all day\n"),
                  QStringLiteral("Monday switch times: Time 1 (no time of day)\n"
                                 "Monday: OFF all day; Time 1 is no time of day and switches nothing\n"));
  const struct {
    QStringList arguments;
    int exitCode;
    QString out, err;
  } cases[] = {
      {{"--show", "office.cfg"}, 0, kOfficeText, {}},
      {{"--show", "empty.cfg"}, 0, emptyText, {}},
      {{"--show", "odd.cfg"}, 0, oddText, {}},
      {{"--show", ""}, 2, {}, "kelvox-setup: --show needs a file name."},
      {{"--show", "office.cfg", "--export", ""}, 2, {}, "kelvox-setup: --export needs a file name."},
      {{"--show", "bad.cfg"}, 1, {}, "kelvox-setup: bad.cfg: line 2: "},
      {{"--show", "missing.cfg"}, 1, {}, "kelvox-setup: missing.cfg: "},
      {{"--show", "bad.cfg", "--export", "plan.pdf"}, 1, {}, "kelvox-setup: bad.cfg: line 2: "},
      {{"--export", "plan.pdf"}, 2, {}, "kelvox-setup: --export goes with --show only."},
      {{"--show", "office.cfg", "--export", "plan.txt"}, 2, {}, "kelvox-setup: --export takes a name ending in"},
      {{"--show", "office.cfg", "--read", "x.cfg"}, 2, {}, "kelvox-setup: --show takes no transfer option."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments.join(u' ').toStdString());
    const Outcome result = run(c.arguments);
    EXPECT_EQ(result.exitCode, c.exitCode);
    EXPECT_EQ(result.out.toStdString(), c.out.toStdString());
    EXPECT_TRUE(result.err.startsWith(c.err)) << result.err.toStdString();
    EXPECT_EQ(result.err.count(u'\n'), c.err.isEmpty() ? 0 : 1) << result.err.toStdString();
  }
  EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("plan.pdf"))));
}

// The plan is in the language the file's language setting selects, its settings in words.
TEST_F(ShowPlanTest, ExportsOnePageWhoseTextIsThePlan) {
  const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
  ASSERT_FALSE(pdftotext.isEmpty()) << "pdftotext (Debian poppler-utils) is missing; make test installs it";
  const struct {
    const char* file;
    std::vector<const char*> expected;
  } rows[] = {
      {"office.cfg",
       {"KELVOX week plan", "From: file office.cfg",
        "Language: English · Mains relay: Timer · UTC offset: +1 hour · Daylight saving: on · "
        "Time not valid timeout: 48 hours",
        "Monday: ON 07:15:30–22:00:00",
        "Wednesday: ON 07:15:30–09:00:00; conflict at 09:00:00 (Time 3 ON, Time 4 OFF): Time 4 acts last",
        "Sunday: OFF all day", "Time 8", "09:00:00 OFF"}},
      {"buero.cfg",
       {"KELVOX Wochenplan", "Herkunft: Datei buero.cfg",
        "Sprache: Deutsch · 230V-Relais: Zeit nicht korrekt · UTC-Abweichung: -5 Stunden · Sommerzeit: aus · "
        "Timeout bei ungültiger Zeit: 1 Stunde",
        "Montag: AN 07:15:30–22:00:00", "Sonntag: den ganzen Tag AUS", "Zeit 8"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.file);
    // Standard error holds the program's own lines only, also where no runtime folder is set.
    const Outcome result = run({"--show", QLatin1String(row.file), "--export", "plan.pdf"}, false);
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(result.err, QString());
    if (row.file == std::string("office.cfg")) {
      EXPECT_EQ(result.out, kOfficeText);  // what it prints stays as without --export
    }

    QProcess extract;
    extract.start(pdftotext, {folder.filePath(QStringLiteral("plan.pdf")), QStringLiteral("-")});
    ASSERT_TRUE(extract.waitForFinished(30000));
    ASSERT_EQ(extract.exitCode(), 0);
    // A line too long for the page goes on in the next.
    const QString text = QString::fromUtf8(extract.readAllStandardOutput()).replace(u'\n', u' ');
    EXPECT_EQ(text.count(u'\f'), 1) << "pages";
    for (const char* expected : row.expected)
      EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << "\n" << text.toStdString();
  }
  ASSERT_EQ(run({"--show", "office.cfg", "--export", "plan.PNG"}).exitCode, 0);
  QFile png(folder.filePath(QStringLiteral("plan.PNG")));
  ASSERT_TRUE(png.open(QIODevice::ReadOnly));
  EXPECT_EQ(png.read(8), QByteArray("\x89PNG\r\n\x1a\n", 8));
}

}  // namespace
