#include <QAction>
#include <QMenu>
#include <QRadioButton>
#include <QTimer>
#include <cstdio>

#include "KVX_Setup.h"
#include "Serial4.h"
#include "argument_text.h"
#include "captions.h"
#include "clock_link.h"
#include "clock_search.h"
#include "device_events.h"
#include "port_buttons.h"
#include "program_name.h"
#include "saved_port.h"

// The window's choice of port: the COM buttons and the Port menu, the port the owner chose or
// the search found, kelvox.ini, and the search for the clock over every port at once.
//
// A port is saved when the owner chooses it (a COM button, the Port menu, or kelvox.ini at
// start), or when the clock has answered on a port the search picked; never a pick before the
// clock answered there, which would make a GPS receiver on COM1 the owner's choice.

void TForm1::setDeviceEvents(std::unique_ptr<TDeviceEvents> events) {
  portButtons_->setDeviceEvents(std::move(events), this, [this] { lookAtPorts(); });
}

void TForm1::setPortList(std::unique_ptr<TPortList> list) { portList_ = std::move(list); }

void TForm1::lookAtPorts() {
  ports_ = portList_->ports();
  showPorts();
}

void TForm1::showPorts() {
  const bool open = serial_->Active();
  const int inUse = open && selected_ ? selected_->button : 0;
  portButtons_->show(ports_, skipReasons_, selected_ ? selected_->name : QString(), inUse);
  showPortInUse();
}

void TForm1::showPortInUse() {
  // The COM buttons name nine ports and the label says only whether the clock answered: the group
  // and the label tell which port is in use, and what the system says of its device.
  QString text;
  if (selected_) {
    // label() is the port's name followed by what its device says of itself.
    text = selected_->shown() + selected_->label().mid(selected_->name.size());
    if (!serial_->Active()) text += QStringLiteral(": not open");
  }
  describePortInUse(text);
}

void TForm1::scanPorts() {
  lookAtPorts();
  portMenu_->setEnabled(true);
  saveAllowed_ = true;
  if (settingsFile_.canRead()) {
    // A saved port is selected even when it is not present; a file that names none selects none.
    const TSavedPort saved = settingsFile_.saved();
    if (!saved.empty()) {
      ownerChosePort_ = true;
      const bool opened = session_.openSavedPort(saved, ports_, [this](const TPortEntry& entry) {
        selectPort(entry);
        return openProblem(*serial_);
      });
      // A saved port that is gone or does not open: the clock may hang elsewhere now.
      if (!opened) {
        ownerChosePort_ = false;
        startSearch();
        session_.transfer().ReadClockClick();
      }
    }
  } else {
    // No kelvox.ini: the clock is looked for on every port, and the one it answers on is saved.
    startSearch();
    session_.transfer().ReadClockClick();
  }
}

void TForm1::portSkipped(const TPortEntry& port, const QString& reason, const QString& text) {
  skipReasons_[port.name] = reason;
  std::fprintf(stderr, "%s\n", qPrintable(text));
  showPorts();
}

void TForm1::adapterMoved(const QString& text) { std::fprintf(stderr, "%s: %s\n", kProgram, qPrintable(text)); }

void TForm1::searchingEveryPort(const QString& text) {
  std::fprintf(stderr, "%s: %s\n", kProgram, qPrintable(text));
}

void TForm1::findPortAgain() {
  // A device unplugged and plugged in again comes back under its port's name: open it anew
  // (the name is resolved again) with the settings it had.
  if (serial_->lostDevice()) {
    serial_->setActive(true);
    showPortInUse();
    if (serial_->Active()) return;
  }
  // The owner's port is opened again; without one, the clock is looked for on every port.
  if (ownerChosePort_ && selected_)
    applySelectedPort();
  else
    startSearch();
}

void TForm1::FindTheClockClick() {
  if (!session_.transfer().idle() || compare_->running()) return;
  startSearch();
  session_.transfer().ReadClockClick();
}

void TForm1::startSearch() {
  endSearch();
  if (compare_->running()) compare_->abandon();
  serial_->setActive(false);  // the selected port is asked with the others
  ports_ = portList_->ports();
  skipReasons_.clear();
  session_.startSearch(
      ports_, [this](std::size_t index) { clockFound(index); },
      [this](const std::string& message, bool beforeLastWrite, bool damaged) {
        receive({message, beforeLastWrite, damaged});
      });
  showPorts();
}

