// The window as every owner meets it: each caption fits its control with the font this machine
// resolved, the keyboard reaches and operates every control in the designed order, and assistive
// technology hears what a sighted user reads.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QStyle>
#include <QStyleOption>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <vector>

#include "KVX_Setup.h"
#include "port_list.h"
#include "TimerPage.h"
#include "week_overview.h"
#include "radio_group.h"
#include "window_support.h"

namespace {

class WindowAccessTest : public ::testing::Test {
 protected:
  WindowAccessTest() { boxes = recordBoxesOf(form); }

  template <class T>
  T* child(const QString& name) {
    T* found = form.findChild<T*>(name);
    EXPECT_NE(found, nullptr) << name.toStdString();
    return found;
  }
  TRadioGroup* language() { return child<TRadioGroup>(QStringLiteral("Language")); }
  // Start-up tick and reply time-out without a clock or a port (the tests enable the COM buttons
  // they walk): the window is usable and in English.
  void startUp() {
    form.setPortList(std::make_unique<TFixedPortList>());
    form.TimeoutTimer();
    form.TimeoutTimer();
  }
  void showActive() {
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  }
  // The named control that holds the keyboard focus ("Language2", "SpinEditUTC", "Settings").
  static QString focusName() {
    for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget())
      if (!w->objectName().isEmpty() && !w->objectName().startsWith(QLatin1String("qt_")))
        return w->objectName();
    return {};
  }
  QStringList tabWalk() {
    child<QTabWidget>(QStringLiteral("Settings"))->tabBar()->setFocus(Qt::TabFocusReason);
    QStringList walked{focusName()};
    for (int i = 0; i < 20; ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      if (focusName() == walked.front()) break;
      walked << focusName();
    }
    return walked;
  }
  static QAccessibleInterface* accessible(QObject* object) {
    return QAccessible::queryAccessibleInterface(object);
  }

  ScratchFolder folder;
  TForm1 form{folder.workingFolder(), folder.portList()};
  RecordingBoxes* boxes = nullptr;
};

// --- captions that fit ------------------------------------------------------------------------

// Room the style draws a caption in, against the text's width at the control's font.
struct Misfit {
  QString control, text;
  int needed, room;
};

int widthOf(const QWidget* w, const QString& text) {
  QString shown = text;
  while (shown.endsWith(u' ')) shown.chop(1);  // blanks after the text show nothing
  return w->fontMetrics().size(Qt::TextShowMnemonic, shown).width();
}

void checkFits(QWidget* root, std::vector<Misfit>& misfits) {
  const auto check = [&](const QWidget* w, const QString& text, int room, int height = 0,
                         int roomHeight = 0) {
    if (text.trimmed().isEmpty()) return;
    const int needed = widthOf(w, text);
    if (needed > room || height > roomHeight) misfits.push_back({w->objectName(), text, needed, room});
  };
  for (QWidget* w : root->findChildren<QWidget*>()) {
    if (!w->isVisibleTo(root)) continue;
    QStyle* style = w->style();
    if (auto* label = qobject_cast<QLabel*>(w)) {
      const int m = label->margin();
      const QRect room = label->contentsRect().adjusted(m, m, -m, -m);
      check(label, label->text(), room.width(), label->fontMetrics().height(), room.height());
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
      QStyleOptionButton option;
      option.initFrom(button);
      option.text = button->text();
      const bool radio = qobject_cast<QRadioButton*>(button);
      const QRect room = style->subElementRect(
          radio ? QStyle::SE_RadioButtonContents : QStyle::SE_PushButtonContents, &option, button);
      check(button, button->text(), room.width());
    } else if (auto* box = qobject_cast<QGroupBox*>(w)) {
      QStyleOptionGroupBox option;
      option.initFrom(box);
      option.text = box->title();
      option.textAlignment = box->alignment();
      option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
      option.lineWidth = 1;
      const QRect label = style->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
      check(box, box->title(), box->width() - label.left());
    } else if (auto* bar = qobject_cast<QTabBar*>(w)) {
      for (int i = 0; i < bar->count(); ++i) {
        QStyleOptionTab option;
        option.initFrom(bar);
        option.shape = bar->shape();
        option.rect = bar->tabRect(i);
        option.text = bar->tabText(i);
        check(bar, option.text, style->subElementRect(QStyle::SE_TabBarTabText, &option, bar).width());
      }
    }
  }
}

