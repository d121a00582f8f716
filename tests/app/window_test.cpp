// The main window without a clock: controls as created, the start-up tick and the time-out,
// the interface languages, the help boxes and the holding of messages while a box is open.
#include <gtest/gtest.h>

#include <QAction>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>

#include "KVX_Setup.h"
#include "port_list.h"
#include "Serial4.h"
#include "TimerPage.h"
#include "radio_group.h"
#include "window_support.h"

namespace {

class WindowTest : public ::testing::Test {
 protected:
  WindowTest() { boxes = recordBoxesOf(form); }

  template <class T>
  T* child(const char* name) {
    T* found = form.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
  }
  TRadioGroup* language() { return child<TRadioGroup>("Language"); }
  TRadioGroup* relayMode() { return child<TRadioGroup>("RelayMode"); }
  QRadioButton* com(int port) {
    return child<QRadioButton>(QStringLiteral("COM%1").arg(port).toLatin1().constData());
  }
  // The start-up tick, run at once instead of after two seconds.
  void firstTick() {
    ASSERT_EQ(form.timeoutTimer().interval(), 2000);
    form.TimeoutTimer();
  }

  ScratchFolder folder;  // no port anywhere: every COM link leads nowhere
  TForm1 form{folder.workingFolder(), folder.portList()};
  RecordingBoxes* boxes = nullptr;
};

TEST_F(WindowTest, CreatedWithTheDesignStateAndNothingRunning) {
  EXPECT_EQ(form.windowTitle(), "KELVOX Setup");
  EXPECT_EQ(form.centralWidget()->size(), QSize(427, 377));
  EXPECT_EQ(form.centralWidget()->palette().color(QPalette::Window), QColor(192, 192, 192));

  EXPECT_FALSE(child<QTabWidget>("Settings")->isEnabled());
  EXPECT_EQ(child<QTabWidget>("Settings")->geometry(), QRect(8, 16, 409, 281));
  EXPECT_FALSE(child<QPushButton>("ReadClock")->isEnabled());
  EXPECT_FALSE(child<QPushButton>("SendToClock")->isEnabled());
  EXPECT_EQ(child<QPushButton>("SendToClock")->text(), "Send to clock");
  EXPECT_EQ(child<QPushButton>("SendToClock")->geometry(), QRect(112, 304, 305, 33));
  for (int port = 1; port <= 9; ++port) {
    EXPECT_FALSE(com(port)->isEnabledTo(&form)) << port;
    EXPECT_FALSE(com(port)->isChecked()) << port;
  }
  EXPECT_EQ(com(5)->geometry(), QRect(272, 96, 49, 17));
  EXPECT_EQ(com(1)->font().pixelSize(), 11);
  EXPECT_EQ(child<QLabel>("clockfound")->text(), "-------");
  EXPECT_EQ(child<QLabel>("clockfound")->parentWidget()->objectName(), "SerialPorts");

  EXPECT_EQ(language()->ItemIndex(), 2);
  EXPECT_EQ(language()->items().join(','), "Nederlands,Deutsch,English,Francais,Polski");
  EXPECT_EQ(relayMode()->ItemIndex(), 0);
  EXPECT_EQ(relayMode()->items().join(','), "0 OFF,1 ON,2 Time not valid,3 Timer");
  auto* utc = child<QSpinBox>("SpinEditUTC");
  EXPECT_EQ(utc->value(), 1);
  EXPECT_EQ(utc->minimum(), -12);
  EXPECT_EQ(utc->maximum(), 12);
  auto* progress = child<QProgressBar>("ProgressBar1");
  EXPECT_EQ(progress->maximum(), 60);
  EXPECT_EQ(progress->value(), 0);

  // The start-up tick is still to come; no port is open and the week is not filled yet.
  EXPECT_TRUE(form.timeoutTimer().isActive());
  EXPECT_EQ(form.timeoutTimer().interval(), 2000);
  EXPECT_FALSE(form.serial().Active());
  EXPECT_TRUE(form.transfer().idle());
  EXPECT_TRUE(form.weekTable().at(0, 0).text().empty());

  TSerial& serial = form.serial();
  EXPECT_EQ(serial.Baudrate(), 19200);
  EXPECT_EQ(serial.DataBits(), d8bit);
  EXPECT_EQ(serial.RxEventMode(), rxMessage);
  EXPECT_EQ(serial.MessageStartChar(), '$');
  EXPECT_EQ(serial.MessageEndChar(), '\r');
  EXPECT_EQ(serial.NotifyErrors(), neNone);
  EXPECT_FALSE(serial.WaitOnTxFull());
}

TEST_F(WindowTest, MenusFocusOrderAndFixedSize) {
  // File, Port, Help; the Port menu waits for the start-up tick.
  const QList<QAction*> menus = child<QMenuBar>("MainMenu2")->actions();
  ASSERT_EQ(menus.size(), 3);
  EXPECT_EQ(menus[1]->menu(), child<QMenu>("PortMenu"));
  EXPECT_FALSE(child<QMenu>("PortMenu")->isEnabled());
  EXPECT_EQ(child<QAction>("FindTheClock1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_L));
  auto* quit = child<QAction>("Quit1");
  EXPECT_EQ(quit->text(), "E&xit");
  EXPECT_EQ(quit->shortcut(), QKeySequence(Qt::ALT | Qt::Key_X));
  EXPECT_EQ(child<QMenu>("Howtousethisprogram1")->actions().size(), 2);
  EXPECT_EQ(child<QAction>("AboutKELVOXSetup1")->text(), "About KELVOX Setup");

  // Tab order on the page: Language, RelayMode, the three spin editors, COM1 .. COM9.
  std::vector<QWidget*> targets{language(), relayMode(), child<QSpinBox>("SpinEditUTC"),
                                child<QSpinBox>("SpinEditDLS"), child<QSpinBox>("SpinEditValid")};
  for (int port = 1; port <= 9; ++port) targets.push_back(com(port));
  std::vector<QWidget*> reached;
  QWidget* w = language();
  for (int step = 0; step < 200 && reached.size() < targets.size(); ++step, w = w->nextInFocusChain())
    for (QWidget* target : targets)
      if ((target == w || target->isAncestorOf(w)) &&
          std::find(reached.begin(), reached.end(), target) == reached.end())
        reached.push_back(target);
  EXPECT_EQ(reached, targets);

  form.show();
  ASSERT_TRUE(waitUntil([&] { return form.isVisible(); }));
  EXPECT_EQ(form.minimumSize(), form.maximumSize());
  EXPECT_EQ(form.centralWidget()->size(), QSize(427, 377));
}

TEST_F(WindowTest, SpinEditorsClampAndAreOnlyStepped) {
  firstTick();
  form.TimeoutTimer();  // no clock: the page becomes usable
  auto* utc = child<QSpinBox>("SpinEditUTC");
  auto* valid = child<QSpinBox>("SpinEditValid");
  utc->setValue(15);
  EXPECT_EQ(utc->value(), 12);
  valid->setValue(0);
  EXPECT_EQ(valid->value(), 1);

  utc->setValue(3);
  QKeyEvent typed(QEvent::KeyPress, Qt::Key_7, Qt::NoModifier, QStringLiteral("7"));
  QCoreApplication::sendEvent(utc, &typed);
  EXPECT_EQ(utc->value(), 3);
  QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
  QCoreApplication::sendEvent(utc, &up);
  EXPECT_EQ(utc->value(), 4);
}

TEST_F(WindowTest, FirstTickResetsAndAsksThenTimeOutFreesTheWindow) {
  form.setPortList(std::make_unique<TFixedPortList>());  // a machine with no serial port at all
  firstTick();
  // No clock: the read stays open with the reply time-out running.
  EXPECT_TRUE(form.transfer().reading());
  EXPECT_EQ(form.transfer().day(), -1);
  EXPECT_TRUE(form.timeoutTimer().isActive());
  EXPECT_EQ(form.timeoutTimer().interval(), 3000);
  EXPECT_EQ(form.weekTable().at(0, 0).text(), "$21=0,DEL");
  EXPECT_EQ(form.weekTable().at(6, 7).text(), "$27=7,DEL");
  EXPECT_FALSE(form.TimerEdited());
  EXPECT_EQ(form.selectedPort(), 0);
  EXPECT_FALSE(folder.exists("kelvox.ini"));  // nothing selected, nothing saved
  // The English caption set replaces the design texts.
  EXPECT_EQ(child<QPushButton>("SendToClock")->text(), "Send Settings to Clock");
  EXPECT_EQ(relayMode()->items().join(','), "Off,On,Time not valid,Timer");
  EXPECT_EQ(relayMode()->ItemIndex(), 0);
  EXPECT_FALSE(child<QTabWidget>("Settings")->isEnabled());

  form.TimeoutTimer();  // the reply time-out
  ASSERT_EQ(boxes->plain.size(), 1u);
  // The designed line, then what to look at when the machine has no serial port at all.
  EXPECT_EQ(boxes->plain[0].section(u'\n', 0, 0), "No answer from clock, check connections!");
  EXPECT_TRUE(boxes->plain[0].section(u'\n', 1).startsWith("No serial port was found.")) << boxes->plain[0].toStdString();
  EXPECT_TRUE(form.transfer().idle());
  EXPECT_FALSE(form.timeoutTimer().isActive());
  EXPECT_EQ(child<QLabel>("clockfound")->text(), "----");
  EXPECT_TRUE(child<QTabWidget>("Settings")->isEnabled());
  EXPECT_TRUE(child<QPushButton>("ReadClock")->isEnabled());
  EXPECT_TRUE(child<QPushButton>("SendToClock")->isEnabled());
}

// The bar follows the transfer once each handler is done: 61 messages, a maximum of 60.
TEST_F(WindowTest, ProgressBarFollowsASendAndReturnsToZero) {
  firstTick();
  form.TimeoutTimer();  // no clock: idle
  child<QAction>("VerifyAfterSending1")->setChecked(false);  // the designed conversation alone
  auto* bar = child<QProgressBar>("ProgressBar1");
  form.SendToClockClick();
  settle();
  EXPECT_EQ(bar->value(), 1);
  for (int ack = 1; ack <= 59; ++ack) form.Serial1Message(nullptr, "$ok\r");
  settle();
  EXPECT_EQ(bar->value(), 60);
  EXPECT_TRUE(form.transfer().sending());  // Sunday's last entry is still to go
  EXPECT_EQ(form.transfer().day(), 6);
  form.Serial1Message(nullptr, "$ok\r");  // its step would pass the maximum; the send ends
  settle();
  EXPECT_TRUE(form.transfer().idle());
  EXPECT_EQ(bar->value(), 0);
}

// "Compare with clock" (and the read-back after a send) names a setting the clock answered outside
// its range by the value it sent, not by the clamped one a control would show.
TEST_F(WindowTest, CompareNamesASettingOutOfRangeByTheValueTheClockSent) {
  form.setPortList(std::make_unique<TFixedPortList>());
  firstTick();
  form.TimeoutTimer();  // no clock: idle, English, relay Off, UTC +1, DLS 0, timeout 1, all deleted
  boxes->plain.clear();
  const struct {
    const char* language;
    const char* relay;
    const char* box;
  } rows[] = {
      {"2", "0", "The clock holds what the window shows."},
      {"9", "0", "The clock differs from the window:\nLanguage: window English, clock 9"},
      {"2", "7", "The clock differs from the window:\nMains relay mode: window Off, clock 7"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.language + std::string(" ") + row.relay);
    boxes->plain.clear();
    form.CompareWithClock1Click();
    for (const std::string& reply : {std::string("$S1=") + row.language, std::string("$S2=1"), std::string("$S3=0"),
                                    std::string("$S4=1"), std::string("$S5=") + row.relay})
      form.Serial1Message(nullptr, reply + "\r");
    for (int entry = 0; entry < 56; ++entry) form.Serial1Message(nullptr, "=DEL\r");
    ASSERT_TRUE(waitUntil([&] { return !boxes->plain.empty(); }, std::chrono::seconds(2)));
    EXPECT_EQ(boxes->plain[0], QString::fromUtf8(row.box));
    EXPECT_EQ(language()->ItemIndex(), 2);
  }
}

TEST_F(WindowTest, LanguageSwitchPutsTheCaptionSetOnTheWindow) {
  firstTick();
  int relayClicks = 0;
  QObject::connect(relayMode(), &TRadioGroup::clicked, [&] { ++relayClicks; });
  relayMode()->setItemIndex(3);
  ASSERT_EQ(relayClicks, 1);
  form.timerPage().weekdaysTab()->setCurrentIndex(3);  // Thursday shown

  language()->setItemIndex(4);  // "Polski": a mixed set
  EXPECT_EQ(language()->title(), "Langue");
  EXPECT_EQ(relayMode()->title(), "Mains Relais mode");
  EXPECT_EQ(child<QLabel>("Label10")->text(), "UTC difference");
  EXPECT_EQ(child<QGroupBox>("SerialPorts")->title(), QString::fromUtf8("Seriële poort"));
  EXPECT_EQ(child<QLabel>("Label6")->text(), " heur");
  EXPECT_EQ(child<QPushButton>("ReadClock")->text(), "Read clock");
  // The relay mode is kept, and selecting it again ran its click handling once.
  EXPECT_EQ(relayMode()->ItemIndex(), 3);
  EXPECT_EQ(relayMode()->items().at(3), "Timer");
  EXPECT_EQ(relayClicks, 2);

  language()->setItemIndex(0);  // Dutch
  EXPECT_EQ(child<QTabWidget>("Settings")->tabText(0), "Instellingen");
  EXPECT_EQ(child<QMenu>("MainMenu")->title(), "Bestand");
  EXPECT_EQ(child<QAction>("Quit1")->text(), "Afsluiten");
  EXPECT_EQ(relayMode()->items().at(3), "Tijdklok");
  QTabBar* tabs = form.timerPage().weekdaysTab();
  EXPECT_EQ(tabs->count(), 7);
  EXPECT_EQ(tabs->currentIndex(), 3);
  EXPECT_EQ(tabs->tabText(tabs->currentIndex()), "Donderdag");
  EXPECT_EQ(form.timerPage().shownDay(), 3);

  language()->setItemIndex(3);  // "Francais" takes the English captions
  EXPECT_EQ(language()->title(), "Language");
  EXPECT_EQ(child<QPushButton>("SendToClock")->text(), "Send Settings to Clock");
  EXPECT_EQ(tabs->tabText(0), "Monday");

  // No language selected: nothing changes.
  language()->setItemIndex(-5);
  EXPECT_EQ(language()->ItemIndex(), -1);
  form.LanguageClick();
  EXPECT_EQ(language()->title(), "Language");
  EXPECT_EQ(relayMode()->ItemIndex(), 3);
}

TEST_F(WindowTest, SettingsRepliesWhileIdleChangeControlsAndLanguage) {
  firstTick();
  form.TimeoutTimer();  // no clock: idle
  form.Serial1Message(nullptr, "$S1=0\r");
  EXPECT_EQ(language()->ItemIndex(), 0);
  EXPECT_EQ(child<QPushButton>("ReadClock")->text(), "Lees klok");
  form.Serial1Message(nullptr, "$S1=7\r");  // beyond the last item: the last
  EXPECT_EQ(language()->ItemIndex(), 4);
  form.Serial1Message(nullptr, "$S2=-05\r");
  EXPECT_EQ(child<QSpinBox>("SpinEditUTC")->value(), -5);
  form.Serial1Message(nullptr, "$S5=9\r");
  EXPECT_EQ(relayMode()->ItemIndex(), 3);
  EXPECT_TRUE(child<QPushButton>("SendToClock")->isEnabled());
}

TEST_F(WindowTest, HelpBoxesFollowTheLanguageAndShowLineBreaks) {
  // Usable before the start-up tick.
  form.Howtousethisprogram1Click();
  form.AboutKELVOXSetup1Click();
  ASSERT_EQ(boxes->plain.size(), 2u);
  EXPECT_FALSE(boxes->plain[0].contains('\r'));
  EXPECT_TRUE(boxes->plain[0].contains('\n'));

  language()->setItemIndex(3);  // French help, English about
  form.Howtousethisprogram2Click();
  form.AboutKELVOXSetup1Click();
  ASSERT_EQ(boxes->plain.size(), 4u);
  EXPECT_EQ(boxes->plain[2], displayLines(helpText(HelpTopic::Timer, 3)));
  EXPECT_EQ(boxes->plain[3], boxes->plain[1]);

  language()->setItemIndex(-2);  // nothing selected: nothing shown
  form.Howtousethisprogram1Click();
  EXPECT_EQ(boxes->plain.size(), 4u);
}

// A late reply of a read that has timed out, arriving while the no-answer box is open, changes
// nothing: neither the entry replies framed with "=" nor a settings reply.
TEST_F(WindowTest, RepliesArrivingDuringTheNoAnswerBoxChangeNothing) {
  firstTick();
  form.Serial1Message(nullptr, "$S5=0\r");  // the week read begins
  for (int entry = 0; entry < 8; ++entry) form.Serial1Message(nullptr, "=x06:30:00 ON\r");
  ASSERT_TRUE(form.transfer().reading());
  ASSERT_EQ(form.transfer().day(), 1);  // Tuesday
  const WeekTable before = form.weekTable();
  auto* utc = child<QSpinBox>("SpinEditUTC");
  int dayWhileOpen = -2;
  boxes->whileOpen = [&] {
    dayWhileOpen = form.transfer().reading() ? form.transfer().day() : -2;
    form.Serial1Message(nullptr, "=S12:30:00 ON\r");
    form.Serial1Message(nullptr, "=S21:00:00 OFF\r");
    form.Serial1Message(nullptr, "$S1=0\r");
    settle();
  };
  form.TimeoutTimer();  // the clock fell silent: no answer
  settle();
  EXPECT_EQ(dayWhileOpen, 1);  // still Tuesday of the read
  EXPECT_EQ(language()->ItemIndex(), 2);
  EXPECT_EQ(utc->value(), 1);
  EXPECT_EQ(form.weekTable(), before);
  EXPECT_TRUE(form.transfer().idle());
  EXPECT_TRUE(child<QPushButton>("ReadClock")->isEnabled());

  // Once the box is closed, a settings reply nobody asked for is taken as before.
  form.Serial1Message(nullptr, "$S1=1\r");
  EXPECT_EQ(language()->ItemIndex(), 1);
  EXPECT_EQ(child<QPushButton>("ReadClock")->text(), "Laden von Uhr");
}

TEST_F(WindowTest, HelpBoxHoldsNothingBack) {
  firstTick();
  form.TimeoutTimer();
  boxes->plain.clear();
  int seen = -1;
  boxes->whileOpen = [&] {
    form.Serial1Message(nullptr, "$S1=0\r");
    seen = language()->ItemIndex();
  };
  form.AboutKELVOXSetup1Click();
  EXPECT_EQ(seen, 0);
}

TEST_F(WindowTest, ExitClosesTheWindow) {
  form.show();
  ASSERT_TRUE(waitUntil([&] { return form.isVisible(); }));
  child<QAction>("Quit1")->trigger();
  EXPECT_FALSE(form.isVisible());
}

}  // namespace
