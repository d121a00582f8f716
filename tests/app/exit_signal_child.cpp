// The program as its entry runs it, except that it asks the clock at once and starts a send as
// soon as the start-up read has ended, so that a test can signal it in the middle of the send.
// Run in a folder whose COM1 is the clock; lock files go into that folder.
#include <QApplication>
#include <QTimer>

#include "KVX_Setup.h"
#include "exit_signals.h"
#include "posix_port.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  PosixPort::setLockFolder(".");
  TForm1 form;
  const TExitSignals exitSignals([&form](int signal) { form.endBySignal(signal); });
  form.show();
  form.timeoutTimer().stop();
  form.TimeoutTimer();  // the start-up step without its two seconds
  bool sending = false;
  QTimer watch;
  watch.callOnTimeout([&] {
    if (sending || !form.transfer().idle()) return;
    sending = true;
    form.SendToClockClick();
  });
  watch.start(10);
  return app.exec();
}
