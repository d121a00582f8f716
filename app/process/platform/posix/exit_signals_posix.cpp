// SIGTERM, SIGINT and SIGHUP reach the main thread through a pipe: the signal handler itself only
// writes the signal's number, the one thing it may safely do. A signal the program was started
// with ignored stays ignored: nohup ignores SIGHUP, and a shell ignores SIGINT for `cmd &`, so
// that the program outlives the terminal or a Ctrl+C meant for the foreground.
#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <iterator>

#include "exit_signals.h"

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
int pipeEnds[2] = {-1, -1};
volatile sig_atomic_t undelivered = 0;  // a signal is in the pipe, not yet taken by the main thread

extern "C" void onSignal(int signal) {
  // A second signal while the first still waits: the main thread is held up outside its event
  // loop (an open that blocks), and the user asks again. The default action ends the program.
  if (undelivered != 0) {
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    return;
  }
  undelivered = 1;
  const int savedErrno = errno;
  const unsigned char number = static_cast<unsigned char>(signal);
  [[maybe_unused]] const ssize_t n = ::write(pipeEnds[1], &number, 1);
  errno = savedErrno;
}

}  // namespace

class TExitSignals::Watch {
 public:
  explicit Watch(TExitSignals& owner) {
    if (pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) return;  // then the signals keep their default
    undelivered = 0;
    notifier_ = std::make_unique<QSocketNotifier>(pipeEnds[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, &owner, [&owner] {
      unsigned char number = 0;
      while (::read(pipeEnds[0], &number, 1) == 1) {
        undelivered = 0;
        owner.deliver(number);
      }
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
      sigaction(kSignals[i], nullptr, &previous_[i]);
      if (previous_[i].sa_handler != SIG_IGN) sigaction(kSignals[i], &action, nullptr);
    }
  }

  ~Watch() {
    if (!notifier_) return;
    for (std::size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &previous_[i], nullptr);
    notifier_.reset();
    for (int& end : pipeEnds) {
      ::close(end);
      end = -1;
    }
  }

  Watch(const Watch&) = delete;
  Watch& operator=(const Watch&) = delete;

 private:
  std::unique_ptr<QSocketNotifier> notifier_;
  struct sigaction previous_[std::size(kSignals)] {};
};

TExitSignals::TExitSignals(Handler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)), watch_(std::make_unique<Watch>(*this)) {}

TExitSignals::~TExitSignals() = default;

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
