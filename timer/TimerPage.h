#pragma once
// The "Timer" page: seven day tabs, the check list of the eight switch times of the shown day
// with their time labels and ON/OFF pairs, and the editor of the selected time. The page keeps
// no model of its own: it reads and writes the entries of the weekly timer's table directly,
// through the forms of TSwitchTime. Beside each time label and the editor's labels it holds the
// time they show as fields, so that a write-back rebuilds an entry from a row's time, not from a
// caption.
//
// Its code, by what it does: TimerPage.cpp builds the page; timer_day_list.cpp holds the day
// tabs, the list, the day load and write-back and the captions of the times; timer_editing.cpp
// the time editor and the ON/OFF pairs; timer_day_steps.cpp copy, clear and their undo, the
// day's menu and the overview.
//
// Notifications, on which the procedures rely:
//  - an ON or OFF button that goes from unchecked to checked, by the user or by the program,
//    unchecks its partner and then runs its click handling at once; unchecking runs nothing;
//  - a spinner set to a different value runs its change handling at once (nested); setting the
//    value it already holds runs nothing;
//  - setting a check mark, the selected row, the selected tab or a caption from the program
//    runs nothing.
#include <QString>
#include <QWidget>
#include <array>
#include <vector>

#include "plan_captions.h"
#include "week_table.h"

class QFrame;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class WeekOverview;
class QRadioButton;
class QSpinBox;
class QTabBar;
class QUndoStack;
class WeekTimer;

