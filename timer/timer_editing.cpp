// The editing handlers of the "Timer" page: the time editor's three spinners and the ON/OFF
// pairs of the rows.
#include <QRadioButton>
#include <QSpinBox>

#include "TimerPage.h"

// --- time editor ------------------------------------------------------------------------------

void TimerPage::loadEditor(const SwitchFields& time) {
  editTime_ = time;
  showEditTime();
  // Each spinner whose value changes runs its change handling here, which may change the fields.
  spinHour_->setValue(fieldValue(editTime_.hour));
  spinMinute_->setValue(fieldValue(editTime_.minute));
  spinSecond_->setValue(fieldValue(editTime_.second));
}

void TimerPage::closingSteps() {
  showEditTime();
  const int row = selectedRow();
  if (row >= 0 && isChecked(row)) showTime(row, editTime_);
  StoreShownDay();
}

void TimerPage::SpinEditUurChange() {
  if (spinHour_->value() < 0) spinHour_->setValue(23);
  if (spinHour_->value() > 23) spinHour_->setValue(0);
  editTime_.hour = twoDigitField(spinHour_->value());
  closingSteps();
}

void TimerPage::SpinEditMinuutChange() {
  if (spinMinute_->value() < 0) {
    spinMinute_->setValue(59);
    spinHour_->setValue(spinHour_->value() - 1);
    if (spinHour_->value() == -1) spinHour_->setValue(23);
  }
  if (spinMinute_->value() > 59) {
    spinMinute_->setValue(0);
    spinHour_->setValue(spinHour_->value() + 1);
    if (spinHour_->value() == 24) spinHour_->setValue(0);
  }
  editTime_.minute = twoDigitField(spinMinute_->value());
  closingSteps();
}

void TimerPage::SpinEditSecondsChange() {
  if (spinSecond_->value() < 0) {
    spinSecond_->setValue(59);
    spinMinute_->setValue(spinMinute_->value() - 1);
    if (spinMinute_->value() < 0) {
      spinMinute_->setValue(59);
      spinHour_->setValue(spinHour_->value() - 1);
      if (spinHour_->value() == -1) spinHour_->setValue(23);
    }
  }
  if (spinSecond_->value() > 59) {
    spinSecond_->setValue(0);
    spinMinute_->setValue(spinMinute_->value() + 1);
    if (spinMinute_->value() > 59) {
      spinMinute_->setValue(0);
      spinHour_->setValue(spinHour_->value() + 1);
      if (spinHour_->value() == 24) spinHour_->setValue(0);
    }
  }
  editTime_.second = twoDigitField(spinSecond_->value());
  closingSteps();
}

// --- ON/OFF pairs -----------------------------------------------------------------------------

void TimerPage::OnClick(int entry) { actionClick(entry, true); }

void TimerPage::OffClick(int entry) { actionClick(entry, false); }

void TimerPage::actionClick(int entry, bool on) {
  TSwitchTime action = entryOf(entry);
  action.setOn(on, shownDay(), entry);
  writeEntry(entry, action);
  setChecked(entry, true);
  selectRow(entry);
}
