// The receive thread of the serial component: its wait for port events, its hand-over to the main
// thread, and the framing of what it reads into messages (see Serial4.h, principles of operation).
#include <QCoreApplication>

#include "Serial4.h"

namespace {

constexpr auto kFailurePause = std::chrono::milliseconds(100);

}  // namespace

struct TEventThread::PendingCall {
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
  bool cancelled = false;
};

TEventThread::TEventThread(TSerial& owner) : owner_(owner) {}

bool TEventThread::runOnMainThread(std::function<void()> fn) {
  auto call = std::make_shared<PendingCall>();
  {
    std::lock_guard lock(callMutex_);
    if (stop_) return false;
    pending_ = call;
  }
  // The component is the context: when it is destroyed, Qt drops a call still queued. After fn
  // the procedure touches only the shared call record, as fn may have destroyed the component.
  QMetaObject::invokeMethod(
      &owner_,
      [call, fn = std::move(fn)] {
        {
          std::lock_guard lock(call->mutex);
          if (call->cancelled) return;
        }
        fn();
        {
          std::lock_guard lock(call->mutex);
          call->done = true;
        }
        call->finished.notify_all();
      },
      Qt::QueuedConnection);
  bool done = false;
  {
    std::unique_lock lock(call->mutex);
    call->finished.wait(lock, [&] { return call->done || call->cancelled; });
    done = call->done;
  }
  std::lock_guard lock(callMutex_);
  pending_.reset();
  return done;
}

void TEventThread::requestStop() {
  std::shared_ptr<PendingCall> call;
  {
    std::lock_guard lock(callMutex_);
    stop_ = true;
    call = pending_;
  }
  if (!call) return;
  {
    std::lock_guard lock(call->mutex);
    call->cancelled = true;
  }
  call->finished.notify_all();
}

void TEventThread::run() {
  while (!stop_) {
    const TSerial::WaitTicket ticket = owner_.beginWait();
    if (!ticket.open) {
      owner_.idleWhileClosed();
      continue;
    }
    // Where the system cannot wait for modem lines, breaks and ring, watching them costs a wake-up
    // every few milliseconds: they are watched only while a handler wants them.
    const bool watchLines =
        owner_.OnSignalChange.assigned() || owner_.OnBreak.assigned() || owner_.OnRing.assigned();
    const PortEvents result = owner_.waiter_.wait(ticket.handle, ticket.generation, watchLines);
    // A wait ended by the close (or by a close and reopen) dispatches nothing.
    if (stop_ || !owner_.stillOpen(ticket.generation)) continue;
    if (result.error != 0) {
      // A device that has gone away fails every wait. The main thread reports it once and closes
      // the dead handle, so that the device can be opened again when it is back.
      const int code = result.error;
      const std::uint64_t generation = ticket.generation;
      if (!runOnMainThread([serial = &owner_, code, generation] { serial->closeLostPort(code, generation); }))
        continue;
      // Should a handler of the report have kept it open, the failures at least do not spin.
      if (owner_.stillOpen(generation)) owner_.waiter_.pause(kFailurePause);
      continue;
    }
    dispatch(result.events, result);
  }
  owner_.threadEnded();
}

template <class Event, class... Args>
void TEventThread::raise(Event TSerial::*event, Args... args) {
  if (!(owner_.*event).assigned()) return;
  // The handler runs on the main thread with the component as sender. It is copied before the
  // call: a handler may destroy the component.
  runOnMainThread([serial = &owner_, event, args...] {
    if (auto handler = (serial->*event).handler()) handler(serial, args...);
  });
}

void TEventThread::dispatch(std::uint32_t events, const PortEvents& details) {
  if (events & PortEvents::kCts) raise(&TSerial::OnSignalChange, miCTS, details.cts);
  if (events & PortEvents::kDsr) raise(&TSerial::OnSignalChange, miDSR, details.dsr);
  if (events & PortEvents::kRlsd) raise(&TSerial::OnSignalChange, miRLSD, details.rlsd);
  if (events & PortEvents::kTxEmpty) raise(&TSerial::OnTxEmpty);
  if (events & PortEvents::kBreak) raise(&TSerial::OnBreak);
  if (events & PortEvents::kRing) raise(&TSerial::OnRing);
  if (!(events & PortEvents::kRxChar) || stop_) return;
  if (owner_.rxEventMode_ == rxNormal) {
    raise(&TSerial::OnRxData);  // the handler reads the bytes itself
  } else {
    readMessages();
  }
}

void TEventThread::readMessages() {
  // Without a handler nothing is read: the bytes stay in the input queue.
  if (!owner_.OnMessage.assigned()) return;
  char byte = 0;
  bool damaged = false;
  std::uint64_t index = 0;
  while (!stop_ && owner_.takeChar(byte, damaged, index) == 1) {
    // Damage between messages may have taken a start character: the next message carries it.
    owner_.damageSinceMessage_ = owner_.damageSinceMessage_ || damaged;
    if (!owner_.framer_.feed(byte, owner_.messageStartChar_, owner_.messageEndChar_,
                             owner_.messageAppendCount_, owner_.MessageSecondStartChar()))
      continue;
    const bool messageDamaged = owner_.damageSinceMessage_;
    owner_.damageSinceMessage_ = false;
    if (messageDamaged && owner_.notifyErrors_ != neNone)
      owner_.reportFromAnyThread([serial = &owner_] { serial->reportError(TSerial::kLineError); });
    owner_.deliveredEnd_ = index;
    owner_.deliveredAt_ = std::chrono::steady_clock::now();
    owner_.deliveredDamaged_ = messageDamaged;
    raise(&TSerial::OnMessage, owner_.framer_.message());
  }
}
