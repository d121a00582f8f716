// "Send to every clock…" of the real window against three emulated clocks on pseudo-terminals,
// offscreen, driven by the keyboard: the window's own port is lent for the run and taken back.
// Help > "Connection check…", which lends it alike.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <map>

#include "KVX_Setup.h"
#include "Serial4.h"
#include "emulator_process.h"
#include "every_clock_dialog.h"
#include "gps_stand_in.h"
#include "radio_group.h"
#include "window_support.h"

namespace {

using namespace std::chrono_literals;

// German, relay on, UTC -5, a few switch times: a send after the read asks the relay question.
constexpr char kGermanClockConfig[] =
    "language = 1\nrelay = 1\nutc = -5\ndls = 1\ntimeout = 48\n"
    "Mon 1 = 06:30:00 ON\nMon 2 = 22:00:00 OFF\nWed 8 = 12:34:56 ON\n";

// The read that looks for a clock is 8 messages: the send's command 12 is the clock's message 20.
constexpr char kCommand12[] = "20";

class EveryClockWindow : public ::testing::Test {
 protected:
  // Three clocks in one emulator, COM1 to COM3, each logging and saving where a clock of its own
  // would; COM2 stores command 12 one step off, COM1 answers 5 ms late.
  void startClocks() {
    folder.write("clock.cfg", kGermanClockConfig);
    std::vector<std::string> args = {"--count", "3", "--config", folder.file("clock.cfg").toStdString()};
    for (int n = 1; n <= 3; ++n) {
      files.push_back(
          std::make_unique<EmulatorProcess>(folder.path().toStdString(), std::vector<std::string>{}, n));
      args.insert(args.end(), {"--for", "COM" + std::to_string(n), "--log", files.back()->logPath(), "--save",
                               files.back()->savePath()});
      if (n == 1) args.insert(args.end(), {"--delay-ms", "5"});
      if (n == 2) args.insert(args.end(), {"--corrupt-at", kCommand12});
    }
    clocks = std::make_unique<EmulatorProcess>(folder.path().toStdString(), args);
    ASSERT_TRUE(clocks->start());
  }
  static void activate(QWidget* window) {
    QApplication::setActiveWindow(window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
  }
  static void press(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    QTest::keyClick(QApplication::focusWidget(), key, modifiers);
  }
  // What a screen reader hears of each row, and of the row the keyboard is on.
  static QStringList spokenRows(TEveryClockDialog& dialog) {
    QAccessibleTableInterface* table =
        QAccessible::queryAccessibleInterface(dialog.table())->tableInterface();
    QStringList rows;
    for (int row = 0; row < table->rowCount(); ++row) rows << table->cellAt(row, 0)->text(QAccessible::Name);
    return rows;
  }
  bool idleAndUsable() {
    return form->transfer().idle() && form->findChild<QPushButton*>(QStringLiteral("ReadClock"))->isEnabled();
  }

  ScratchFolder folder{std::vector<int>{1, 2, 3}};
  std::vector<std::unique_ptr<EmulatorProcess>> files;  // never started: each clock's log and saved file
  std::unique_ptr<EmulatorProcess> clocks;
  std::unique_ptr<TForm1> form;
};

TEST_F(EveryClockWindow, SendsToEveryClockByKeyboardAndLeavesTheWindowsPortAsItWas) {
  ASSERT_NO_FATAL_FAILURE(startClocks());
  folder.write("kelvox.ini", "COM1\r\n");
  form = std::make_unique<TForm1>(folder.workingFolder(), folder.portList());
  RecordingBoxes* boxes = recordBoxesOf(*form);
  form->show();
  form->TimeoutTimer();  // the start-up tick: the read of COM1, kelvox.ini's port
  ASSERT_TRUE(waitUntil([&] { return idleAndUsable(); }, 8s));
  ASSERT_TRUE(form->serial().Active());
  const TSerial* serial1 = &form->serial();

  ASSERT_NO_FATAL_FAILURE(activate(form.get()));
  press(Qt::Key_E, Qt::ControlModifier);
  auto* dialog = form->findChild<TEveryClockDialog*>();
  ASSERT_NE(dialog, nullptr);
  ASSERT_NO_FATAL_FAILURE(activate(dialog));
  EXPECT_EQ(dialog->windowTitle(), "An jede Uhr senden");  // the window's language
  EXPECT_EQ(spokenRows(*dialog), QStringList({"COM1: wartet", "COM2: wartet", "COM3: wartet"}));

  // Tab from the rows to Start. Cancel to the relay question starts nothing.
  press(Qt::Key_Tab);
  ASSERT_EQ(QApplication::focusWidget()->objectName(), "EveryClockStart");
  press(Qt::Key_Space);
  ASSERT_EQ(boxes->questions.size(), 1u);
  EXPECT_EQ(boxes->questions[0], "Relais nicht auf Timer!\n");
  EXPECT_FALSE(dialog->running());
  settle(100ms);
  EXPECT_TRUE(files[1]->receivedMessages().empty());

  // Yes: asked once for every clock, the relay is put on the timer, and all three are sent to.
  boxes->answer = RelayAnswer::Yes;
  press(Qt::Key_Space);
  EXPECT_EQ(boxes->questions.size(), 2u);
  EXPECT_EQ(form->findChild<TRadioGroup*>(QStringLiteral("RelayMode"))->ItemIndex(), 3);
  EXPECT_TRUE(dialog->running());
  const auto enabled = [&](const char* name) {
    return dialog->findChild<QPushButton*>(QLatin1String(name))->isEnabled();
  };
  EXPECT_FALSE(enabled("EveryClockStart"));
  EXPECT_TRUE(enabled("EveryClockStop"));
  EXPECT_FALSE(enabled("EveryClockSaveReport"));
  EXPECT_FALSE(form->serial().Active());  // lent to the job on COM1
  ASSERT_TRUE(waitUntil([&] { return !dialog->running(); }, 10s));
  EXPECT_EQ(spokenRows(*dialog), QStringList({"COM1: geprüft", "COM2: weicht ab", "COM3: geprüft"}));
  EXPECT_EQ(files[2]->savedValue("relay"), "3");

  // The arrows walk the rows; the row the keyboard is on is the one heard, with what differs.
  dialog->table()->setFocus();
  press(Qt::Key_Down);
  QAccessibleInterface* focused = QAccessible::queryAccessibleInterface(dialog->table())->focusChild();
  ASSERT_NE(focused, nullptr);
  EXPECT_EQ(focused->text(QAccessible::Name), "COM2: weicht ab");
  EXPECT_FALSE(focused->text(QAccessible::Description).isEmpty());

  // The report, by the name's extension; another name is refused with a box.
  EXPECT_TRUE(dialog->saveReport(folder.file(QStringLiteral("report.json"))));
  std::map<QString, QString> results;
  const QJsonObject report = QJsonDocument::fromJson(folder.read("report.json")).object();
  for (const QJsonValue& row : report["results"].toArray())
    results[row.toObject()["port"].toString()] = row.toObject()["result"].toString();
  EXPECT_EQ(results,
            (std::map<QString, QString>{{"COM1", "verified"}, {"COM2", "differs"}, {"COM3", "verified"}}));
  EXPECT_EQ(report["configuration"].toObject()["sha256"].toString().size(), 64);
  EXPECT_FALSE(dialog->saveReport(QStringLiteral("report.txt")));
  ASSERT_EQ(boxes->plain.size(), 1u);
  EXPECT_EQ(boxes->plain[0],
            "Der Bericht kann nicht gespeichert werden:\nreport.txt: the name must end in .csv or .json");

  // Stop ends every transfer, each row saying so. Start is usable again once the line is quiet:
  // what COM1's clock still answers to the stopped look is no answer to the next one.
  auto* start = dialog->findChild<QPushButton*>(QStringLiteral("EveryClockStart"));
  const auto startOnceQuiet = [&] {
    ASSERT_TRUE(waitUntil([&] { return start->isEnabled(); }, 1s));
    start->setFocus();
    press(Qt::Key_Space);
  };
  ASSERT_NO_FATAL_FAILURE(startOnceQuiet());
  dialog->findChild<QPushButton*>(QStringLiteral("EveryClockStop"))->setFocus();
  press(Qt::Key_Space);
  ASSERT_TRUE(waitUntil([&] { return !dialog->running(); }, 2s));
  for (const QString& row : spokenRows(*dialog))
    EXPECT_TRUE(row.contains(": fehlgeschlagen (") && row.contains("interrupted")) << row.toStdString();
  ASSERT_NO_FATAL_FAILURE(startOnceQuiet());
  ASSERT_TRUE(waitUntil([&] { return !dialog->running(); }, 10s));
  EXPECT_EQ(spokenRows(*dialog), QStringList({"COM1: geprüft", "COM2: geprüft", "COM3: geprüft"}));

  // Closing while the clocks are sent to stops them first, and closes once the last has ended:
  // none of them got further than the look for it. What COM1's clock still answers to that look
  // is no reply to the window, which shows another UTC offset than the clock holds.
  auto* utc = form->findChild<QSpinBox*>(QStringLiteral("SpinEditUTC"));
  utc->setValue(2);
  const std::size_t heardBefore = files[2]->receivedMessages().size();
  const QPointer<TEveryClockDialog> open(dialog);
  ASSERT_NO_FATAL_FAILURE(startOnceQuiet());
  press(Qt::Key_Escape);
  EXPECT_TRUE(open && open->isVisible());
  ASSERT_TRUE(waitUntil([&] { return open.isNull() && idleAndUsable(); }, 2s));
  settle(50ms);  // COM1's late answers have come
  EXPECT_EQ(utc->value(), 2);
  EXPECT_LT(files[2]->receivedMessages().size(), heardBefore + 8);

  // The window's port is its own again, as it was, and reads the clock.
  EXPECT_EQ(&form->serial(), serial1);
  EXPECT_TRUE(form->serial().Active());
  EXPECT_EQ(form->selectedPort(), 1);
  EXPECT_EQ(folder.read("kelvox.ini"), "COM1\r\n");
  const std::size_t readBefore = files[0]->receivedMessages().size();
  form->ReadClockClick();
  ASSERT_TRUE(waitUntil([&] { return idleAndUsable(); }, 8s));
  EXPECT_EQ(files[0]->receivedMessages().size(), readBefore + 8);
  EXPECT_EQ(boxes->plain.size(), 1u);  // no no-answer box
}

// Help > "Connection check…": every port with why it did or did not serve, in the window's
// language. The window's own port is lent to the check and taken back; what the window shows
// stays as it was.
TEST(ConnectionCheckWindow, ListsEveryPortWithItsCauseInTheWindowsLanguage) {
  ScratchFolder folder{std::vector<int>{1, 2}};
  EmulatorProcess clock(folder.path().toStdString());
  ASSERT_TRUE(clock.start());
  GpsStandIn silent(folder.path().toStdString(), 2);
  silent.stopTalking();
  ASSERT_TRUE(silent.ready());
  QFile::remove(folder.file("COM3"));
  folder.write("COM3", "");  // a regular file under a port's name
  folder.write("kelvox.ini", "COM1\r\n");
  TForm1 form(folder.workingFolder(), folder.portList());
  form.setSystemFacts(std::make_unique<NoSystemFacts>());
  RecordingBoxes* boxes = recordBoxesOf(form);
  form.TimeoutTimer();  // the start-up read of COM1
  const auto idle = [&] { return form.transfer().idle() && form.findChild<QPushButton*>(QStringLiteral("ReadClock"))->isEnabled(); };
  ASSERT_TRUE(waitUntil(idle, 8s));
  ASSERT_TRUE(form.serial().Active());
  auto* language = form.findChild<TRadioGroup*>(QStringLiteral("Language"));
  language->setItemIndex(1);  // German
  auto* utc = form.findChild<QSpinBox*>(QStringLiteral("SpinEditUTC"));
  utc->setValue(utc->value() == 7 ? 8 : 7);  // an edit the check must not overwrite
  const int edited = utc->value();

  auto* check = form.findChild<QAction*>(QStringLiteral("ConnectionCheck1"));
  ASSERT_NE(check, nullptr);
  EXPECT_EQ(check->text(), QString::fromUtf8("&Verbindungsprüfung…"));
  check->trigger();
  EXPECT_FALSE(form.serial().Active());  // lent to the check
  ASSERT_TRUE(waitUntil([&] { return !boxes->plain.empty(); }, 8s));
  EXPECT_EQ(boxes->plain[0], displayLines(QString::fromUtf8("Verbindungsprüfung, je Port:\r\n"
                                                            "COM1: die Uhr antwortet\r\n"
                                                            "COM2: geöffnet; hier antwortete keine Uhr\r\n"
                                                            "COM3: not a serial port: a regular file; wählen Sie "
                                                            "den Port der Uhr")));
  ASSERT_TRUE(waitUntil([&] { return form.serial().Active() && idle(); }, 2s));
  EXPECT_EQ(utc->value(), edited);
  EXPECT_EQ(language->ItemIndex(), 1);
  EXPECT_EQ(silent.heard(), "$\r");  // the check asked no setting of a port where no clock answered
}

}  // namespace
