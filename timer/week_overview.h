#pragma once
// The "Week overview" window: seven rows, Monday to Sunday, on a 24-hour axis. A filled bar shows
// where the relay is ON in timer mode, each set switch time is a tick with its time, and a
// conflict (entries of one day at one second with different actions) has a colour of its own.
// Under the chart the rule it draws and the same content as text, one line per day, for screen
// readers and for copying. It follows the weekly timer: each day it signals changed refreshes it.
#include <QWidget>
#include <array>

#include "plan_captions.h"
#include "week_plan.h"

class QLabel;
class WeekTimer;

// One day's row of the chart; it can take the focus, and Enter, Space or a click choose its day.
class WeekDayRow : public QWidget {
  Q_OBJECT
 public:
  WeekDayRow(int day, QWidget* parent = nullptr);
  void showDay(const DayPlan& plan, const QString& name, const QString& line);
  // Where the chart draws a second of the day, in the row's own coordinates.
  double xOf(int second) const;
  // Room on the left for the day's name, the same in every row.
  void setNameWidth(int width);
  // The bar of the 24 hours; two lines of times go under it.
  QRectF barRect() const;

 signals:
  void chosen(int day);

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void keyPressEvent(QKeyEvent*) override;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 private:
  int day_;
  int nameWidth_ = 80;
  DayPlan plan_;
  QString name_;
};

class WeekOverview : public QWidget {
  Q_OBJECT
 public:
  explicit WeekOverview(const WeekTimer& week, QWidget* parent = nullptr);

  void setCaptions(const PlanCaptions& captions);
  // Redraws when the table differs from what is shown (cheap when it does not).
  void refresh();

  WeekDayRow* row(int day) const { return rows_.at(static_cast<std::size_t>(day)); }
  QLabel* ruleLabel() const { return rule_; }
  QLabel* textLabel() const { return text_; }

 signals:
  // A day's row was clicked or chosen with the keyboard.
  void dayChosen(int day);

 protected:
  void showEvent(QShowEvent*) override;

 private:
  void redraw();

  const WeekTable& table_;
  WeekTable shown_;
  bool drawn_ = false;
  PlanCaptions captions_;
  std::array<WeekDayRow*, WeekTable::kDays> rows_{};
  QWidget* axis_ = nullptr;
  QLabel* rule_ = nullptr;
  QLabel* text_ = nullptr;
};
