#pragma once
// The COM buttons and the Port menu as the port list stands. A button is usable when its port is
// present, or is the port in use; the menu holds one radio item per port present. Each button's
// tool tip and each menu item name the device and, for a port the last search skipped, why.
// Looking at the list opens no port (opening one raises DTR, which resets many devices), and a
// burst of device events costs one look. Which port is selected stays the window's business.
#include <QString>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "port_list.h"
#include "window_controls.h"

class QAction;
class QActionGroup;
class QMenu;
class QObject;
class QRadioButton;
class TDeviceEvents;

class TPortButtons {
 public:
  using Buttons = std::array<QRadioButton*, kComButtons>;
  // Why ports were skipped, by port name.
  using Reasons = std::map<QString, QString>;

  // The menu's port items go before `findClock`; `chosen` runs when the owner picks one.
  TPortButtons(const Buttons& buttons, QMenu* menu, QAction* findClock, std::function<void(const TPortEntry&)> chosen);
  ~TPortButtons();

  // Shows `ports`; `selected` is the selected port's name, checked in the menu; `inUse` the COM
  // button whose port is open (0: none), which stays usable whatever the list says.
  void show(const std::vector<TPortEntry>& ports, const Reasons& reasons, const QString& selected, int inUse);
  // Checks the menu item of the port named `selected`, and no other.
  void check(const QString& selected);
  // The machine's device events: each burst runs `look` once, a moment after its last event.
  void setDeviceEvents(std::unique_ptr<TDeviceEvents> events, QObject* context, std::function<void()> look);

 private:
  const Buttons& buttons_;
  QMenu* menu_;
  QAction* findClock_;
  QAction* separator_ = nullptr;  // between the ports and "Find the clock"
  QActionGroup* group_;
  std::vector<QAction*> items_;
  std::vector<QString> itemNames_;  // the port of each item
  std::function<void(const TPortEntry&)> chosen_;
  std::unique_ptr<TDeviceEvents> deviceEvents_;
  bool lookQueued_ = false;
};
