#pragma once
// The weekly timer as the window holds it: the week table and the TimerEdited flag. Every write
// through it signals the days it changed, so whatever shows the week (the overview) follows it
// without being told by each writer.
#include <QObject>
#include <vector>

#include "week_table.h"

class WeekTimer : public QObject {
  Q_OBJECT
 public:
  explicit WeekTimer(QObject* parent = nullptr) : QObject(parent) {}

  const WeekTable& table() const { return table_; }
  const TSwitchTime& at(int day, int entry) const { return table_.at(day, entry); }

  // Writes one entry.
  void set(int day, int entry, const TSwitchTime& value);
  // Writes the given days from `from`, the whole week, or every entry in its deleted form.
  void setDays(const WeekTable& from, const std::vector<int>& days);
  void setWeek(const WeekTable& week);
  void setAllDeleted();

  // The switch times were edited since the configuration was read, opened or reset: a send asks
  // whether the relay should follow them. Set by the writer that counts as an edit, not by every write.
  bool TimerEdited() const { return timerEdited_; }
  void setTimerEdited(bool edited) { timerEdited_ = edited; }

  // For the transfer, which knows no Qt: a read writes its entries straight into the table, and a
  // send reads the flag. The host calls transferWrote() when a read is done.
  WeekTable& transferTable() { return table_; }
  const bool& transferTimerEdited() const { return timerEdited_; }
  void transferWrote();

 signals:
  // The day's entries changed (after transferWrote: may have changed).
  void dayChanged(int day);

 private:
  void writeDay(const WeekTable& from, int day);

  WeekTable table_;
  bool timerEdited_ = false;
};
