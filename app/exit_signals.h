#pragma once
// SIGTERM, SIGINT and SIGHUP (a logout, Ctrl+C in the terminal that started the program) would
// end the program at once, leaving the port locked and a send cut off unsaid. While an instance
// of this class lives they reach the handler instead, on the main thread, through a pipe: the
// signal handler itself only writes the signal's number.
#include <QObject>
#include <functional>

class QSocketNotifier;

class TExitSignals : public QObject {
 public:
  using Handler = std::function<void(int signal)>;
  explicit TExitSignals(Handler handler, QObject* parent = nullptr);
  ~TExitSignals() override;  // the signals' default actions come back
  TExitSignals(const TExitSignals&) = delete;
  TExitSignals& operator=(const TExitSignals&) = delete;

  // "SIGTERM", "SIGINT" or "SIGHUP".
  static const char* name(int signal);

 private:
  void received();

  Handler handler_;
  QSocketNotifier* notifier_ = nullptr;
  bool handled_ = false;  // a second signal while the first is handled changes nothing
};
