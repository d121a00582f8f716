// The day tabs and the list of the "Timer" page: the shown day's entries, the day load, the list
// procedure and the write-back, and the captions that show the times.
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTabBar>

#include "TimerPage.h"
#include "week_timer.h"

namespace {

// Label caption of an unset entry.
const QString kUnsetCaption = QStringLiteral("    ---          ");

// A field as a label shows it: its characters are single bytes, Latin-1 to the toolkit.
QString shown(const std::string& field) { return QString::fromLatin1(field.data(), qsizetype(field.size())); }

// The 10-character time caption of a set entry: "HH :MM :SS".
QString timeCaption(const SwitchFields& time) {
  return shown(time.hour) + QStringLiteral(" :") + shown(time.minute) + QStringLiteral(" :") +
         shown(time.second);
}

// What a time label says to assistive technology: its row and its time, or that it has none.
QString spokenTime(int entry, const QString& caption) {
  const QString time = QString(caption).remove(u' ');
  const bool set = !time.isEmpty() && time.front().isDigit();
  return QStringLiteral("Time %1, %2").arg(entry + 1).arg(set ? time : QStringLiteral("not set"));
}

}  // namespace

// --- small accessors --------------------------------------------------------------------------

int TimerPage::shownDay() const { return tabs_->currentIndex(); }

const TSwitchTime& TimerPage::entryOf(int entry) const { return week_.at(shownDay(), entry); }

void TimerPage::writeEntry(int entry, const TSwitchTime& value) { week_.set(shownDay(), entry, value); }

bool TimerPage::isChecked(int entry) const { return list_->item(entry)->checkState() == Qt::Checked; }

void TimerPage::setChecked(int entry, bool checked) {
  const QSignalBlocker blocker(list_);
  list_->item(entry)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

int TimerPage::selectedRow() const {
  const QList<QListWidgetItem*> selected = list_->selectedItems();
  return selected.isEmpty() ? -1 : list_->row(selected.first());
}

void TimerPage::selectRow(int entry) {
  const QSignalBlocker blocker(list_);
  list_->setCurrentRow(entry);
}

void TimerPage::selectDay(int day) {
  const QSignalBlocker blocker(tabs_);
  tabs_->setCurrentIndex(day);
}

void TimerPage::uncheckPair(int entry) {
  // Exclusive radio buttons refuse to be unchecked while exclusive.
  for (QRadioButton* button : {onButtons_[entry], offButtons_[entry]}) {
    button->setAutoExclusive(false);
    button->setChecked(false);
    button->setAutoExclusive(true);
  }
}

void TimerPage::checkAction(int entry, bool on) {
  // The partner goes off first; the click handling of the checked button runs if it was off.
  (on ? onButtons_ : offButtons_)[entry]->setChecked(true);
}

void TimerPage::setPairEnabled(int entry, bool enabled) {
  onButtons_[entry]->setEnabled(enabled);
  offButtons_[entry]->setEnabled(enabled);
}

// --- captions ---------------------------------------------------------------------------------

void TimerPage::setDayNames(const std::array<QString, 7>& names) {
  const QSignalBlocker blocker(tabs_);
  for (int day = 0; day < static_cast<int>(names.size()); ++day) tabs_->setTabText(day, names[day]);
}

void TimerPage::setHeading(const QString& text) { heading_->setText(text); }

void TimerPage::setEditHeading(const QString& text) { editHeading_->setText(text); }

void TimerPage::setTimeCaption(int entry, const QString& caption) {
  timeLabels_[entry]->setText(caption);
  timeLabels_[entry]->setAccessibleName(spokenTime(entry, caption));
}

void TimerPage::showTime(int entry, const SwitchFields& time) {
  rowTimes_[entry] = time;
  setTimeCaption(entry, timeCaption(time));
}

void TimerPage::showEditTime() {
  editHour_->setText(shown(editTime_.hour) + QStringLiteral(" :"));
  editMinute_->setText(shown(editTime_.minute) + QStringLiteral(" :"));
  editSecond_->setText(shown(editTime_.second));
}

// --- day load, list procedure, write-back -----------------------------------------------------

void TimerPage::WeekdaysTabChange() {
  for (int i = 0; i < kEntries; ++i) {
    if (entryOf(i).isDeleted()) {
      setChecked(i, false);
      uncheckPair(i);
    } else {
      setChecked(i, true);
      for (int j = 0; j < kEntries; ++j) setPairEnabled(j, true);
      checkAction(i, entryOf(i).isOn());
    }
  }
  for (int i = 0; i < kEntries; ++i) {
    if (entryOf(i).isDeleted())
      setTimeCaption(i, kUnsetCaption);
    else
      showTime(i, entryOf(i).time());
  }
  CheckTimerNummerClick();
}

void TimerPage::CheckTimerNummerClick() {
  for (int i = 0; i < kEntries; ++i) {
    if (!isChecked(i)) {
      setTimeCaption(i, kUnsetCaption);
      uncheckPair(i);
      setPairEnabled(i, false);
      writeEntry(i, TSwitchTime::deleted(shownDay(), i));
      continue;
    }
    setPairEnabled(i, true);
    if (i == selectedRow()) {
      if (entryOf(i).isDeleted()) {
        showTime(i, SwitchFields{});  // midnight
        writeEntry(i, TSwitchTime::fresh(shownDay(), i));
      } else {
        showTime(i, entryOf(i).time());
      }
      checkAction(i, entryOf(i).isOn());
      loadEditor(rowTimes_[i]);
    }
    if (!onButtons_[i]->isChecked() && !offButtons_[i]->isChecked()) checkAction(i, entryOf(i).isOn());
  }
}

void TimerPage::StoreShownDay() {
  for (int i = 0; i < kEntries; ++i) {
    if (!isChecked(i)) continue;
    week_.setTimerEdited(true);
    writeEntry(i, TSwitchTime::set(shownDay(), i, rowTimes_[i], onButtons_[i]->isChecked()));
  }
}
