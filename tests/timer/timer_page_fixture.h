#pragma once
// The "Timer" page on an empty week, shown offscreen with Monday loaded, as the window shows it
// after its defaults, and clicks on its widgets. Shared by the page's tests and the week plan's.
#include <gtest/gtest.h>

#include <QListWidget>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTabBar>
#include <QTest>
#include <memory>
#include <ostream>
#include <string>

#include "TimerPage.h"
#include "week_timer.h"

// Readable QStrings in failure messages.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

class TimerPageFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    week.setAllDeleted();
    page = std::make_unique<TimerPage>(week);
    page->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(page.get()));
    page->WeekdaysTabChange();
  }

  const WeekTable& table() const { return week.table(); }
  bool edited() const { return week.TimerEdited(); }
  // An entry's whole text, written as a read or a file writes it.
  void write(int day, int entry, const std::string& text) { week.set(day, entry, TSwitchTime(text)); }

  // A click on the text of a row.
  void clickRow(int entry) {
    QListWidget* list = page->timeList();
    const QRect rect = list->visualItemRect(list->item(entry));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(rect.right() - 10, rect.center().y()));
  }
  // A click on the check box of a row.
  void clickBox(int entry) {
    QListWidget* list = page->timeList();
    QStyleOptionViewItem option;
    option.initFrom(list->viewport());
    option.rect = list->visualItemRect(list->item(entry));
    option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
    const QRect box = list->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, list);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, box.center());
  }
  void clickTab(int day) {
    QTest::mouseClick(page->weekdaysTab(), Qt::LeftButton, {}, page->weekdaysTab()->tabRect(day).center());
  }
  void clickOn(int entry) { QTest::mouseClick(page->onButton(entry), Qt::LeftButton); }
  void clickOff(int entry) { QTest::mouseClick(page->offButton(entry), Qt::LeftButton); }

  WeekTimer week;
  std::unique_ptr<TimerPage> page;
};
