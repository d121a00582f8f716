#include "win32_event_waiter.h"

#include <windows.h>

// A completed wait's mask is taken as it is: the event bits are Windows' own.
static_assert(PortEvents::kRxChar == EV_RXCHAR && PortEvents::kTxEmpty == EV_TXEMPTY &&
              PortEvents::kCts == EV_CTS && PortEvents::kDsr == EV_DSR && PortEvents::kRlsd == EV_RLSD &&
              PortEvents::kBreak == EV_BREAK && PortEvents::kRing == EV_RING);

namespace {
// Wine reports a received character again while unread bytes are queued; such a repeat is
// answered by looking again after this pause instead of at once.
constexpr DWORD kRepeatPauseMs = 20;
}  // namespace

Win32EventWaiter::Win32EventWaiter()
    : woken_(CreateEventA(nullptr, FALSE, FALSE, nullptr)),
      waitDone_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

Win32EventWaiter::~Win32EventWaiter() {
  CloseHandle(woken_);
  CloseHandle(waitDone_);
}

void Win32EventWaiter::wake() {
  std::lock_guard lock(mutex_);
  if (pending_ != nullptr) {
    // Clearing the mask ends the pending wait (so does closing the handle; cancelling it
    // does not under Wine).
    SetCommMask(pending_, 0);
    maskCleared_ = true;
  }
  SetEvent(woken_);
}

bool Win32EventWaiter::takeWake() { return WaitForSingleObject(woken_, 0) == WAIT_OBJECT_0; }

PortEvents Win32EventWaiter::wait(HANDLE port, std::uint64_t generation, bool /*watchLines*/) {
  if (generation != generation_) {
    generation_ = generation;
    seenInput_.forget();
    std::lock_guard lock(mutex_);
    maskCleared_ = false;  // a new port has its mask from the open
  }
  for (;;) {
    PortEvents result;
    DWORD mask = 0;
    OVERLAPPED op{};
    op.hEvent = waitDone_;
    ResetEvent(waitDone_);
    bool pending = false;
    {
      std::lock_guard lock(mutex_);
      if (takeWake()) return result;
      if (maskCleared_) {
        if (!SetCommMask(port, kWatchedCommEvents)) {
          result.error = static_cast<int>(GetLastError());
          return result;
        }
        maskCleared_ = false;
      }
      if (!WaitCommEvent(port, &mask, &op)) {
        if (GetLastError() != ERROR_IO_PENDING) {
          result.error = static_cast<int>(GetLastError());
          return result;
        }
        pending = true;
        pending_ = port;
      }
    }
    if (pending) {
      HANDLE handles[] = {waitDone_, woken_};
      const DWORD which = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
      // Woken: the waker has ended the wait (or the handle is being closed); the record must
      // not go before the wait has ended.
      if (which != WAIT_OBJECT_0) {
        CancelIoEx(port, &op);  // ends it on Windows too if the mask could not be cleared
        WaitForSingleObject(waitDone_, INFINITE);
      }
      {
        std::lock_guard lock(mutex_);
        pending_ = nullptr;
      }
      if (which != WAIT_OBJECT_0 || takeWake()) return result;
      DWORD unused = 0;
      if (!GetOverlappedResult(port, &op, &unused, FALSE)) {
        result.error = static_cast<int>(GetLastError());
        return result;
      }
    }
    // A mask changed by someone else ends the wait with no events: nothing to report.
    if (mask == 0) return result;
    result = eventsOf(port, mask);
    if (result.events != 0 || result.error != 0) return result;
    // A repeat for bytes already read: with the queue empty the next wait blocks by itself.
    if (!seenInput_.unread()) continue;
    if (WaitForSingleObject(woken_, kRepeatPauseMs) == WAIT_OBJECT_0) return result;
  }
}

PortEvents Win32EventWaiter::eventsOf(Win32Handle port, std::uint32_t mask) {
  PortEvents result;
  result.events = mask & kWatchedCommEvents;
  if (mask & (EV_CTS | EV_DSR | EV_RLSD)) {
    DWORD status = 0;
    if (GetCommModemStatus(port, &status)) {
      result.cts = status & MS_CTS_ON;
      result.dsr = status & MS_DSR_ON;
      result.rlsd = status & MS_RLSD_ON;
    }
  }
  if (mask & EV_RXCHAR) {
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(port, &errors, &status)) {
      result.error = static_cast<int>(GetLastError());
      return result;
    }
    const auto queued = static_cast<std::int32_t>(status.cbInQue);
    if (!seenInput_.arrived(queued)) result.events &= ~static_cast<std::uint32_t>(EV_RXCHAR);
  }
  return result;
}

void Win32EventWaiter::pause(std::chrono::milliseconds duration) {
  WaitForSingleObject(woken_, static_cast<DWORD>(duration.count()));
}