TEST_F(WindowAccessTest, EveryCaptionOfEveryLanguageFitsItsControl) {
  const std::string resolved =
      QFontInfo(child<QPushButton>(QStringLiteral("SendToClock"))->font()).family().toStdString();
  auto* pages = child<QTabWidget>(QStringLiteral("Settings"));
  form.show();
  // -1: the design texts; then the five items of Language.
  for (int set = -1; set < 5; ++set) {
    SCOPED_TRACE(testing::Message() << "caption set " << set << ", font " << resolved);
    if (set == 0) form.TimeoutTimer();  // the start-up tick puts the English set on
    if (set >= 0) language()->setItemIndex(set);
    std::vector<Misfit> misfits;
    for (int page : {0, 1}) {
      pages->setCurrentIndex(page);
      checkFits(form.centralWidget(), misfits);
    }
    for (const Misfit& m : misfits)
      ADD_FAILURE() << m.control.toStdString() << " \"" << m.text.toStdString() << "\" needs " << m.needed
                    << " px, has " << m.room;
  }
}

// --- keyboard ---------------------------------------------------------------------------------

TEST_F(WindowAccessTest, TabWalksTheDesignedOrderWithOneStopPerRadioGroup) {
  startUp();
  // Ports found by the probe; none is selected yet, so the first of them is the stop.
  child<QRadioButton>(QStringLiteral("COM2"))->setEnabled(true);
  child<QRadioButton>(QStringLiteral("COM3"))->setEnabled(true);
  showActive();
  const QStringList english{"Settings",      "Language2", "RelayMode0",  "SpinEditUTC", "SpinEditDLS",
                            "SpinEditValid", "COM2",      "SendToClock", "ReadClock"};
  EXPECT_EQ(tabWalk(), english);

  // A language change rebuilds the relay items; a port choice moves the stop to that port.
  language()->setItemIndex(0);
  child<QRadioButton>(QStringLiteral("COM3"))->click();
  form.TimeoutTimer();  // no clock answers: the buttons are usable again
  QStringList dutch = english;
  dutch.replace(1, "Language0");
  dutch.replace(6, "COM3");
  EXPECT_EQ(tabWalk(), dutch);
}

TEST_F(WindowAccessTest, ArrowKeysChooseTheNextItemAndRunItsClickOnce) {
  startUp();
  for (int port : {2, 3}) child<QRadioButton>(QStringLiteral("COM%1").arg(port))->setEnabled(true);
  child<QRadioButton>(QStringLiteral("COM2"))->click();
  form.TimeoutTimer();
  showActive();
  int languageClicks = 0;
  QObject::connect(language(), &TRadioGroup::clicked, [&] { ++languageClicks; });
  struct Case {
    const char* from;
    Qt::Key key;
    const char* to;
  };
  const Case cases[] = {
      {"Language2", Qt::Key_Up, "Language1"},
      {"Language0", Qt::Key_Up, "Language4"},
      {"Language4", Qt::Key_Right, "Language0"},
      {"RelayMode0", Qt::Key_Down, "RelayMode1"},
      {"COM2", Qt::Key_Down, "COM3"},
      {"COM3", Qt::Key_Down, "COM2"},  // past the ports found
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.from << " -> " << c.to);
    auto* from = child<QRadioButton>(QLatin1String(c.from));
    from->setFocus(Qt::OtherFocusReason);
    from->click();  // selected before the key, whatever the case before left
    form.TimeoutTimer();
    languageClicks = 0;
    QTest::keyClick(from, c.key);
    EXPECT_EQ(focusName(), c.to);
    EXPECT_TRUE(child<QRadioButton>(QLatin1String(c.to))->isChecked());
    EXPECT_FALSE(from->isChecked());
    if (QLatin1String(c.from).startsWith(QLatin1String("Language"))) {
      EXPECT_EQ(languageClicks, 1);
    }
  }
  EXPECT_EQ(form.selectedPort(), 2);  // the last case's port was applied
  // The one click is the language switch: Up from English puts the German captions on.
  language()->setItemIndex(2);
  QTest::keyClick(child<QRadioButton>(QStringLiteral("Language2")), Qt::Key_Up);
  EXPECT_EQ(child<QPushButton>(QStringLiteral("ReadClock"))->text(), "Laden von Uhr");
}

