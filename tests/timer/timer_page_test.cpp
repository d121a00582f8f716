// The "Timer" page, shown offscreen and driven through its widgets: mouse clicks on list rows,
// check boxes, tabs and ON/OFF buttons, arrow keys and typing on the spinners.
#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabBar>
#include <functional>
#include <string>

#include "timer_page_fixture.h"

namespace {

const QString kUnset = QStringLiteral("    ---          ");

// "$2" day "=" entry "," + fields + "," + action, for the shown Monday unless told otherwise.
std::string entryText(int entry, const std::string& time, const std::string& action, int day = 0) {
  return TSwitchTime::prefix(day, entry) + time + ',' + action;
}

class TimerPageTest : public TimerPageFixture {
 protected:
  std::string text(int entry, int day = 0) const { return table().at(day, entry).text(); }
  void store(int entry, const std::string& value, int day = 0) { write(day, entry, value); }
  QString label(int entry) const { return page->timeLabel(entry)->text(); }
  QString editor() const {
    return page->hourLabel()->text() + page->minuteLabel()->text() + page->secondLabel()->text();
  }
  bool checked(int entry) const { return page->timeList()->item(entry)->checkState() == Qt::Checked; }
  // One arrow step on a spinner (0 hours, 1 minutes, 2 seconds).
  void step(int spinner, int direction) {
    QSpinBox* spins[] = {page->hourSpin(), page->minuteSpin(), page->secondSpin()};
    QTest::keyClick(spins[spinner], direction > 0 ? Qt::Key_Up : Qt::Key_Down);
  }
  void typeSeconds(const QString& typed) {
    page->secondSpin()->selectAll();
    QTest::keyClicks(page->secondSpin(), typed);
  }
  // Shows Monday with one set entry, loaded into the editor as the selected row.
  void loadOne(int entry, const std::string& time, const std::string& action = "ON") {
    store(entry, entryText(entry, time, action));
    page->WeekdaysTabChange();
    ASSERT_EQ(page->selectedRow(), entry);
  }

