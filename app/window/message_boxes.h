#pragma once
// The window's modal boxes: the plain box with one "OK" button and the Yes/No/Cancel question
// asked before a send. Tests put a recording stand-in in place of the real boxes.
#include <QString>

#include "transfer.h"

class TMessageBoxes {
 public:
  virtual ~TMessageBoxes() = default;
  // Caption "KELVOX setup program", no icon, one "OK", centred on the screen; returns when closed.
  virtual void showPlain(const QString& text) = 0;
  // Yes, No and Cancel at screen position (200, 200); Escape or closing the box is Cancel.
  virtual RelayAnswer askRelay(const QString& text) = 0;
};

// The real, modal QMessageBox boxes.
class TQtMessageBoxes : public TMessageBoxes {
 public:
  void showPlain(const QString& text) override;
  RelayAnswer askRelay(const QString& text) override;
};
