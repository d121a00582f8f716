#include "radio_keys.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QRadioButton>
#include <algorithm>

namespace {

// Qt names a radio button that is not auto-exclusive a check box; this one is always a radio
// button, with its caption as name and a press action that clicks it.
class TRadioButtonAccessible : public QAccessibleWidget {
 public:
  explicit TRadioButtonAccessible(QRadioButton* button)
      : QAccessibleWidget(button, QAccessible::RadioButton) {}

  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.checkable = true;
    state.checked = button()->isChecked();
    return state;
  }
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
      return QString(button()->text()).remove(QLatin1Char('&'));
    return QAccessibleWidget::text(t);
  }
  QStringList actionNames() const override {
    QStringList names = QAccessibleWidget::actionNames();
    if (widget()->isEnabled()) names.prepend(pressAction());
    return names;
  }
  void doAction(const QString& action) override {
    if (action == pressAction() && widget()->isEnabled())
      button()->click();
    else
      QAccessibleWidget::doAction(action);
  }

 private:
  QRadioButton* button() const { return static_cast<QRadioButton*>(widget()); }
};

QAccessibleInterface* radioButtonAccessible(const QString& className, QObject* object) {
  if (className == QLatin1String("QRadioButton"))
    if (auto* button = qobject_cast<QRadioButton*>(object)) return new TRadioButtonAccessible(button);
  return nullptr;
}

bool usable(const QAbstractButton* button) { return button && button->isEnabled() && !button->isHidden(); }

}  // namespace

TRadioKeys::TRadioKeys(QObject* parent) : QObject(parent) {
  static const bool installed = [] {
    QAccessible::installFactory(radioButtonAccessible);
    return true;
  }();
  Q_UNUSED(installed);
}

void TRadioKeys::setButtons(const std::vector<QAbstractButton*>& buttons) {
  for (QAbstractButton* button : buttons_)
    if (button) button->removeEventFilter(this);
  buttons_.assign(buttons.begin(), buttons.end());
  for (QAbstractButton* button : buttons) {
    button->installEventFilter(this);
    connect(button, &QAbstractButton::toggled, this, &TRadioKeys::updateTabStop, Qt::UniqueConnection);
  }
  updateTabStop();
}

void TRadioKeys::updateTabStop() {
  QAbstractButton* stop = nullptr;
  for (QAbstractButton* button : buttons_)
    if (usable(button) && button->isChecked()) stop = button;
  for (QAbstractButton* button : buttons_)
    if (!stop && usable(button)) stop = button;
  for (QAbstractButton* button : buttons_)
    if (button) button->setFocusPolicy(button == stop ? Qt::StrongFocus : Qt::ClickFocus);
}

void TRadioKeys::step(QAbstractButton* from, int direction) {
  const auto count = static_cast<int>(buttons_.size());
  const auto at = static_cast<int>(std::find(buttons_.begin(), buttons_.end(), from) - buttons_.begin());
  for (int n = 1; n < count; ++n) {
    QAbstractButton* next = buttons_[((at + direction * n) % count + count) % count];
    if (!usable(next)) continue;
    next->setFocus(Qt::OtherFocusReason);
    if (!next->isChecked()) next->click();
    return;
  }
}

bool TRadioKeys::eventFilter(QObject* watched, QEvent* event) {
  auto* button = qobject_cast<QAbstractButton*>(watched);
  if (event->type() == QEvent::EnabledChange || event->type() == QEvent::ShowToParent ||
      event->type() == QEvent::HideToParent) {
    updateTabStop();
  } else if (event->type() == QEvent::KeyPress && button) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & ~Qt::KeypadModifier) return false;
    switch (key->key()) {
      case Qt::Key_Up:
      case Qt::Key_Left:
        step(button, -1);
        return true;
      case Qt::Key_Down:
      case Qt::Key_Right:
        step(button, +1);
        return true;
      default:
        break;
    }
  }
  return QObject::eventFilter(watched, event);
}