TEST_F(WindowAccessTest, FocusStaysOnTheRelayItemThroughALanguageChange) {
  startUp();
  showActive();
  child<QRadioButton>(QStringLiteral("RelayMode2"))->setFocus(Qt::TabFocusReason);
  language()->setItemIndex(1);
  EXPECT_EQ(focusName(), "RelayMode2");
  EXPECT_EQ(child<QRadioButton>(QStringLiteral("RelayMode2"))->text(), "Zeit nicht korrekt ");
}

TEST_F(WindowAccessTest, CtrlClickLeavesTheSelectedSwitchTimeSelected) {
  startUp();
  showActive();
  child<QTabWidget>(QStringLiteral("Settings"))->setCurrentIndex(1);
  QListWidget* list = form.timerPage().timeList();
  const QPoint row = list->visualItemRect(list->item(2)).center();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, row);
  EXPECT_EQ(form.timerPage().selectedRow(), 2);
}

// --- assistive technology ---------------------------------------------------------------------

TEST_F(WindowAccessTest, RadioItemsButtonsAndGroupsAreNamedByTheirCaptions) {
  startUp();
  for (const char* name : {"Language0", "Language4", "RelayMode3", "COM1", "COM9"}) {
    auto* button = child<QRadioButton>(QLatin1String(name));
    QAccessibleInterface* item = accessible(button);
    EXPECT_EQ(item->role(), QAccessible::RadioButton) << name;
    EXPECT_EQ(item->text(QAccessible::Name), button->text()) << name;
    EXPECT_EQ(item->state().checked, button->isChecked()) << name;
  }
  EXPECT_TRUE(accessible(child<QRadioButton>(QStringLiteral("Language2")))->state().checked);
  EXPECT_EQ(accessible(child<QPushButton>(QStringLiteral("SendToClock")))->text(QAccessible::Name),
            "Send Settings to Clock");
  EXPECT_EQ(accessible(language())->text(QAccessible::Name), "Language");
}

TEST_F(WindowAccessTest, SettingsSpinnersAreNamedAfterTheirLabelInTheCurrentLanguage) {
  startUp();
  const struct {
    int language;
    const char* utc;
    const char* dls;
    const char* valid;
  } cases[] = {
      {0, "UTC verschil", "Automatische zomer-/wintertijd (1=Aan 0=Uit)", "Tijd fout timeout"},
      {2, "Universal Time Offset (Depends on Location)", "Automatic daylight saving (0=Off , 1=On)",
       "Time not valid timeout"},
  };
  for (const auto& c : cases) {
    language()->setItemIndex(c.language);
    EXPECT_EQ(accessible(child<QSpinBox>(QStringLiteral("SpinEditUTC")))->text(QAccessible::Name), c.utc);
    EXPECT_EQ(accessible(child<QSpinBox>(QStringLiteral("SpinEditDLS")))->text(QAccessible::Name), c.dls);
    EXPECT_EQ(accessible(child<QSpinBox>(QStringLiteral("SpinEditValid")))->text(QAccessible::Name), c.valid);
  }
}

