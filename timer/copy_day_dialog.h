#pragma once
// The box of "Copy <day> to…": the other six days as check boxes, with "Monday to Friday" and
// "every day" as shortcuts that check those days.
#include <QDialog>
#include <array>
#include <vector>

#include "plan_captions.h"

class QCheckBox;
class QPushButton;

class CopyDayDialog : public QDialog {
  Q_OBJECT
 public:
  CopyDayDialog(int source, const PlanCaptions& captions, QWidget* parent = nullptr);

  // The checked days, Monday first; never the source.
  std::vector<int> chosenDays() const;
  QCheckBox* dayBox(int day) const { return boxes_.at(static_cast<std::size_t>(day)); }  // nullptr for the source
  QPushButton* weekdaysButton() const { return weekdays_; }
  QPushButton* everyDayButton() const { return everyDay_; }

 private:
  void checkDays(int first, int last);

  int source_;
  std::array<QCheckBox*, WeekTable::kDays> boxes_{};
  QPushButton* weekdays_ = nullptr;
  QPushButton* everyDay_ = nullptr;
};
