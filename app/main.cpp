// KELVOX setup program: configures the KELVOX radio-controlled clock over a serial port.
#include <QApplication>
#include <QMessageBox>

#include "KVX_Setup.h"
#include "Serial4.h"
#include "captions.h"
#include "exit_signals.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);  // the program reads no command-line arguments of its own
  // The title; the boxes carry it as their caption themselves. (A display name would be added to
  // every window caption on some platforms, and the window's caption is "KELVOX Setup".)
  QApplication::setApplicationName(QString::fromUtf8(kApplicationTitle));
  // Serial1 reports nothing (neNone); should a box ever be asked for, it is a real one.
  TSerial::setErrorBoxPresenter(
      [](const QString& caption, const QString& text) { QMessageBox::critical(nullptr, caption, text); });

  TForm1 form;
  const TExitSignals exitSignals([&form](int signal) { form.endBySignal(signal); });
  form.centreOnScreen();
  form.show();
  return app.exec();
}
