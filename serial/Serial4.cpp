#include "Serial4.h"

#include <QCoreApplication>
#include <QtGlobal>
#include <algorithm>

#include "tx_room_wait.h"

namespace {

constexpr std::int32_t kValidRates[] = {110,   300,   600,   1200,  2400,   4800,   9600,  14400,
                                        19200, 38400, 56000, 57600, 115200, 128000, 256000};

constexpr auto kCloseWait = std::chrono::milliseconds(750);
constexpr auto kIdlePoll = std::chrono::milliseconds(100);
constexpr auto kFailurePause = std::chrono::milliseconds(100);

QString componentErrorText(std::int32_t code) {
  switch (code) {
    case TSerial::kNotActive:
      return QStringLiteral("The port is not active");
    case TSerial::kTooLongForTx:
      return QStringLiteral("String too long for Tx buffer");
    case TSerial::kLineError:
      return QStringLiteral("Damaged characters received (parity, framing or overrun error)");
    default:
      return QString();
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TEventThread

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

// ---------------------------------------------------------------------------------------------
// TSerial: construction and properties

TSerial::TSerial(QObject* owner) : QObject(owner), thread_(std::make_unique<TEventThread>(*this)) {
  // A wait that blocks without watching the lines must start watching once a handler comes.
  for (auto* event : {&OnBreak, &OnRing}) event->setOnAssign([this] { waiter_.wake(); });
  OnSignalChange.setOnAssign([this] { waiter_.wake(); });
}

TSerial::~TSerial() {
  // A hand-over still waiting for the main thread is cancelled first: the main thread is here, so
  // the close would otherwise wait out its bound for it.
  thread_->requestStop();
  close();
  // The thread is woken wherever it waits and the component stays until it has ended.
  { std::lock_guard lock(stateMutex_); }
  stateChanged_.notify_all();
  waiter_.wake();
  if (thread_->isRunning() || thread_->isFinished()) {
    // The loop's own end mark orders its last look at the component before the component goes.
    std::unique_lock lock(stateMutex_);
    stateChanged_.wait(lock, [this] { return threadEnded_; });
  }
  thread_->wait();
}

std::string TSerial::deviceForPort(int port) {
  return PlatformPort::deviceBehind(PlatformPort::pathForPort(port));
}

void TSerial::setPort(int port) {
  if (port < 1 || port > kMaxPort || (port == port_ && portPath_.empty())) return;
  port_ = lastPort_ = port;
  portPath_.clear();
  reopenIfOpen();
}

void TSerial::setPortPath(const std::string& path) {
  if (path == portPath_) return;
  portPath_ = path;
  port_ = path.empty() ? lastPort_ : 0;
  reopenIfOpen();
}

void TSerial::setBaudrate(std::int32_t rate) {
  if (std::find(std::begin(kValidRates), std::end(kValidRates), rate) == std::end(kValidRates)) {
    errorBox(QStringLiteral("Baudrate is not valid"));  // whatever NotifyErrors says
    return;
  }
  if (rate == baudrate_) return;
  baudrate_ = rate;
  reopenIfOpen();
}

void TSerial::setParity(eParity parity) {
  if (parity == parity_) return;
  parity_ = parity;
  reopenIfOpen();
}

void TSerial::setDataBits(eDataBits bits) {
  if (bits == dataBits_) return;
  dataBits_ = bits;
  reopenIfOpen();
}

void TSerial::setStopBits(eStopBits bits) {
  if (bits == stopBits_) return;
  stopBits_ = bits;
  reopenIfOpen();
}

void TSerial::setRxQueueSize(std::uint16_t size) {
  rxQueueSize_ = size;
  reopenIfOpen();  // even when equal
}

void TSerial::setTxQueueSize(std::uint16_t size) {
  txQueueSize_ = size;
  reopenIfOpen();  // even when equal
}

void TSerial::setFlowMode(eFlowControl mode) {
  if (mode == flowMode_) return;
  flowMode_ = mode;
  reopenIfOpen();
}

void TSerial::setCheckParity(bool check) {
  if (check == checkParity_) return;
  checkParity_ = check;
  reopenIfOpen();
}

void TSerial::setTimeout(std::uint32_t ms) {
  if (ms == timeout_) return;
  timeout_ = ms;
  reopenIfOpen();
}

void TSerial::reopenIfOpen() {
  if (open_) open();
}

void TSerial::setActive(bool active) {
  if (active)
    open();
  else
    close();
}

// ---------------------------------------------------------------------------------------------
// Opening, settings, closing

void TSerial::open() {
  if (open_) close();
  int error = 0;
  {
    std::lock_guard lock(portMutex_);
    error = portDevice_.open(portPath_.empty() ? PlatformPort::pathForPort(port_) : portPath_);
    openFailure_ = error == 0 ? OpenFailure{} : portDevice_.openFailure(error);
    if (error == 0) {
      ++generation_;
      firstSend_.reset();
      deviceHasWireTime_ = portDevice_.hasWireTime();
      open_ = true;
      lostDevice_ = false;
    }
  }
  if (error != 0) {
    reportLastError(error);
    return;
  }
  error = portDevice_.setQueueSizes(rxQueueSize_, txQueueSize_);
  if (error != 0) reportLastError(error);
  applySettings();
  SetModemLine(mlDTR, true);
  SetModemLine(mlRTS, true);
  // The watched events are fixed: received data, output empty, CTS, DSR, carrier, break, ring.
  if (!thread_->isRunning()) {
    thread_->start();
  } else {
    { std::lock_guard lock(stateMutex_); }
    stateChanged_.notify_all();
  }
}

void TSerial::applySettings() {
  TLineSettings s = lineSettings_;
  s.baudRate = static_cast<std::uint32_t>(baudrate_);
  s.flags = TLineSettings::kBinary;
  if (checkParity_) s.flags |= TLineSettings::kParityCheck;
  switch (flowMode_) {
    case fcNone:
      break;
    case fcRTS_CTS:
      s.flags |= TLineSettings::kOutCtsFlow | TLineSettings::kRtsHandshake;
      break;
    case fcDTR_DSR:
      s.flags |= TLineSettings::kOutDsrFlow | TLineSettings::kDtrHandshake;
      break;
    case fcXON_XOF:
      s.flags |= TLineSettings::kOutXonXoff | TLineSettings::kInXonXoff;
      break;
  }
  s.xonLimit = s.xoffLimit = static_cast<std::uint16_t>(rxQueueSize_ / 3);
  s.byteSize = dataBits_ == d7bit ? 7 : 8;
  s.parity = static_cast<std::uint8_t>(parity_);  // the enumeration follows the parity codes
  s.stopBits = stopBits_ == st1bit ? TLineSettings::kOneStopBit : TLineSettings::kTwoStopBits;
  s.xonChar = 0x11;
  s.xoffChar = 0x13;
  s.errorChar = '?';
  s.eofChar = 0;
  s.eventChar = 0;
  lineSettings_ = s;
  if (!open_) return;
  // The time-outs go with the settings: the platform layer makes every read return at once with
  // what has arrived, and sendBytes bounds every write by Timeout.
  if (const int error = portDevice_.apply(s)) reportLastError(error);
}

void TSerial::closeLostPort(int code, std::uint64_t generation) {
  if (!stillOpen(generation)) return;  // closed, or opened again, meanwhile
  reportLastError(code);
  if (!stillOpen(generation)) return;  // the report's handler did it
  closePort(false);  // the receive thread waits for this very call: no wait for it to go idle
  lostDevice_ = true;
}

void TSerial::close() { closePort(true); }

void TSerial::closePort(bool waitForThread) {
  if (!open_) return;
  // Nothing to abort (writes finish inside SendString), and the queues are never flushed: that
  // would throw away replies the clock has already sent.
  SetModemLine(mlDTR, false);
  SetModemLine(mlRTS, false);
  open_ = false;
  waiter_.wake();  // ends the receive thread's wait
  int error = 0;
  {
    std::lock_guard lock(portMutex_);
    error = portDevice_.close();
  }
  if (error != 0) reportLastError(error);
  if (waitForThread) waitForThreadIdle();
}

void TSerial::waitForThreadIdle() {
  // Bounded: closing from inside a handler, the thread waits for that very handler.
  std::unique_lock lock(stateMutex_);
  stateChanged_.wait_for(lock, kCloseWait, [this] { return !threadBusy_; });
}

TSerial::WaitTicket TSerial::beginWait() {
  std::lock_guard lock(portMutex_);
  const bool open = open_;
  setThreadBusy(open);
  if (!open) return {};
  return {true, portDevice_.fd(), generation_};
}

bool TSerial::stillOpen(std::uint64_t generation) {
  std::lock_guard lock(portMutex_);
  return open_ && generation_ == generation;
}

void TSerial::setThreadBusy(bool busy) {
  {
    std::lock_guard lock(stateMutex_);
    threadBusy_ = busy;
  }
  stateChanged_.notify_all();
}

void TSerial::threadEnded() {
  std::lock_guard lock(stateMutex_);
  threadBusy_ = false;
  threadEnded_ = true;
  stateChanged_.notify_all();
}

void TSerial::idleWhileClosed() {
  std::unique_lock lock(stateMutex_);
  stateChanged_.wait_for(lock, kIdlePoll, [this] { return open_ || thread_->stopRequested(); });
}

// ---------------------------------------------------------------------------------------------
// Queue status and data

std::int32_t TSerial::RxWaiting() {
  if (!open_) return 0;
  queueStatus();
  return inputCount_;
}

std::int32_t TSerial::TxWaiting() {
  if (!open_) return 0;
  queueStatus();
  return outputCount_;
}

void TSerial::queueStatus() {
  std::int32_t in = 0;
  std::int32_t out = 0;
  int error = portDevice_.inputCount(in);
  if (error == 0) error = portDevice_.outputCount(out);
  if (error != 0) {
    reportLastError(error);  // the previous counts stay
    return;
  }
  inputCount_ = in;
  outputCount_ = out;
}

bool TSerial::waitForTxRoom(std::size_t needed, bool whole) {
  // The window stays responsive while the output queue has no room; a handler may close the port.
  const auto noRoom = [&] {
    const std::int32_t queued = TxWaiting();
    return whole ? queued >= txQueueSize_ : txQueueSize_ - queued < static_cast<std::int64_t>(needed);
  };
  if (waitForRoomWhileHandlingEvents(noRoom, [this] { return open_.load(); })) return true;
  reportError(kNotActive);
  return false;
}

bool TSerial::sendBytes(const char* data, std::size_t size) {
  {
    // What has come before this write: taken by the receive thread, or waiting for it.
    std::lock_guard lock(portMutex_);
    std::int32_t waiting = 0;
    portDevice_.inputCount(waiting);  // on failure the bytes taken still count
    lastSend_ = {bytesTaken_ + static_cast<std::uint64_t>(std::max(waiting, 0)),
                 std::chrono::steady_clock::now(), timeOnWire(size)};
    if (!firstSend_) firstSend_ = lastSend_;
  }
  // Each write waits at most Timeout ms; bytes the driver has taken count as complete.
  const int error = portDevice_.write(data, size, std::chrono::milliseconds(timeout_));
  waiter_.noteWrite();
  if (error == 0) return true;
  reportLastError(error);
  return false;
}

bool TSerial::SendString(const std::string& s) {
  if (!open_) {
    reportError(kNotActive);
    return false;
  }
  if (waitOnTxFull_) {
    // Such a string never finds room: waiting for it would never end.
    if (s.size() > txQueueSize_) {
      reportError(kTooLongForTx);
      return false;
    }
    if (!waitForTxRoom(s.size(), false)) return false;
  }
  return s.empty() || sendBytes(s.data(), s.size());
}

bool TSerial::SendChar(char c) {
  if (!open_) {
    reportError(kNotActive);
    return false;
  }
  if (waitOnTxFull_ && !waitForTxRoom(1, true)) return false;
  return sendBytes(&c, 1);
}

bool TSerial::before(const SendMark& send) const {
  if (deliveredEnd_ <= send.bytesBefore) return true;
  // No reply can come back before the bytes it answers have left on the line.
  const bool wireTimeCounts = wireTimeCounts_.value_or(deviceHasWireTime_);
  return wireTimeCounts && deliveredAt_ < send.began + send.onWire;
}

std::chrono::nanoseconds TSerial::timeOnWire(std::size_t bytes) const {
  // A start bit, the data bits, the parity bit if any, and the stop bits, for every byte.
  const int bits =
      1 + (dataBits_ == d7bit ? 7 : 8) + (parity_ == paNone ? 0 : 1) + (stopBits_ == st1bit ? 1 : 2);
  return std::chrono::nanoseconds(static_cast<std::int64_t>(bytes) * bits * 1'000'000'000LL / baudrate_);
}

int TSerial::ReadChar(char& c) {
  bool damaged = false;
  std::uint64_t index = 0;
  return takeChar(c, damaged, index);
}

int TSerial::takeChar(char& c, bool& damaged, std::uint64_t& index) {
  int count = 0;
  int error = 0;
  bool open = false;
  {
    std::lock_guard lock(portMutex_);
    open = open_ && portDevice_.isOpen();
    if (open) count = portDevice_.readByte(c, error);
    if (count > 0) {
      damaged = portDevice_.lastByteDamaged();
      index = ++bytesTaken_;
    }
  }
  if (count > 0) waiter_.noteRead(count);
  if (!open) {
    // A read that the close overtook. Unless it is to be reported, it needs no hand-over: the
    // main thread may be inside that very close, waiting for this thread to go idle.
    if (notifyErrors_ != neNone) reportFromAnyThread([this] { reportError(kNotActive); });
  } else if (error != 0) {
    reportFromAnyThread([this, error] { reportLastError(error); });
  }
  return count;
}

void TSerial::PurgeTx() {
  if (!open_) return reportError(kNotActive);
  if (const int error = portDevice_.discardOutput()) reportLastError(error);
}

void TSerial::AbortTx() {
  // Writes finish inside SendString, so nothing is outstanding; queued bytes are kept.
  if (!open_) reportError(kNotActive);
}

std::optional<char> TSerial::MessageSecondStartChar() const {
  const int c = messageSecondStartChar_;
  return c < 0 ? std::nullopt : std::optional<char>(static_cast<char>(c));
}

void TSerial::AbortRx() {
  // Reads never wait, so nothing is outstanding. Received bytes are kept, as the platform's abort
  // keeps them: they may be a reply the clock has already sent (an error reply, a second answer),
  // and throwing them away would hide it from the caller.
  if (!open_) reportError(kNotActive);
}

void TSerial::SetModemLine(eModemLine line, bool on) {
  if (!open_) {
    reportError(kNotActive);
    return;
  }
  portDevice_.setOutputLine(line == mlRTS ? PlatformPort::OutputLine::Rts : PlatformPort::OutputLine::Dtr,
                            on);
}

// ---------------------------------------------------------------------------------------------
// Error reports

void TSerial::reportFromAnyThread(std::function<void()> report) {
  if (QThread::currentThread() == thread())
    report();
  else
    thread_->runOnMainThread(std::move(report));  // only the receive thread gets here
}

void TSerial::reportLastError(int code) {
  // The platform layers never give an operation still pending as a failure: it is not one.
  errorCode_ = code;
  switch (notifyErrors_) {
    case neDialog:
      errorBox(QString::fromLocal8Bit(platformErrorText(code).c_str()));
      break;
    case neEvent:
      if (auto handler = OnError.handler()) handler(this);
      break;
    case neNone:
      break;
  }
}

void TSerial::reportError(std::int32_t code) {
  switch (notifyErrors_) {
    case neDialog:
      errorBox(componentErrorText(code));
      break;
    case neEvent:
      if (auto handler = OnError.handler()) {
        errorCode_ = code;
        handler(this);
      }
      break;
    case neNone:
      break;
  }
}

void TSerial::errorBox(const QString& text) {
  // The component knows no widgets: its error box ("Error" and the text) goes to the log. Every
  // port of the program reports nothing (neNone) and sets valid rates only.
  qWarning("Error: %s", qPrintable(text));
}
