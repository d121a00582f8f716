#include "port_buttons.h"

#include <QRadioButton>
#include <QTimer>
#include <cstdio>

#include "Serial4.h"
#include "device_events.h"

namespace {

// A device event comes as the device appears; its port is looked at a moment later, when the
// serial component has also seen a device of its own go.
constexpr int kDeviceSettleMs = 100;

}  // namespace

TPortButtons::TPortButtons(const Buttons& buttons, TSerial& serial) : buttons_(buttons), serial_(serial) {}

TPortButtons::~TPortButtons() = default;

void TPortButtons::show(bool reportFailures) {
  // Each button's tool tip names the device behind it, and a port that did not open says why
  // there (and at start on standard error): greyed buttons alone leave the user guessing.
  constexpr int kScannedPorts = TPortChooser::kScannedPorts;
  for (int port = 1; port <= TPortChooser::kPortCount; ++port) {
    QString tip =
        QStringLiteral("COM%1 (%2)").arg(port).arg(QString::fromStdString(TSerial::deviceForPort(port)));
    const bool inUse = serial_.Active() && serial_.Port() == port;
    if (port > kScannedPorts) {
      tip += QStringLiteral(": not tried; the clock is looked for on COM1 to COM%1").arg(kScannedPorts);
    } else if (!inUse && !chooser_.opened(port)) {
      tip += QStringLiteral(": ") + QString::fromStdString(chooser_.failure(port));
      if (reportFailures) std::fprintf(stderr, "%s\n", qPrintable(tip));
    }
    if (port <= kScannedPorts) buttons_[port - 1]->setEnabled(inUse || chooser_.opened(port));
    buttons_[port - 1]->setToolTip(tip);
  }
}

void TPortButtons::tryOthers() {
  // The port in use stays as it is; the others are opened for a moment on a port of their own.
  TSerial probe;
  probe.setNotifyErrors(neNone);
  for (int port = 1; port <= TPortChooser::kScannedPorts; ++port)
    if (!serial_.Active() || serial_.Port() != port) chooser_.probe(probe, port);
  probe.setActive(false);
  show(false);
}

void TPortButtons::setDeviceEvents(std::unique_ptr<TDeviceEvents> events, QObject* context) {
  deviceEvents_ = std::move(events);
  deviceEvents_->setHandler([this, context](TDeviceEvents::Change, const std::string&) {
    QTimer::singleShot(kDeviceSettleMs, context, [this] { tryOthers(); });
  });
}
