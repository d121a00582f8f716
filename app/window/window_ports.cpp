#include <QRadioButton>
#include <QTimer>

#include "KVX_Setup.h"
#include "Serial4.h"
#include "captions.h"
#include "clock_link.h"
#include "device_events.h"
#include "port_buttons.h"

// The window's choice of port: the COM buttons, the port the owner chose or the program picked,
// kelvox.ini, and the search over the other ports after no answer.

void TForm1::setDeviceEvents(std::unique_ptr<TDeviceEvents> events) {
  portButtons_->setDeviceEvents(std::move(events), this);
}

void TForm1::scanPorts() {
  // Probing a port closes the one probed before it; failures are silent (neNone).
  portButtons_->scan();
  portButtons_->show(true);
  const bool fileReadable = settingsFile_.canRead();
  saveAllowed_ = true;
  if (fileReadable) {
    // A saved port is selected even when its button stays disabled.
    if (const int saved = settingsFile_.savedPort(); saved != 0) {
      ownerChosePort_ = true;
      COMClick(saved);
    }
  } else if (const int first = portButtons_->chooser().firstOpened(); first != 0) {
    COMClick(first);
  }
  serial_->AbortRx();
}

void TForm1::findPortAgain() {
  // A device unplugged and plugged in again comes back under its port's name: open it anew
  // (the name is resolved again) with the settings it had.
  if (serial_->lostDevice()) {
    serial_->setActive(true);
    if (serial_->Active()) return;
  }
  // As at start, but the configuration stays: the port the owner chose, else the first that
  // opens. If none does, the read or send ends in the no-answer message as on any closed port.
  portButtons_->scan();
  serial_->setActive(false);
  portButtons_->show(false);
  const int port = ownerChosePort_ ? selectedPort_ : portButtons_->chooser().firstOpened();
  if (port == 0) return;
  selectedPort_ = port;
  COMSOFF();
  comButtons_[port - 1]->setChecked(true);
  applySelectedPort();
}

void TForm1::startPortSearch() {
  if (!unanswered_ || ownerChosePort_ || selectedPort_ == 0 || searchFrom_ != 0) return;
  portButtons_->tryOthers();  // which of the other ports open now
  portsToAsk_ = portButtons_->chooser().othersThan(serial_->Port());
  if (portsToAsk_.empty()) return;
  searchFrom_ = selectedPort_;
  openQuietly(portsToAsk_.front());
  portsToAsk_.erase(portsToAsk_.begin());
}

void TForm1::askNextPort() {
  if (searchFrom_ == 0 || portsToAsk_.empty()) return;
  openQuietly(portsToAsk_.front());
  portsToAsk_.erase(portsToAsk_.begin());
  transfer_.ReadClockClick();
}

void TForm1::openQuietly(int port) {
  // The port is asked without being selected: its button and kelvox.ini change only once the
  // clock answers there.
  serial_->setActive(false);
  serial_->setPort(port);
  serial_->setActive(true);
  if (serial_->Active()) serial_->AbortRx();
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

void TForm1::COMClick(int port) {
  if (port < 1 || port > kPortCount) return;
  selectedPort_ = port;
  COMSOFF();
  comButtons_[port - 1]->setChecked(true);  // a program check runs no click handler
  COMPORTSChange();
}

void TForm1::COMSOFF() {
  for (int port = 1; port <= kPortCount; ++port)
    if (port != selectedPort_) comButtons_[port - 1]->setChecked(false);
}

void TForm1::COMPORTSChange() {
  // A new selection ends a search for the clock that was running.
  searchFrom_ = 0;
  portsToAsk_.clear();
  applySelectedPort();
  transfer_.ReadClockClick();
}

void TForm1::applySelectedPort() {
  if (compare_->running()) compare_->abandon();  // the clock it asked is no longer on the line
  serial_->setActive(false);
  for (int port = 1; port <= kPortCount; ++port)
    if (comButtons_[port - 1]->isChecked()) serial_->setPort(port);
  setClockLine(*serial_);    // the port is closed: this only stores the clock's line
  serial_->setActive(true);  // a port that cannot be opened stays closed, silently
  serial_->AbortRx();
  serial_->setRxEventMode(rxMessage);
  if (saveAllowed_) {
    transfer_.portChanged();
    savePortChoice();
  }
}

void TForm1::savePortChoice() {
  if (!saveAllowed_) return;
  // After a failed write the choice is not saved again, nor the message shown again, this run.
  saveAllowed_ = settingsFile_.write(serial_->Port());
  if (!saveAllowed_) {
    const QString text = iniWriteErrorText(language());
    if (!text.isEmpty()) showHeldBox(displayLines(text));
  }
}
