#include "Serial4.h"

#include <QCoreApplication>
#include <QtGlobal>
#include <algorithm>

namespace {

constexpr std::int32_t kValidRates[] = {110,   300,   600,   1200,  2400,   4800,   9600,  14400,
                                        19200, 38400, 56000, 57600, 115200, 128000, 256000};

constexpr auto kCloseWait = std::chrono::milliseconds(750);
constexpr auto kIdlePoll = std::chrono::milliseconds(100);

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

std::string TSerial::pathForPort(int port, const std::filesystem::path& folder) {
  return PlatformPort::pathForPort(port, folder);
}

void TSerial::setPortFolder(const std::filesystem::path& folder) {
  if (folder == portFolder_) return;
  portFolder_ = folder;
  if (portPath_.empty()) reopenIfOpen();
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

// It bounds each write as it starts: no setting of the line, so an open port stays open.
void TSerial::setTimeout(std::uint32_t ms) { timeout_ = ms; }

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
    error = portDevice_.open(portPath_.empty() ? PlatformPort::pathForPort(port_, portFolder_) : portPath_);
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
  if (auto handler = OnDeviceLost.handler()) handler(this);
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