class TimerPage : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kEntries = WeekTable::kEntries;

  explicit TimerPage(WeekTimer& week, QWidget* parent = nullptr);

  // Day load: shows the day of the selected tab.
  void WeekdaysTabChange();
  // List procedure: brings the rows, labels, buttons and table entries of the shown day in line
  // with the check marks, and loads the selected row into the time editor when it is checked.
  void CheckTimerNummerClick();
  // Write-back: every checked row of the shown day is rebuilt in the table from its label and
  // its ON button; sets TimerEdited when any row is checked.
  void StoreShownDay();

  // Change handling of the three spinners of the time editor.
  void SpinEditUurChange();
  void SpinEditMinuutChange();
  void SpinEditSecondsChange();

  // Click handling of ON1..ON8 and OFF1..OFF8, entry 0..7.
  void OnClick(int entry);
  void OffClick(int entry);

  // Selects a day tab without running anything (as any program selection of a tab).
  void selectDay(int day);
  // The shown day, 0 Monday .. 6 Sunday.
  int shownDay() const;
  // The selected row of the list, -1 when there is none.
  int selectedRow() const;

  // Caption changes of the interface language; replacing the day tabs keeps the selected tab
  // and runs nothing.
  void setDayNames(const std::array<QString, 7>& names);
  void setHeading(const QString& text);      // Label14
  void setEditHeading(const QString& text);  // Panel10

  // The week plan beside the designed page. Copying a day gives the target days the source's eight
  // entries, set and deleted alike; clearing deletes a day's eight. Both write the table as the
  // time editor does (TimerEdited is set) and are one step each for undo.
  void copyDay(int source, const std::vector<int>& targets);
  void clearDay(int day);
  // Undoes the last copy or clear; false, changing nothing, when there is none or when its days
  // were changed since (an undo would lose that change).
  bool undoDayStep();
  // Asks for the days to copy the day to, then copies.
  void askCopyDay(int day);
  // Opens the week overview, or brings it to the front.
  void openOverview();
  // The menu of a day: copy, clear, undo, the overview and the export of the plan.
  QMenu* dayMenu(int day);
  void setPlanCaptions(const PlanCaptions& captions);
  WeekOverview* overview() const { return overview_; }
  QPushButton* overviewButton() const { return overviewButton_; }
  QPushButton* dayMenuButton() const { return dayMenuButton_; }

  // Widgets by role.
  QLabel* headingLabel() const { return heading_; }                           // Label14
  QTabBar* weekdaysTab() const { return tabs_; }                              // WeekdaysTab
  QListWidget* timeList() const { return list_; }                             // CheckTimerNummer
  QLabel* timeLabel(int entry) const { return timeLabels_.at(entry); }        // Time1..Time8
  QRadioButton* onButton(int entry) const { return onButtons_.at(entry); }    // ON1..ON8
  QRadioButton* offButton(int entry) const { return offButtons_.at(entry); }  // OFF1..OFF8
  QFrame* pairPanel(int entry) const { return pairPanels_.at(entry); }        // Panel3, 4, 2, 5..9
  QLabel* switchHead() const { return switchHead_; }                          // Label1
  QLabel* timeHead() const { return timeHead_; }                              // Label2
  QLabel* actionHead() const { return actionHead_; }                          // Label13
  QLabel* editHeadingLabel() const { return editHeading_; }                   // Panel10
  QFrame* editPanel() const { return editPanel_; }                            // Panel1
  QLabel* hourLabel() const { return editHour_; }                             // edituur
  QLabel* minuteLabel() const { return editMinute_; }                         // editmin
  QLabel* secondLabel() const { return editSecond_; }                         // editsec
  QSpinBox* hourSpin() const { return spinHour_; }                            // SpinEditUur
  QSpinBox* minuteSpin() const { return spinMinute_; }                        // SpinEditMinuut
  QSpinBox* secondSpin() const { return spinSecond_; }                        // SpinEditSeconds

 signals:
  // "Export week plan…" was chosen; the window writes the file.
  void exportRequested();

 private:
  void buildPlanControls(QWidget* tabControl, int top);
  void addShortcuts();
  // A copy or clear as one step for undo: `edited` holds the step's days as it leaves them.
  void pushDayStep(const WeekTable& edited, const std::vector<int>& days);
  // The shown day is loaded again when a day step wrote it.
  void reloadIfShown(const std::vector<int>& days);

  // The builders of the page, in the order their widgets are made (which is the focus order).
  void buildControls();
  void buildHeading();
  int buildDayTabs(QWidget* tabControl);  // gives the height of the row of tabs
  void buildColumnHeads(QWidget* tabControl, int top);
  void buildList(QWidget* tabControl, int listTop);
  void buildRow(QWidget* tabControl, int entry, int rowTop);
  void buildEditor(QWidget* tabControl, int top);
  void buildSpinners();
  void connectHandlers();

  // The shown day's entries.
  const TSwitchTime& entryOf(int entry) const;
  void writeEntry(int entry, const TSwitchTime& value);
  bool isChecked(int entry) const;
  void setChecked(int entry, bool checked);
  void selectRow(int entry);
  void uncheckPair(int entry);
  void checkAction(int entry, bool on);
  void setPairEnabled(int entry, bool enabled);
  // Click handling shared by ON and OFF: the entry's action changes, its row is checked and selected.
  void actionClick(int entry, bool on);
  void closingSteps();
  // A row's time: held for the write-back and shown by its label in the 10-character form.
  void showTime(int entry, const SwitchFields& time);
  // A time label's caption, and its name for assistive technology ("Time 1, 07:15:30").
  void setTimeCaption(int entry, const QString& caption);
  // The time editor: its labels show editTime_, its spinners take the numbers the fields begin with.
  void loadEditor(const SwitchFields& time);
  void showEditTime();

  WeekTimer& week_;

  QLabel* heading_ = nullptr;
  QTabBar* tabs_ = nullptr;
  QLabel* switchHead_ = nullptr;
  QLabel* timeHead_ = nullptr;
  QLabel* actionHead_ = nullptr;
  QListWidget* list_ = nullptr;
  std::array<QLabel*, kEntries> timeLabels_{};
  std::array<QFrame*, kEntries> pairPanels_{};
  std::array<QRadioButton*, kEntries> onButtons_{};
  std::array<QRadioButton*, kEntries> offButtons_{};
  std::array<SwitchFields, kEntries> rowTimes_{};  // what the labels of checked rows show
  QLabel* editHeading_ = nullptr;
  QFrame* editPanel_ = nullptr;
  QLabel* editHour_ = nullptr;
  QLabel* editMinute_ = nullptr;
  QLabel* editSecond_ = nullptr;
  QSpinBox* spinHour_ = nullptr;
  QSpinBox* spinMinute_ = nullptr;
  QSpinBox* spinSecond_ = nullptr;
  SwitchFields editTime_;  // what edituur, editmin and editsec show

  QUndoStack* dayUndo_ = nullptr;  // copy and clear
  PlanCaptions planCaptions_;
  WeekOverview* overview_ = nullptr;
  QPushButton* overviewButton_ = nullptr;
  QPushButton* dayMenuButton_ = nullptr;
  QMenu* dayMenu_ = nullptr;
};
