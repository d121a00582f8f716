// KELVOX setup program: configures the KELVOX radio-controlled clock over a serial port.
#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>

#include "KVX_Setup.h"
#include "Serial4.h"
#include "batch_transfer.h"
#include "captions.h"

int main(int argc, char** argv) {
  // --read and --send run without a window, so without a display.
  QCommandLineParser parser;
  addBatchTransferOptions(parser);
  const bool parsed = parser.parse(commandLineArguments(argc, argv));
  if (batchTransferRequested(parser)) {
    QCoreApplication batch(argc, argv);
    return runBatchTransfer(parser, parsed);
  }

  QApplication app(argc, argv);
  // The title; the boxes carry it as their caption themselves. (A display name would be added to
  // every window caption on some platforms, and the window's caption is "KELVOX Setup".)
  QApplication::setApplicationName(QString::fromUtf8(kApplicationTitle));
  // Serial1 reports nothing (neNone); should a box ever be asked for, it is a real one.
  TSerial::setErrorBoxPresenter(
      [](const QString& caption, const QString& text) { QMessageBox::critical(nullptr, caption, text); });

  TForm1 form;
  form.centreOnScreen();
  form.show();
  return app.exec();
}
