#include "exit_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
int pipeEnds[2] = {-1, -1};

extern "C" void onSignal(int signal) {
  const int savedErrno = errno;
  const unsigned char number = static_cast<unsigned char>(signal);
  [[maybe_unused]] const ssize_t n = ::write(pipeEnds[1], &number, 1);
  errno = savedErrno;
}

}  // namespace

TExitSignals::TExitSignals(Handler handler, QObject* parent) : QObject(parent), handler_(std::move(handler)) {
  if (pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) return;  // then the signals keep their default
  notifier_ = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &TExitSignals::received);
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : kSignals) sigaction(signal, &action, nullptr);
}

TExitSignals::~TExitSignals() {
  if (!notifier_) return;
  for (int signal : kSignals) std::signal(signal, SIG_DFL);
  delete notifier_;
  for (int& end : pipeEnds) {
    ::close(end);
    end = -1;
  }
}

const char* TExitSignals::name(int signal) {
  switch (signal) {
    case SIGTERM:
      return "SIGTERM";
    case SIGINT:
      return "SIGINT";
    case SIGHUP:
      return "SIGHUP";
    default:
      return "a signal";
  }
}

void TExitSignals::received() {
  unsigned char number = 0;
  while (::read(pipeEnds[0], &number, 1) == 1) {
    if (handled_) continue;
    handled_ = true;
    handler_(number);
  }
}