// After a read of the clock: the end-to-end tests.
TEST_F(WindowAccessTest, TimeLabelsTellTheirRowAndTimeAfterADayLoadAndAnEdit) {
  startUp();  // shows the empty Monday
  TimerPage& page = form.timerPage();
  const auto nameOf = [&](int entry) { return accessible(page.timeLabel(entry))->text(QAccessible::Name); };
  EXPECT_EQ(nameOf(1), "Time 2, not set");
  page.timeList()->item(0)->setCheckState(Qt::Checked);  // a new switch time, at midnight
  EXPECT_EQ(nameOf(0), "Time 1, 00:00:00");
  page.secondSpin()->stepUp();
  EXPECT_EQ(nameOf(0), "Time 1, 00:00:01");
  // The editor's labels say what they show.
  EXPECT_EQ(accessible(page.secondLabel())->text(QAccessible::Name), "01");
  EXPECT_EQ(accessible(page.hourLabel())->text(QAccessible::Name), "00 :");
}

// The week overview in Dutch: Tab goes through the seven rows and then the text, and each says its day.
TEST_F(WindowAccessTest, WeekOverviewIsWalkedDayByDayInTheWindowsLanguage) {
  startUp();
  language()->setItemIndex(0);
  TimerPage& page = form.timerPage();
  EXPECT_EQ(accessible(page.overviewButton())->text(QAccessible::Name), "Weekoverzicht…");
  page.openOverview();
  WeekOverview* overview = page.overview();
  QApplication::setActiveWindow(overview);
  ASSERT_TRUE(QTest::qWaitForWindowActive(overview));
  overview->row(0)->setFocus(Qt::TabFocusReason);
  QStringList walked, spoken;
  for (int i = 0; i < 8; ++i) {
    QWidget* focus = QApplication::focusWidget();
    walked << focusName();
    spoken << accessible(focus)->text(QAccessible::Name);
    QTest::keyClick(focus, Qt::Key_Tab);
  }
  EXPECT_EQ(walked, QStringList({"WeekRow1", "WeekRow2", "WeekRow3", "WeekRow4", "WeekRow5", "WeekRow6",
                                 "WeekRow7", "WeekText"}));
  EXPECT_EQ(spoken[0], "Maandag: de hele dag UIT");
  EXPECT_EQ(spoken[6], "Zondag: de hele dag UIT");
  EXPECT_TRUE(spoken[7].startsWith("Maandag: de hele dag UIT\nDinsdag:")) << spoken[7].toStdString();
  EXPECT_EQ(focusName(), "WeekRow1");  // round again
  EXPECT_EQ(overview->windowTitle(), "Weekoverzicht");
  EXPECT_TRUE(overview->textLabel()->text().startsWith("Maandag: de hele dag UIT\nDinsdag:"));
}

