#pragma once
// The "Timer" page on an empty week, shown offscreen with Monday loaded, as the window shows it
// after its defaults. Shared by the page's tests and the week plan's.
#include <gtest/gtest.h>

#include <QTest>
#include <memory>
#include <string>

#include "TimerPage.h"
#include "week_timer.h"

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

  WeekTimer week;
  std::unique_ptr<TimerPage> page;
};
