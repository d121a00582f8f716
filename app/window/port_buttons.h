#pragma once
// The buttons COM1..COM9 as the ports are: a button is usable where its port opened when last
// tried, or is the port in use; its tool tip names the device behind it and, for a port that did
// not open, why. When a device is plugged in or pulled out, the ports not in use are tried again.
// Which button is checked stays the window's business.
#include <array>
#include <memory>

#include "port_chooser.h"

class QObject;
class QRadioButton;
class TDeviceEvents;
class TSerial;

class TPortButtons {
 public:
  using Buttons = std::array<QRadioButton*, TPortChooser::kPortCount>;

  // `serial` is the window's port, the one in use.
  TPortButtons(const Buttons& buttons, TSerial& serial);
  ~TPortButtons();

  // Tries COM1..COM4 on the window's port, as the chooser does; the last one that opened stays open.
  void scan() { chooser_.scan(serial_); }
  // Tries again the ports not in use, on a port of their own, and shows what was found.
  void tryOthers();
  // Shows on the buttons what the ports did when last tried; with `reportFailures` every port that
  // did not open is also named on standard error.
  void show(bool reportFailures);
  // The machine's device events; each change is looked at a moment later, within `context`.
  void setDeviceEvents(std::unique_ptr<TDeviceEvents> events, QObject* context);

  const TPortChooser& chooser() const { return chooser_; }

 private:
  const Buttons& buttons_;
  TSerial& serial_;
  TPortChooser chooser_;
  std::unique_ptr<TDeviceEvents> deviceEvents_;
};