// The plan's export writes PDF or PNG by the name, in the window's language; a wrong name or folder
// gets a box with the reason and leaves nothing behind.
TEST_F(WindowAccessTest, WeekPlanExportWritesByExtensionOrSaysWhy) {
  startUp();
  language()->setItemIndex(1);
  const struct {
    const char* name;
    bool written;
    QByteArray start;
    const char* box;
  } cases[] = {
      {"plan.pdf", true, "%PDF", nullptr},
      {"plan.png", true, "\x89PNG", nullptr},
      {"plan.txt", false, {}, "Der Wochenplan kann nicht gespeichert werden:\nplan.txt: the name must end in .pdf or .png"},
      {"no/such/plan.pdf", false, {}, "Der Wochenplan kann nicht gespeichert werden:\nno/such/plan.pdf: der Ordner existiert nicht"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    boxes->plain.clear();
    EXPECT_EQ(form.exportWeekPlan(QLatin1String(c.name)), c.written);
    QFile file(QLatin1String(c.name));
    EXPECT_EQ(file.open(QIODevice::ReadOnly), c.written);
    if (c.written) {
      EXPECT_TRUE(file.read(8).startsWith(c.start));
      EXPECT_TRUE(boxes->plain.empty());
    } else {
      ASSERT_EQ(boxes->plain.size(), 1u);
      EXPECT_EQ(boxes->plain[0].toStdString(), c.box);
    }
  }
}

// The plan sheet gives the settings in words and its own labels in the window's language; the
// language items without a caption set of their own take the English words. Read back from the
// PDF by pdftotext (Debian poppler-utils, which make test installs).
TEST_F(WindowAccessTest, WeekPlanSheetSaysTheSettingsInTheWindowsLanguage) {
  const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
  if (pdftotext.isEmpty()) GTEST_SKIP() << "no pdftotext to read the sheet with";
  startUp();
  child<TRadioGroup>(QStringLiteral("RelayMode"))->setItemIndex(3);
  child<QSpinBox>(QStringLiteral("SpinEditUTC"))->setValue(1);
  child<QSpinBox>(QStringLiteral("SpinEditDLS"))->setValue(1);
  child<QSpinBox>(QStringLiteral("SpinEditValid"))->setValue(72);
  const struct {
    int language;
    std::vector<const char*> lines;
  } rows[] = {
      {0,
       {"KELVOX weekplan", "Datum: ", "Herkomst: niet van een klok of uit een bestand gelezen",
        "Taal: Nederlands · 230V-relais: Tijdklok · UTC-verschil: +1 uur · Zomertijd: aan · "
        "Tijd-fout-timeout: 72 uur"}},
      {1,
       {"KELVOX Wochenplan", "Datum: ", "Herkunft: weder von einer Uhr noch aus einer Datei gelesen",
        "Sprache: Deutsch · 230V-Relais: Zeitschaltuhr · UTC-Abweichung: +1 Stunde · Sommerzeit: an · "
        "Timeout bei ungültiger Zeit: 72 Stunden"}},
      {2,
       {"KELVOX week plan", "Date: ", "From: not read from a clock or a file",
        "Language: English · Mains relay: Timer · UTC offset: +1 hour · Daylight saving: on · "
        "Time not valid timeout: 72 hours"}},
      {3,
       {"KELVOX week plan", "Date: ",
        "Language: Francais · Mains relay: Timer · UTC offset: +1 hour · Daylight saving: on · "
        "Time not valid timeout: 72 hours"}},
  };
  const QString plan = folder.file(QStringLiteral("plan.pdf"));
  for (const auto& row : rows) {
    SCOPED_TRACE(row.language);
    language()->setItemIndex(row.language);
    ASSERT_TRUE(form.exportWeekPlan(plan));
    QProcess extract;
    extract.start(pdftotext, {plan, QStringLiteral("-")});
    ASSERT_TRUE(extract.waitForFinished(30000));
    // A line too long for the page goes on in the next.
    const QString text = QString::fromUtf8(extract.readAllStandardOutput()).replace(u'\n', u' ');
    for (const char* line : row.lines)
      EXPECT_TRUE(text.contains(QString::fromUtf8(line))) << line << "\n" << text.toStdString();
  }
}

// --- looks ------------------------------------------------------------------------------------

TEST_F(WindowAccessTest, PagesAreSilverAndADisabledSendButtonLooksDisabled) {
  auto* send = child<QPushButton>(QStringLiteral("SendToClock"));
  const QColor blue(0, 128, 255);
  EXPECT_EQ(send->palette().color(QPalette::Active, QPalette::ButtonText), blue);
  EXPECT_NE(send->palette().color(QPalette::Disabled, QPalette::ButtonText), blue);
  // Disabled texts stay readable on silver (the first two seconds, the ports not found).
  for (const char* name : {"SendToClock", "COM2", "Label10"}) {
    const QColor text =
        child<QWidget>(QLatin1String(name))->palette().color(QPalette::Disabled, QPalette::WindowText);
    EXPECT_GE(192 - qGray(text.rgb()), 48) << name;
  }

  form.show();
  auto* pages = child<QTabWidget>(QStringLiteral("Settings"));
  const QColor silver(192, 192, 192);
  for (int page : {0, 1}) {
    pages->setCurrentIndex(page);
    const QImage shot = pages->grab().toImage();
    // The page fills the pane; the corner of the Timer page is the one place its heading leaves.
    const QPoint corner = pages->currentWidget()->mapTo(pages, pages->currentWidget()->rect().bottomRight());
    EXPECT_EQ(shot.pixelColor(corner - QPoint(1, 1)), silver) << page;
  }
}

}  // namespace
