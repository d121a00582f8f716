// Ctrl+C, Ctrl+Break and the closing of the console reach a console handler, which the system
// calls on a thread of its own; the handler passes them to the main thread as queued calls. They
// are told as the C signals a POSIX system would send: SIGINT, SIGBREAK and SIGTERM. A process
// started with Ctrl+C ignored (a new process group, `start /b`) keeps it ignored: the system then
// calls no handler for Ctrl+C, and the ignoring is never switched off here.
#include <windows.h>

#include <QMetaObject>
#include <csignal>
#include <mutex>

#include "exit_signals.h"

class TExitSignals::Watch {
 public:
  explicit Watch(TExitSignals& owner) {
    const std::lock_guard lock(mutex_);
    owner_ = &owner;
    SetConsoleCtrlHandler(&Watch::onConsoleEvent, TRUE);
  }

  ~Watch() {
    SetConsoleCtrlHandler(&Watch::onConsoleEvent, FALSE);
    const std::lock_guard lock(mutex_);
    owner_ = nullptr;  // a call queued for a destroyed owner is dropped by Qt
  }

  Watch(const Watch&) = delete;
  Watch& operator=(const Watch&) = delete;

 private:
  static int signalFor(DWORD event) {
    switch (event) {
      case CTRL_C_EVENT:
        return SIGINT;
      case CTRL_BREAK_EVENT:
        return SIGBREAK;
      default:  // the console closes, the user logs off, the system shuts down
        return SIGTERM;
    }
  }

  static BOOL WINAPI onConsoleEvent(DWORD event) {
    {
      const std::lock_guard lock(mutex_);
      if (!owner_) return FALSE;  // the next handler: the system's, which ends the process
      TExitSignals* owner = owner_;
      const int signal = signalFor(event);
      QMetaObject::invokeMethod(
          owner, [owner, signal] { owner->deliver(signal); }, Qt::QueuedConnection);
    }
    // Ctrl+C and Ctrl+Break are handled once this returns; for the other events the system ends
    // the process as soon as the handler returns. Waiting here gives the orderly close the few
    // seconds the system allows: the process ends when main returns.
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) Sleep(INFINITE);
    return TRUE;
  }

  static inline std::mutex mutex_;
  static inline TExitSignals* owner_ = nullptr;
};

TExitSignals::TExitSignals(Handler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)), watch_(std::make_unique<Watch>(*this)) {}

TExitSignals::~TExitSignals() = default;

const char* TExitSignals::name(int signal) {
  switch (signal) {
    case SIGINT:
      return "Ctrl+C";
    case SIGBREAK:
      return "Ctrl+Break";
    case SIGTERM:
      return "Closing the console";
    default:
      return "a signal";
  }
}
