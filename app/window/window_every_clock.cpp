#include <QAction>
#include <QTimer>
#include <algorithm>

#include "KVX_Setup.h"
#include "Serial4.h"
#include "every_clock_dialog.h"

// --- Send to every clock ------------------------------------------------------------------------
//
// The dialog's jobs open their ports themselves. The window's own port stays the window's: the
// selection, Serial1 and kelvox.ini are never changed, and Serial1 is only closed while a job
// needs its device (which it could not open while the window holds it), and opened again after.

void TForm1::SendToEveryClock1Click() {
  if (!configurationFilesAllowed()) return;
  if (everyClock_) return;
  TEveryClockDialog::Host host{[this] { return configurationToSend(); },
                               [this](const std::vector<TPortEntry>& ports) { lendPort(ports); },
                               [this] { takeBackPort(); },
                               [this](const QString& text) { showHeldBox(text); },
                               [this] { return folder_.dialogFolderFile().startFolder(); },
                               testTimes_};
  everyClock_ = new TEveryClockDialog(portList_->ports(), language(), std::move(host), this);
  everyClock_->setAttribute(Qt::WA_DeleteOnClose);
  everyClock_->setWindowModality(Qt::WindowModal);
  everyClock_->show();
}

std::optional<TClockConfig> TForm1::configurationToSend() {
  if (!settleRelayModeBeforeSend(*this)) return std::nullopt;
  return heldConfiguration();
}

void TForm1::lendPort(const std::vector<TPortEntry>& ports) {
  setButtonsEnabled(false);
  if (portBack_ && portBack_->isActive()) {
    // The run before has only just ended: what it lent stays lent.
    portBack_->stop();
    return;
  }
  const auto needed = [this](const TPortEntry& port) { return port.name == selected_->name; };
  portLent_ = serial_->Active() && selected_ && std::any_of(ports.begin(), ports.end(), needed);
  if (portLent_) serial_->setActive(false);
  showPortInUse();
}

void TForm1::takeBackPort() {
  // A clock whose job was stopped halfway may still be answering it. The window goes on once the
  // line has had the settle time to fall quiet; opening a port drops what came before.
  if (!portBack_) {
    portBack_ = new QTimer(this);
    portBack_->setSingleShot(true);
    connect(portBack_, &QTimer::timeout, this, &TForm1::portTakenBack);
  }
  portBack_->start(TClockTransfer::kSettleMs);
}

void TForm1::portTakenBack() {
  if (portLent_) {
    serial_->setActive(true);  // a device gone meanwhile leaves it closed, as a port choice does
    serial_->AbortRx();
    portLent_ = false;
  }
  showPorts();
  setButtonsEnabled(true);
}
