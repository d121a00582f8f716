#include "radio_group.h"

#include <QApplication>
#include <QRadioButton>
#include <QSignalBlocker>

#include "radio_keys.h"

TRadioGroup::TRadioGroup(const QString& name, const QString& caption, const QStringList& items,
                         QWidget* parent)
    : QGroupBox(caption, parent), keys_(new TRadioKeys(this)) {
  setObjectName(name);
  setItems(items);
  connect(qApp, &QApplication::focusChanged, this, &TRadioGroup::onFocusChanged);
}

QStringList TRadioGroup::items() const {
  QStringList texts;
  for (const QRadioButton* button : buttons_) texts << button->text();
  return texts;
}

void TRadioGroup::setItems(const QStringList& items) {
  setItemIndex(-1);
  while (buttons_.size() > static_cast<std::size_t>(items.size())) {
    delete buttons_.back();
    buttons_.pop_back();
  }
  for (int i = 0; i < items.size(); ++i) {
    if (i < static_cast<int>(buttons_.size())) {
      buttons_[i]->setText(items[i]);
      continue;
    }
    auto* button = new QRadioButton(items[i], this);
    button->setObjectName(objectName() + QString::number(i));
    // Exclusivity is kept here, so that "nothing selected" stays possible.
    button->setAutoExclusive(false);
    connect(button, &QRadioButton::toggled, this, [this, i](bool checked) { onToggled(i, checked); });
    if (!buttons_.empty()) setTabOrder(buttons_.back(), button);
    buttons_.push_back(button);
    button->show();
  }
  keys_->setButtons({buttons_.begin(), buttons_.end()});
  placeButtons();
}

void TRadioGroup::setItemIndex(int index) {
  const int last = static_cast<int>(buttons_.size()) - 1;
  if (index > last) index = last;
  if (index < -1) index = -1;
  if (index == index_) return;
  if (index == -1) {
    const QSignalBlocker quiet(this);
    for (QRadioButton* button : buttons_) {
      const QSignalBlocker quietButton(button);
      button->setChecked(false);
    }
    index_ = -1;
    keys_->updateTabStop();
    return;
  }
  buttons_[index]->setChecked(true);  // runs onToggled, which emits clicked()
}

void TRadioGroup::onToggled(int index, bool checked) {
  if (!checked) {
    // A user click cannot take the mark off the selected item.
    if (index == index_) {
      const QSignalBlocker quiet(buttons_[index]);
      buttons_[index]->setChecked(true);
    }
    return;
  }
  if (index == index_) return;
  index_ = index;
  for (int i = 0; i < static_cast<int>(buttons_.size()); ++i) {
    if (i == index) continue;
    const QSignalBlocker quiet(buttons_[i]);
    buttons_[i]->setChecked(false);
  }
  emit clicked(index);
}

void TRadioGroup::onFocusChanged(QWidget* old, QWidget* now) {
  if (now && isAncestorOf(now) && !(old && isAncestorOf(old))) emit entered();
}

void TRadioGroup::resizeEvent(QResizeEvent* event) {
  QGroupBox::resizeEvent(event);
  placeButtons();
}

void TRadioGroup::placeButtons() {
  // Items share the room below the caption evenly, one above the other.
  const int top = 16;
  const int count = static_cast<int>(buttons_.size());
  if (count == 0) return;
  const int itemHeight = (height() - top - 4) / count;
  for (int i = 0; i < count; ++i) buttons_[i]->setGeometry(8, top + i * itemHeight, width() - 12, itemHeight);
}
