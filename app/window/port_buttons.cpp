#include "port_buttons.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QRadioButton>
#include <QTimer>
#include <algorithm>

#include "device_events.h"

namespace {

// A device event comes as the device appears; the list is looked at a moment later, once the
// system has named the device and the serial component has seen a device of its own go. Events
// meanwhile (a hub with several adapters, a flood) join the same look.
constexpr int kDeviceSettleMs = 100;

QString withReason(const QString& text, const TPortButtons::Reasons& reasons, const QString& name) {
  const auto reason = reasons.find(name);
  return reason == reasons.end() ? text : text + QStringLiteral(": ") + reason->second;
}

}  // namespace

TPortButtons::TPortButtons(const Buttons& buttons, QMenu* menu, QAction* findClock,
                           std::function<void(const TPortEntry&)> chosen)
    : buttons_(buttons), menu_(menu), findClock_(findClock), group_(new QActionGroup(menu)), chosen_(std::move(chosen)) {
  separator_ = menu_->insertSeparator(findClock_);
}

TPortButtons::~TPortButtons() = default;

void TPortButtons::show(const std::vector<TPortEntry>& ports, const Reasons& reasons, const QString& selected,
                        int inUse) {
  for (int button = 1; button <= kComButtons; ++button) {
    const auto entry = std::find_if(ports.begin(), ports.end(), [button](const TPortEntry& e) { return e.button == button; });
    const bool present = entry != ports.end();
    const QString name = QStringLiteral("COM%1").arg(button);
    QString tip = present ? withReason(entry->label(), reasons, entry->name) : name + QStringLiteral(": not present");
    if (present && entry->name != name) tip = name + QStringLiteral(" (") + tip + u')';
    buttons_[button - 1]->setEnabled(present || inUse == button);
    buttons_[button - 1]->setToolTip(tip);
  }
  for (QAction* item : items_) delete item;
  items_.clear();
  itemNames_.clear();
  for (const TPortEntry& entry : ports) {
    auto* item = new QAction(withReason(entry.label(), reasons, entry.name), group_);
    item->setCheckable(true);
    item->setChecked(entry.name == selected);
    QObject::connect(item, &QAction::triggered, menu_, [this, entry] { chosen_(entry); });
    menu_->insertAction(separator_, item);
    items_.push_back(item);
    itemNames_.push_back(entry.name);
  }
}

void TPortButtons::check(const QString& selected) {
  for (std::size_t i = 0; i < items_.size(); ++i) items_[i]->setChecked(itemNames_[i] == selected);
}

void TPortButtons::setDeviceEvents(std::unique_ptr<TDeviceEvents> events, QObject* context, std::function<void()> look) {
  deviceEvents_ = std::move(events);
  deviceEvents_->setHandler([this, context, look = std::move(look)](TDeviceEvents::Change, const std::string&) {
    if (lookQueued_) return;
    lookQueued_ = true;
    QTimer::singleShot(kDeviceSettleMs, context, [this, look] {
      lookQueued_ = false;
      look();
    });
  });
}