  // What must hold for the shown day after every procedure.
  void expectConsistent(const char* after) {
    SCOPED_TRACE(after);
    const int day = page->shownDay();
    for (int i = 0; i < TimerPage::kEntries; ++i) {
      SCOPED_TRACE(testing::Message() << "entry " << i);
      const TSwitchTime& entry = table().at(day, i);
      const bool set = !entry.isDeleted();
      EXPECT_EQ(checked(i), set);
      EXPECT_EQ(page->onButton(i)->isEnabled(), set);
      EXPECT_EQ(page->offButton(i)->isEnabled(), set);
      if (set) {
        EXPECT_NE(page->onButton(i)->isChecked(), page->offButton(i)->isChecked());
        EXPECT_EQ(page->onButton(i)->isChecked(), entry.isOn());
        EXPECT_EQ(label(i).size(), 10);
      } else {
        EXPECT_FALSE(page->onButton(i)->isChecked());
        EXPECT_FALSE(page->offButton(i)->isChecked());
        EXPECT_EQ(label(i), kUnset);
      }
    }
  }
};

// --- start, names and day loads ---------------------------------------------------------------

TEST(TimerPageDesign, StartsWithDesignCaptionsAndNamedControls) {
  WeekTimer week;
  TimerPage page(week);
  EXPECT_EQ(page.objectName(), "Weekdays");
  for (const char* name :
       {"WeekdaysTab", "CheckTimerNummer", "Panel1", "Panel10", "edituur", "editmin", "editsec",
        "SpinEditUur", "SpinEditMinuut", "SpinEditSeconds", "Label1", "Label2", "Label13", "Label14"})
    EXPECT_NE(page.findChild<QWidget*>(QLatin1String(name)), nullptr) << name;
  const char* panels[] = {"Panel3", "Panel4", "Panel2", "Panel5", "Panel6", "Panel7", "Panel8", "Panel9"};
  for (int i = 0; i < TimerPage::kEntries; ++i) {
    const QString n = QString::number(i + 1);
    EXPECT_EQ(page.findChild<QLabel*>("Time" + n), page.timeLabel(i));
    EXPECT_EQ(page.timeLabel(i)->text(), "    --");
    EXPECT_EQ(page.onButton(i)->objectName(), "ON" + n);
    EXPECT_EQ(page.offButton(i)->objectName(), "OFF" + n);
    EXPECT_EQ(page.onButton(i)->parentWidget()->objectName(), panels[i]);
    EXPECT_EQ(page.offButton(i)->parentWidget()->objectName(), panels[i]);
    EXPECT_TRUE(page.onButton(i)->isEnabled());
    EXPECT_FALSE(page.onButton(i)->isChecked() || page.offButton(i)->isChecked());
  }
  EXPECT_EQ(page.selectedRow(), -1);
  EXPECT_EQ(page.hourLabel()->text() + page.minuteLabel()->text() + page.secondLabel()->text(), "00 :00 :00");
  EXPECT_FALSE(week.TimerEdited());
}

// Before the first day load (the window keeps the page disabled until then) the buttons are
// enabled; a row checked by one is written back with a whole time, not the design caption's.
TEST(TimerPageDesign, RowsCheckedBeforeTheFirstDayLoadAreWrittenBackWithWholeTimes) {
  WeekTimer week;
  TimerPage page(week);
  page.onButton(2)->click();
  page.offButton(4)->click();
  page.secondSpin()->stepBy(1);
  EXPECT_EQ(week.at(0, 2).text(), "$21=2,00,00,00,ON");
  EXPECT_EQ(week.at(0, 4).text(), "$21=4,00,00,01,OFF");
}

TEST_F(TimerPageTest, EmptyDayShowsEightUnsetRows) {
  expectConsistent("first day load");
  EXPECT_FALSE(edited());
  EXPECT_EQ(page->selectedRow(), -1);
  for (int i = 0; i < TimerPage::kEntries; ++i) EXPECT_EQ(text(i).size(), 9u);
}

TEST_F(TimerPageTest, DayLoadShowsTheSetEntriesAndSelectsTheLastChangedRow) {
  store(3, entryText(3, "06,45,00", "OFF", 3), 3);
  clickTab(3);
  EXPECT_EQ(page->shownDay(), 3);
  expectConsistent("load of Thursday");
  EXPECT_EQ(label(3), "06 :45 :00");
  EXPECT_TRUE(page->offButton(3)->isChecked());
  EXPECT_EQ(page->selectedRow(), 3);
  EXPECT_EQ(editor(), "06 :45 :00");
  EXPECT_EQ(text(3, 3), "$24=3,06,45,00,OFF");
}

TEST_F(TimerPageTest, OnEntryFollowedByUnsetEntryKeepsItsAction) {
  store(0, entryText(0, "07,00,00", "ON"));
  store(2, entryText(2, "08,30,00", "ON"));
  page->WeekdaysTabChange();
  expectConsistent("day load");
  EXPECT_TRUE(page->onButton(0)->isChecked());
  EXPECT_TRUE(page->onButton(2)->isChecked());
  // The load put 08:30 into the editor, so the write-back ran and kept both actions.
  EXPECT_TRUE(edited());
  EXPECT_EQ(text(0), "$21=0,07,00,00,ON");
  EXPECT_EQ(text(2), "$21=2,08,30,00,ON");
}

TEST_F(TimerPageTest, EditedFlagFollowsSpinnerChangesOfTheDayLoad) {
  // The editor already shows 00:00:00: loading such a time changes no spinner.
  store(2, "$21=2,00,00,00,ON\r");
  store(4, entryText(4, "00,00,00", "OFF"));
  page->WeekdaysTabChange();
  expectConsistent("load without spinner change");
  EXPECT_FALSE(edited());
  EXPECT_EQ(text(2), "$21=2,00,00,00,ON\r");
  EXPECT_EQ(text(4), "$21=4,00,00,00,OFF");

  store(4, entryText(4, "00,00,05", "OFF", 1), 1);
  clickTab(1);
  expectConsistent("load with spinner change");
  EXPECT_TRUE(edited());

  // Deleting every time again does not clear it.
  clickBox(4);
  expectConsistent("unchecking the last set row");
  EXPECT_EQ(text(4, 1), "$22=4,DEL");
  EXPECT_TRUE(edited());
}

TEST_F(TimerPageTest, OutOfRangeTimesWrapWhenLoadedAndAreWrittenBack) {
  struct Case {
    const char* stored;
    const char* shown;
  };
  const Case cases[] = {
      {"24,10,20", "00 :10 :20"}, {"99,10,20", "00 :10 :20"}, {"10,60,20", "11 :00 :20"},
      {"23,75,20", "00 :00 :20"}, {"10,20,60", "10 :21 :00"}, {"23,59,99", "00 :00 :00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    week.setAllDeleted();
    week.setTimerEdited(false);
    loadOne(1, c.stored);
    expectConsistent("load");
    EXPECT_EQ(label(1), c.shown);
    EXPECT_EQ(editor(), c.shown);
    EXPECT_EQ(
        page->hourSpin()->value() * 10000 + page->minuteSpin()->value() * 100 + page->secondSpin()->value(),
        QString(c.shown).remove(" :").toInt());
    QString fields = QString(c.shown).replace(" :", ",");
    EXPECT_EQ(text(1), entryText(1, fields.toStdString(), "ON"));
    EXPECT_TRUE(edited());
  }
}

// --- the list ---------------------------------------------------------------------------------

TEST_F(TimerPageTest, CheckingUnsetRowsWritesTheNewForm) {
  for (int i = 0; i < TimerPage::kEntries; ++i) {
    SCOPED_TRACE(i);
    clickBox(i);
    expectConsistent("checking a row");
    EXPECT_EQ(page->selectedRow(), i);
    EXPECT_EQ(label(i), "00 :00 :00");
    EXPECT_TRUE(page->onButton(i)->isChecked());
    EXPECT_EQ(editor(), "00 :00 :00");
    EXPECT_EQ(page->hourSpin()->value() + page->minuteSpin()->value() + page->secondSpin()->value(), 0);
    // Time 1 and Time 6 get a trailing space, which the ON click that follows turns into a CR.
    EXPECT_EQ(text(i), entryText(i, "00,00,00", (i == 0 || i == 5) ? "ON\r" : "ON"));
  }
  EXPECT_FALSE(edited());
  step(2, +1);
  expectConsistent("a spinner step");
  EXPECT_EQ(text(7), "$21=7,00,00,01,ON");
  EXPECT_EQ(text(0), "$21=0,00,00,00,ON");
  EXPECT_EQ(text(5), "$21=5,00,00,00,ON");
  EXPECT_TRUE(edited());
}

TEST_F(TimerPageTest, CheckingTimeSixWithTheEditorAwayFromMidnightRebuildsAtOnce) {
  loadOne(2, "10,20,30");
  clickBox(5);
  expectConsistent("checking Time 6");
  EXPECT_EQ(text(5), "$21=5,00,00,00,ON");
  EXPECT_EQ(text(2), "$21=2,10,20,30,ON");
  EXPECT_EQ(label(2), "10 :20 :30");
}

TEST_F(TimerPageTest, UncheckingASetRowDeletesOnlyThatEntry) {
  store(1, entryText(1, "07,15,00", "ON"));
  store(4, entryText(4, "18,30,00", "OFF"));
  page->WeekdaysTabChange();
  clickBox(1);
  expectConsistent("unchecking Time 2");
  EXPECT_EQ(text(1), "$21=1,DEL");
  EXPECT_EQ(label(1), kUnset);
  EXPECT_EQ(text(4), "$21=4,18,30,00,OFF");
  EXPECT_EQ(label(4), "18 :30 :00");
}

TEST_F(TimerPageTest, ClickingRowTextLoadsACheckedRowOnly) {
  store(1, entryText(1, "07,15,00", "ON"));
  store(4, entryText(4, "18,30,00", "OFF"));
  page->WeekdaysTabChange();
  EXPECT_EQ(editor(), "18 :30 :00");
  clickRow(1);
  expectConsistent("click on Time 2");
  EXPECT_EQ(page->selectedRow(), 1);
  EXPECT_EQ(editor(), "07 :15 :00");
  EXPECT_EQ(page->minuteSpin()->value(), 15);

  clickRow(6);
  expectConsistent("click on unset Time 7");
  EXPECT_EQ(page->selectedRow(), 6);
  EXPECT_EQ(editor(), "07 :15 :00");
  EXPECT_EQ(text(6), "$21=6,DEL");
  // A spinner change now rewrites no label but still writes the checked rows back.
  week.setTimerEdited(false);
  step(0, +1);
  expectConsistent("hour step with an unset row selected");
  EXPECT_EQ(label(6), kUnset);
  EXPECT_EQ(text(1), "$21=1,07,15,00,ON");
  EXPECT_TRUE(edited());
  step(0, -1);

  // A double click runs the list again on the state it finds and changes nothing.
  const std::string before = text(1);
  QListWidget* list = page->timeList();
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
  expectConsistent("double click on Time 2");
  EXPECT_EQ(text(1), before);
  EXPECT_EQ(editor(), "07 :15 :00");
}

TEST_F(TimerPageTest, KeysMoveTheSelectionAndToggleRows) {
  store(1, entryText(1, "07,15,00", "ON"));
  store(4, entryText(4, "18,30,00", "OFF"));
  page->WeekdaysTabChange();
  clickRow(3);
  QTest::keyClick(page->timeList(), Qt::Key_Space);
  expectConsistent("space on Time 4");
  EXPECT_EQ(text(3), "$21=3,00,00,00,ON");
  // Moving the selection onto a checked row loads it, as a click would.
  QTest::keyClick(page->timeList(), Qt::Key_Down);
  expectConsistent("down to Time 5");
  EXPECT_EQ(page->selectedRow(), 4);
  EXPECT_EQ(editor(), "18 :30 :00");
  QTest::keyClick(page->timeList(), Qt::Key_Space);
  expectConsistent("space on Time 5");
  EXPECT_EQ(text(4), "$21=4,DEL");
}

TEST_F(TimerPageTest, CheckMarkOnARowWithoutSelectionSelectsThatRow) {
  QListWidget* list = page->timeList();
  // The keyboard focus is on a row that is not selected, as after tabbing into the list.
  list->selectionModel()->setCurrentIndex(list->model()->index(6, 0), QItemSelectionModel::NoUpdate);
  ASSERT_EQ(page->selectedRow(), -1);
  QTest::keyClick(list, Qt::Key_Space);
  expectConsistent("space on Time 7");
  EXPECT_EQ(page->selectedRow(), 6);
  EXPECT_EQ(label(6), "00 :00 :00");
  EXPECT_EQ(text(6), "$21=6,00,00,00,ON");
}

TEST_F(TimerPageTest, SelectedRowStaysSelected) {
  QListWidget* list = page->timeList();
  const QPoint row2 = list->visualItemRect(list->item(1)).center();
  const std::function<void()> deselectors[] = {
      [&] { QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, row2); },
      [&] { QTest::keyClick(list, Qt::Key_Space, Qt::ControlModifier); },
  };
  for (const auto& deselect : deselectors) {
    clickRow(1);
    deselect();
    EXPECT_EQ(page->selectedRow(), 1);
    expectConsistent("Ctrl on the selected row");
  }
}

// --- the time editor --------------------------------------------------------------------------

TEST_F(TimerPageTest, ArrowStepsCarryAndBorrowThroughTheWholeTime) {
  struct Case {
    const char* start;
    int spinner;
    int direction;
    const char* result;
  };
  const Case cases[] = {
      {"00,00,00", 2, -1, "23 :59 :59"}, {"23,59,59", 2, +1, "00 :00 :00"}, {"10,59,59", 2, +1, "11 :00 :00"},
      {"10,00,00", 2, -1, "09 :59 :59"}, {"23,59,30", 1, +1, "00 :00 :30"}, {"00,00,30", 1, -1, "23 :59 :30"},
      {"10,59,30", 1, +1, "11 :00 :30"}, {"23,59,59", 0, +1, "00 :59 :59"}, {"00,10,20", 0, -1, "23 :10 :20"},
      {"12,34,56", 0, +1, "13 :34 :56"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.start << " spinner " << c.spinner << " step " << c.direction);
    week.setAllDeleted();
    loadOne(6, c.start, "OFF");
    step(c.spinner, c.direction);
    expectConsistent("arrow step");
    EXPECT_EQ(label(6), c.result);
    EXPECT_EQ(editor(), c.result);
    const QString fields = QString(c.result).replace(" :", ",");
    EXPECT_EQ(text(6), entryText(6, fields.toStdString(), "OFF"));
    EXPECT_EQ(page->hourSpin()->value(), QString(c.result).left(2).toInt());
    EXPECT_EQ(page->minuteSpin()->value(), QString(c.result).mid(4, 2).toInt());
    EXPECT_EQ(page->secondSpin()->value(), QString(c.result).mid(8, 2).toInt());
  }
}

TEST_F(TimerPageTest, TypedSecondsWrapAsOneStep) {
  struct Case {
    const char* typed;
    const char* result;
  };
  const Case cases[] = {{"75", "10 :21 :00"},
                        {"120", "10 :21 :00"},
                        {"-3", "10 :19 :59"},
                        {"abc", "10 :20 :00"},
                        {"45", "10 :20 :45"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    week.setAllDeleted();
    loadOne(3, "10,20,30");
    typeSeconds(c.typed);
    expectConsistent("typing");
    EXPECT_EQ(label(3), c.result);
    EXPECT_EQ(editor(), c.result);
    EXPECT_EQ(text(3), entryText(3, QString(c.result).replace(" :", ",").toStdString(), "ON"));
  }
}

TEST_F(TimerPageTest, HoursAndMinutesCannotBeTyped) {
  loadOne(3, "10,20,30");
  for (QSpinBox* spin : {page->hourSpin(), page->minuteSpin()}) {
    spin->selectAll();
    QTest::keyClicks(spin, "5");
  }
  EXPECT_EQ(label(3), "10 :20 :30");
}

// --- ON/OFF pairs -----------------------------------------------------------------------------

TEST_F(TimerPageTest, OnAfterOffLeavesACarriageReturnUntilTheNextRebuild) {
  loadOne(2, "08,00,00", "OFF");
  clickOn(2);
  expectConsistent("ON click");
  EXPECT_EQ(text(2), "$21=2,08,00,00,ON\r");
  clickOn(2);  // already checked: nothing
  EXPECT_EQ(text(2), "$21=2,08,00,00,ON\r");
  step(2, +1);
  expectConsistent("seconds step");
  EXPECT_EQ(text(2), "$21=2,08,00,01,ON");
  clickOff(2);
  expectConsistent("OFF click");
  EXPECT_EQ(text(2), "$21=2,08,00,01,OFF");
  clickOn(2);
  clickOff(2);
  expectConsistent("ON, then OFF");
  EXPECT_EQ(text(2), "$21=2,08,00,01,OFF");
}

TEST_F(TimerPageTest, OffClickSelectsItsRowButKeepsTheEditor) {
  store(1, entryText(1, "07,15,00", "ON"));
  store(4, entryText(4, "18,30,00", "ON"));
  page->WeekdaysTabChange();
  clickRow(1);
  ASSERT_EQ(editor(), "07 :15 :00");
  clickOff(4);
  expectConsistent("OFF5");
  EXPECT_EQ(text(4), "$21=4,18,30,00,OFF");
  EXPECT_EQ(page->selectedRow(), 4);
  EXPECT_EQ(editor(), "07 :15 :00");
  EXPECT_EQ(label(4), "18 :30 :00");
  EXPECT_TRUE(page->onButton(1)->isChecked());  // pairs are independent
  step(2, +1);
  expectConsistent("seconds step");
  EXPECT_EQ(label(4), "07 :15 :01");
  EXPECT_EQ(text(4), "$21=4,07,15,01,OFF");
  EXPECT_EQ(text(1), "$21=1,07,15,00,ON");
}

TEST_F(TimerPageTest, ShortEntryCountsAsOffAndIsRebuiltInFull) {
  store(2, "$21=2,12,30");
  page->WeekdaysTabChange();
  expectConsistent("load of a short entry");
  EXPECT_TRUE(page->offButton(2)->isChecked());
  EXPECT_EQ(label(2), "12 :30 :00");
  EXPECT_EQ(text(2), "$21=2,12,30,00,OFF");

  store(2, "$21=2,12,30,00,O");
  page->OnClick(2);
  EXPECT_EQ(text(2), "$21=2,12,30,00,ON");
  store(2, "$21=2,12");
  page->OffClick(2);
  EXPECT_EQ(text(2), "$21=2,12,00,00,OFF");
}

// --- days and captions ------------------------------------------------------------------------

TEST_F(TimerPageTest, SwitchingToAnEmptyDayKeepsSelectionAndEditor) {
  store(1, entryText(1, "07,15,00", "ON"));
  page->WeekdaysTabChange();
  clickRow(1);
  clickTab(4);
  expectConsistent("Friday");
  EXPECT_EQ(page->selectedRow(), 1);
  EXPECT_FALSE(checked(1));
  EXPECT_EQ(editor(), "07 :15 :00");
  EXPECT_EQ(text(1), "$21=1,07,15,00,ON");
  EXPECT_EQ(text(1, 4), "$25=1,DEL");
}

TEST_F(TimerPageTest, SwitchingDaysLoadsTheSelectedRowOfTheNewDay) {
  store(1, entryText(1, "07,15,00", "ON"));
  store(1, entryText(1, "21,05,10", "ON", 1), 1);
  page->WeekdaysTabChange();
  clickTab(1);  // ON2 stays checked: no click, the selected row stays and is loaded
  expectConsistent("Tuesday");
  EXPECT_EQ(page->selectedRow(), 1);
  EXPECT_EQ(editor(), "21 :05 :10");
  step(0, +1);
  EXPECT_EQ(text(1, 1), "$22=1,22,05,10,ON");
  EXPECT_EQ(text(1), "$21=1,07,15,00,ON");
}

TEST_F(TimerPageTest, CaptionChangesKeepTheShownDayAndRunNothing) {
  clickTab(3);
  store(0, entryText(0, "05,00,00", "ON", 3), 3);  // a day load would show this
  page->setDayNames({"Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag", "Sonntag"});
  page->setHeading("Zeitklok einstellung");
  page->setEditHeading("Zeit aendern");
  EXPECT_EQ(page->weekdaysTab()->currentIndex(), 3);
  EXPECT_EQ(page->weekdaysTab()->tabText(3), "Donnerstag");
  EXPECT_EQ(page->headingLabel()->text(), "Zeitklok einstellung");
  EXPECT_EQ(page->editHeadingLabel()->text(), "Zeit aendern");
  EXPECT_FALSE(checked(0));
  page->selectDay(5);
  EXPECT_EQ(page->shownDay(), 5);
  EXPECT_FALSE(checked(0));
}

}  // namespace
