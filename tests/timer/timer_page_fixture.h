#pragma once
// The "Timer" page on an empty week, shown offscreen with Monday loaded, as the window shows it
// after its defaults. Shared by the page's tests and the week plan's.
#include <gtest/gtest.h>

#include <QTest>
#include <memory>

#include "TimerPage.h"

class TimerPageFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    table.setAllDeleted();
    page = std::make_unique<TimerPage>(table, edited);
    page->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(page.get()));
    page->WeekdaysTabChange();
  }

  WeekTable table;
  bool edited = false;
  std::unique_ptr<TimerPage> page;
};
