// The week plan on the "Timer" page, offscreen: the overview's drawing and text for a known
// table, its following of the table, and copy and clear of a day with undo.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <cmath>
#include <functional>

#include "copy_day_dialog.h"
#include "plan_drawing.h"
#include "timer_page_fixture.h"
#include "week_overview.h"

namespace {

class WeekPlanPageTest : public TimerPageFixture {
 protected:
  void store(int day, int entry, const char* fields) {
    write(day, entry, TSwitchTime::prefix(day, entry) + fields);
  }
  std::string text(int day, int entry) const { return table().at(day, entry).text(); }
  WeekOverview* openOverview() {
    page->openOverview();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(page->overview()));
    return page->overview();
  }
  // The colour the row shows at a time, in the middle of its bar, drawn at a device pixel ratio.
  static QColor colourAt(WeekDayRow* row, int second, double ratio, int dx = 0) {
    QImage image(row->size() * ratio, QImage::Format_ARGB32);
    image.setDevicePixelRatio(ratio);
    row->render(&image);
    const double x = row->xOf(second) + dx;
    return image.pixelColor(int(x * ratio), int(row->barRect().center().y() * ratio));
  }
};

double luminance(const QColor& c) {
  const auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
  return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

TEST(WeekOverviewColours, PassAaContrastOnTheRow) {
  const double background = luminance(plandraw::kBackground);
  for (const QColor& c : {plandraw::kOn, plandraw::kConflict, plandraw::kInk})
    EXPECT_GE((background + 0.05) / (luminance(c) + 0.05), 4.5) << c.name().toStdString();
}

// What shows the week follows the days the weekly timer signals: each write names the days it
// changed, and a transfer's writes, made behind its back, are named all at once when it ends.
TEST(WeekTimer, SignalsTheDaysItsWritesChange) {
  WeekTable tuesdayAndSunday;
  tuesdayAndSunday.setAllDeleted();
  tuesdayAndSunday.at(1, 0) = TSwitchTime("$22=0,07,00,00,ON");
  tuesdayAndSunday.at(6, 7) = TSwitchTime("$27=7,23,00,00,OFF");
  const struct {
    const char* name;
    std::function<void(WeekTimer&)> write;
    QList<int> days;
  } cases[] = {
      {"an entry", [](WeekTimer& w) { w.set(3, 2, TSwitchTime("$24=2,06,00,00,ON")); }, {3}},
      {"an entry as it stands", [](WeekTimer& w) { w.set(3, 2, TSwitchTime("$24=2,DEL")); }, {}},
      {"a week", [&](WeekTimer& w) { w.setWeek(tuesdayAndSunday); }, {1, 6}},
      {"the given days only", [&](WeekTimer& w) { w.setDays(tuesdayAndSunday, {6, 2}); }, {6}},
      {"every entry deleted", [](WeekTimer& w) { w.setAllDeleted(); }, {}},
      {"a transfer's writes, once it ends",
       [](WeekTimer& w) {
         w.transferTable().at(4, 0) = TSwitchTime("$25=0,07,00,00,ON");
         w.transferWrote();
       },
       {0, 1, 2, 3, 4, 5, 6}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WeekTimer week;
    week.setAllDeleted();
    const QSignalSpy spy(&week, &WeekTimer::dayChanged);
    c.write(week);
    QList<int> days;
    for (const QList<QVariant>& signal : spy) days << signal.at(0).toInt();
    EXPECT_EQ(days, c.days);
  }
}

TEST_F(WeekPlanPageTest, OverviewDrawsAndSaysTheKnownWeek) {
  store(0, 0, "07,15,30,ON");
  store(0, 1, "22,00,00,OFF");
  store(2, 4, "09,00,00,ON");   // a conflict: Time 6 acts last
  store(2, 5, "09,00,00,OFF");
  store(6, 7, "23,00,00,ON");   // carried into Monday
  store(0, 2, "06,00,00,OFF");
  WeekOverview* overview = openOverview();
  EXPECT_EQ(overview->textLabel()->text(),
            "Monday: ON 00:00:00–06:00:00, 07:15:30–22:00:00\n"
            "Tuesday: OFF all day\n"
            "Wednesday: OFF all day; conflict at 09:00:00 (Time 5 ON, Time 6 OFF): Time 6 acts last\n"
            "Thursday: OFF all day\nFriday: OFF all day\nSaturday: OFF all day\n"
            "Sunday: ON 23:00:00–24:00:00");
  EXPECT_EQ(overview->row(2)->accessibleName().toStdString(),
            "Wednesday: OFF all day; conflict at 09:00:00 (Time 5 ON, Time 6 OFF): Time 6 acts last");
  EXPECT_EQ(overview->row(2)->toolTip(), overview->row(2)->accessibleName());
  EXPECT_FALSE(overview->ruleLabel()->text().isEmpty());

  const struct {
    int day, second;
    QColor expected;
    int dx = 0;
  } points[] = {
      {0, 3 * 3600 + 1800, plandraw::kOn},          // carried from Sunday
      {0, 6 * 3600 + 1800, plandraw::kBackground},
      {0, 12 * 3600 + 1800, plandraw::kOn},
      {0, 23 * 3600 + 1800, plandraw::kBackground},
      {1, 12 * 3600 + 1800, plandraw::kBackground},
      {2, 9 * 3600, plandraw::kConflict},
      {6, 23 * 3600 + 1800, plandraw::kOn},
      {6, 22 * 3600 + 1800, plandraw::kBackground},
  };
  for (const double ratio : {1.0, 1.5, 2.0})
    for (const auto& p : points) {
      SCOPED_TRACE(testing::Message() << "ratio " << ratio << ", day " << p.day << ", second " << p.second);
      EXPECT_EQ(colourAt(overview->row(p.day), p.second, ratio, p.dx).name(), p.expected.name());
    }
  // The drawing scales with the window.
  overview->resize(1200, 700);
  QTest::qWait(10);
  EXPECT_EQ(colourAt(overview->row(0), 12 * 3600 + 1800, 1.0).name(), plandraw::kOn.name());
  EXPECT_EQ(colourAt(overview->row(0), 6 * 3600 + 1800, 1.0).name(), plandraw::kBackground.name());
}

TEST_F(WeekPlanPageTest, OverviewFollowsEditsAndShowsTheChosenDay) {
  WeekOverview* overview = openOverview();
  EXPECT_TRUE(overview->textLabel()->text().startsWith("Monday: OFF all day"));
  page->timeList()->item(3)->setCheckState(Qt::Checked);  // Monday's Time 4 checked: 00:00:00 ON
  EXPECT_TRUE(overview->textLabel()->text().startsWith("Monday: ON all day"));
  store(4, 0, "08,00,00,OFF");  // a read or an opened file ends in a day load
  page->WeekdaysTabChange();
  EXPECT_TRUE(overview->textLabel()->text().contains("Friday: ON 00:00:00–08:00:00"));

  QTest::mouseClick(overview->row(4), Qt::LeftButton);
  EXPECT_EQ(page->shownDay(), 4);
  EXPECT_TRUE(page->timeList()->item(0)->checkState() == Qt::Checked);
  overview->row(2)->setFocus();
  QTest::keyClick(overview->row(2), Qt::Key_Return);
  EXPECT_EQ(page->shownDay(), 2);
}

// The window opens a file as the week, loads the shown day (which rebuilds a time out of range
// from the editor) and puts the file's texts back: the overview shows what is held at the end.
TEST_F(WeekPlanPageTest, OverviewShowsTheTableAsTheDayLoadLeavesIt) {
  WeekOverview* overview = openOverview();
  WeekTable file = table();
  file.at(0, 0) = TSwitchTime("$21=0,24,10,20,ON");
  week.setWeek(file);
  page->WeekdaysTabChange();
  ASSERT_EQ(text(0, 0), "$21=0,00,10,20,ON");
  EXPECT_TRUE(overview->textLabel()->text().startsWith("Monday: ON all day"));
  week.setWeek(file);
  EXPECT_TRUE(overview->textLabel()->text().startsWith(
      "Monday: OFF all day; Time 1 is no time of day and switches nothing"));
}

TEST_F(WeekPlanPageTest, CopyAndClearAreOneUndoStepEach) {
  store(0, 0, "07,00,00,ON");
  store(0, 3, "18,30,00,OFF");
  store(1, 5, "12,00,00,ON");
  store(4, 2, "10,00,00,ON\r");
  const WeekTable start = table();
  page->WeekdaysTabChange();
  week.setTimerEdited(false);

  page->copyDay(0, {1, 2, 3, 4});
  EXPECT_TRUE(edited());
  for (int day = 1; day <= 4; ++day) {
    SCOPED_TRACE(day);
    EXPECT_EQ(text(day, 0), TSwitchTime::prefix(day, 0) + "07,00,00,ON");
    EXPECT_EQ(text(day, 3), TSwitchTime::prefix(day, 3) + "18,30,00,OFF");
    EXPECT_EQ(text(day, 5), TSwitchTime::prefix(day, 5) + "DEL");  // deleted ones copied too
    EXPECT_EQ(text(day, 2), TSwitchTime::prefix(day, 2) + "DEL");
  }
  EXPECT_EQ(text(5, 0), "$26=0,DEL");
  page->clearDay(0);
  for (int entry = 0; entry < 8; ++entry) EXPECT_EQ(text(0, entry), TSwitchTime::prefix(0, entry) + "DEL");
  EXPECT_FALSE(page->timeList()->item(0)->checkState() == Qt::Checked);  // the shown day follows

  QTest::keyClick(page->timeList(), Qt::Key_Z, Qt::ControlModifier);  // the clear
  EXPECT_EQ(text(0, 0), "$21=0,07,00,00,ON");
  EXPECT_TRUE(page->timeList()->item(0)->checkState() == Qt::Checked);
  EXPECT_TRUE(page->undoDayStep());  // the copy
  EXPECT_EQ(table(), start);
  EXPECT_FALSE(page->undoDayStep());
  EXPECT_TRUE(edited());  // only the defaults clear it

  // An undo that would lose a later change is refused.
  page->clearDay(2);
  store(2, 1, "05,00,00,ON");
  EXPECT_FALSE(page->undoDayStep());
  EXPECT_EQ(text(2, 1), "$23=1,05,00,00,ON");
}

TEST_F(WeekPlanPageTest, CopyBoxShortcutsCheckTheirDays) {
  CopyDayDialog box(2, englishPlanCaptions());
  EXPECT_EQ(box.windowTitle(), "Copy Wednesday to");
  EXPECT_EQ(box.dayBox(2), nullptr);
  box.weekdaysButton()->click();
  EXPECT_EQ(box.chosenDays(), (std::vector<int>{0, 1, 3, 4}));
  box.everyDayButton()->click();
  EXPECT_EQ(box.chosenDays(), (std::vector<int>{0, 1, 3, 4, 5, 6}));
  box.dayBox(6)->click();
  EXPECT_EQ(box.chosenDays(), (std::vector<int>{0, 1, 3, 4, 5}));
}

}  // namespace
