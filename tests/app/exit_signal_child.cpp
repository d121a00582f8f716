// The program as its entry runs it, except that it asks the clock at once and starts a send as
// soon as the start-up read has ended, so that a test can signal it in the middle of the send.
// Run in a folder whose COM1 is the clock; lock files go into that folder.
// With --held-up it only catches the signals and never turns its event loop again, as while an
// open blocks.
#include <QApplication>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string_view>

#include "KVX_Setup.h"
#include "exit_signals.h"
#include "port_list.h"
#include "posix_port.h"
#include "working_folder.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc > 1 && std::string_view(argv[1]) == "--held-up") {
    const TExitSignals exitSignals([](int) {});
    std::puts("held up");
    std::fflush(stdout);
    for (;;) QThread::sleep(1);
  }
  PosixPort::setLockFolder(".");
  // Its start folder, as the program's main takes it, with the COMn links alone for ports.
  const TWorkingFolder folder(std::filesystem::current_path());
  TForm1 form(folder, std::make_unique<TSystemPortList>(folder, TPortScope::FolderLinksOnly));
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
