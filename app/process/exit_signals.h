#pragma once
// A request from outside to end the program would end it at once, leaving the port locked and a
// send cut off unsaid: SIGTERM, SIGINT and SIGHUP (a logout, Ctrl+C in the terminal that started
// the program) on POSIX systems; Ctrl+C, Ctrl+Break and the closing of the console on Windows.
// While an instance of this class lives they reach the handler instead, on the main thread, once.
// (On POSIX systems a second signal before the main thread took the first ends the program at
// once: it is held up somewhere that the orderly end cannot reach.)
// How they are caught is the platform's: platform/<system>/exit_signals_<system>.cpp.
#include <QObject>
#include <functional>
#include <memory>

class TExitSignals : public QObject {
 public:
  // The signal's number as the exit status tells it (128 + number): SIGINT for Ctrl+C everywhere.
  using Handler = std::function<void(int signal)>;
  explicit TExitSignals(Handler handler, QObject* parent = nullptr);
  ~TExitSignals() override;  // the default actions come back
  TExitSignals(const TExitSignals&) = delete;
  TExitSignals& operator=(const TExitSignals&) = delete;

  // What the user did or the system sent, for a message: "SIGTERM", "Ctrl+C", ...
  static const char* name(int signal);

 private:
  class Watch;  // the platform's catching of the signals

  // On the main thread. A second signal while the first is handled changes nothing.
  void deliver(int signal) {
    if (handled_) return;
    handled_ = true;
    handler_(signal);
  }

  Handler handler_;
  bool handled_ = false;
  std::unique_ptr<Watch> watch_;
};