void TForm1::endSearch() { session_.endSearch(serial_); }

void TForm1::clockFound(std::size_t index) {
  const TPortEntry entry = session_.search()->ports()[index];
  adoptSerial(session_.search()->takeClockPort());
  ownerChosePort_ = false;
  selected_ = entry;
  selectedPort_ = entry.button;
  COMSOFF();
  if (entry.button != 0) comButtons_[entry.button - 1]->setChecked(true);
  portButtons_->check(entry.name);
  showPortInUse();
  savePortChoice();  // the clock answered: now it is worth keeping
  QMetaObject::invokeMethod(this, [this] { endSearch(); }, Qt::QueuedConnection);
}

void TForm1::adoptSerial(std::unique_ptr<TSerial> serial) {
  serial->setPortFolder(folder_.path());
  listenTo(*serial);
  serial->setParent(this);
  if (compare_->running()) compare_->abandon();
  delete serial_;
  serial_ = serial.release();
  session_.line().attach(serial_);
  createCompare();
}

void TForm1::onComButtonClicked(int port) {
  ownerChosePort_ = true;
  if (port == selectedPort_) {
    // A click on the selected port changes nothing, unless its device has gone away: then it is
    // applied again. Keep its mark, which the click took off.
    comButtons_[port - 1]->setChecked(true);
    if (serial_->lostDevice() && !serial_->Active()) COMPORTSChange();
    return;
  }
  COMClick(port);
}

void TForm1::onPortChosen(const TPortEntry& entry) {
  if (entry.button != 0) {
    onComButtonClicked(entry.button);
    return;
  }
  ownerChosePort_ = true;
  if (selected_ && selected_->name == entry.name && serial_->Active()) return;
  selectPort(entry);
}

void TForm1::COMClick(int port) {
  if (port < 1 || port > kPortCount) return;
  const auto present = std::find_if(ports_.begin(), ports_.end(), [port](const TPortEntry& e) { return e.button == port; });
  TPortEntry entry;
  if (present != ports_.end()) {
    entry = *present;
  } else {
    entry.button = port;
    entry.name = entry.path = QStringLiteral("COM%1").arg(port);
  }
  selectPort(entry);
}

void TForm1::selectPort(const TPortEntry& entry) {
  selected_ = entry;
  selectedPort_ = entry.button;
  COMSOFF();
  if (entry.button != 0) comButtons_[entry.button - 1]->setChecked(true);  // a program check runs no click handler
  COMPORTSChange();
}

void TForm1::COMSOFF() {
  for (int port = 1; port <= kPortCount; ++port)
    if (port != selectedPort_) comButtons_[port - 1]->setChecked(false);
}

void TForm1::COMPORTSChange() {
  applySelectedPort();
  session_.transfer().ReadClockClick();
}

void TForm1::applySelectedPort() {
  endSearch();  // a new selection ends a search for the clock that was running
  if (compare_->running()) compare_->abandon();  // the clock it asked is no longer on the line
  serial_->setActive(false);
  if (selected_) selectOnSerial(*selected_);
  setClockLine(*serial_);    // the port is closed: this only stores the clock's line
  serial_->setActive(true);  // a port that cannot be opened stays closed, silently
  serial_->AbortRx();
  serial_->setRxEventMode(rxMessage);
  if (saveAllowed_) {
    session_.transfer().portChanged();
    savePortChoice();
  }
  portButtons_->check(selected_ ? selected_->name : QString());
  showPortInUse();
}

void TForm1::selectOnSerial(const TPortEntry& entry) {
  // By the button's number, which the port looks up in the working folder at each open (its
  // PortFolder): a device plugged in again, or a COMn link made meanwhile, is found by it.
  if (entry.button != 0)
    serial_->setPort(entry.button);
  else
    usePort(*serial_, placedIn(entry, folder_.path()));
}

void TForm1::savePortChoice() {
  if (!saveAllowed_ || !selected_) return;
  // After a failed write the choice is not saved again, nor the message shown again, this run.
  saveAllowed_ = settingsFile_.write(savedPortOf(*selected_));
  if (!saveAllowed_) {
    const QString text = iniWriteErrorText(language());
    if (!text.isEmpty()) showHeldBox(displayLines(text));
  }
}
