#include "win32_port.h"

#include <algorithm>

#include "win32_dcb.h"

namespace {

// A read of a byte that is there completes within this.
constexpr DWORD kReadWaitMs = 100;

}  // namespace

// The block the line-settings record was designed as; its length field is set here alone.
static_assert(sizeof(DCB) == 28);

DCB dcbFromLineSettings(const TLineSettings& s) {
  DCB d{};
  d.DCBlength = sizeof(DCB);
  d.BaudRate = s.baudRate;
  d.fBinary = (s.flags & TLineSettings::kBinary) != 0;
  d.fParity = (s.flags & TLineSettings::kParityCheck) != 0;
  d.fOutxCtsFlow = (s.flags & TLineSettings::kOutCtsFlow) != 0;
  d.fOutxDsrFlow = (s.flags & TLineSettings::kOutDsrFlow) != 0;
  d.fDtrControl = (s.flags & TLineSettings::kDtrHandshake) ? DTR_CONTROL_HANDSHAKE : DTR_CONTROL_DISABLE;
  d.fOutX = (s.flags & TLineSettings::kOutXonXoff) != 0;
  d.fInX = (s.flags & TLineSettings::kInXonXoff) != 0;
  d.fRtsControl = (s.flags & TLineSettings::kRtsHandshake) ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_DISABLE;
  d.XonLim = s.xonLimit;
  d.XoffLim = s.xoffLimit;
  d.ByteSize = s.byteSize;
  d.Parity = s.parity;
  d.StopBits = s.stopBits;
  d.XonChar = s.xonChar;
  d.XoffChar = s.xoffChar;
  d.ErrorChar = s.errorChar;
  d.EofChar = s.eofChar;
  d.EvtChar = s.eventChar;
  return d;
}

std::string win32ErrorText(int code) {
  char* text = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      static_cast<DWORD>(code), 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string result = length > 0 ? std::string(text, length) : "Error " + std::to_string(code);
  LocalFree(text);
  while (!result.empty() && (result.back() == '\r' || result.back() == '\n' || result.back() == ' '))
    result.pop_back();
  return result;
}

Win32Port::Win32Port()
    : readDone_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      writeDone_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

Win32Port::~Win32Port() {
  close();
  CloseHandle(readDone_);
  CloseHandle(writeDone_);
}

std::string Win32Port::pathForPort(int n, const std::filesystem::path&) {
  return "\\\\.\\COM" + std::to_string(n);
}

OpenFailure Win32Port::openFailure(int error) const {
  using Kind = OpenFailure::Kind;
  switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY:
      return {Kind::InUse, error, "in use by another program"};
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return {Kind::NotFound, error, "no such device"};
    case ERROR_INVALID_FUNCTION:  // the device takes no communications calls
    case ERROR_NOT_SUPPORTED:
      return {Kind::NotASerialPort, error, "not a serial port"};
    default:
      return {Kind::Other, error, win32ErrorText(error)};
  }
}

int Win32Port::open(const std::string& path) {
  if (isOpen()) return ERROR_BUSY;
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_FLAG_OVERLAPPED, nullptr);
  if (h == INVALID_HANDLE_VALUE) return static_cast<int>(GetLastError());
  // The watched events are chosen at once: events that come before the first wait are kept
  // by the driver until that wait.
  if (!SetCommMask(h, kWatchedCommEvents)) {
    const int error = static_cast<int>(GetLastError());
    CloseHandle(h);
    return error;
  }
  // What the device sent before the port was opened answers nothing asked of it here: the port
  // starts empty.
  PurgeComm(h, PURGE_RXCLEAR);
  handle_ = h;
  return 0;
}

int Win32Port::close() {
  if (!isOpen()) return 0;
  // Closing ends a wait for port events that is still pending on the handle.
  const BOOL closed = CloseHandle(handle_);
  handle_ = nullptr;
  return closed ? 0 : static_cast<int>(GetLastError());
}

int Win32Port::setQueueSizes(std::uint16_t rxSize, std::uint16_t txSize) {
  return SetupComm(handle_, rxSize, txSize) ? 0 : static_cast<int>(GetLastError());
}

int Win32Port::apply(const TLineSettings& settings) {
  DCB dcb = dcbFromLineSettings(settings);
  if (!SetCommState(handle_, &dcb)) return static_cast<int>(GetLastError());
  // Reads return at once with whatever has arrived. Writes are bounded by the wait in write().
  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = MAXDWORD;
  return SetCommTimeouts(handle_, &timeouts) ? 0 : static_cast<int>(GetLastError());
}

int Win32Port::write(const char* data, std::size_t size, std::chrono::milliseconds timeout) {
  OVERLAPPED op{};
  op.hEvent = writeDone_;
  ResetEvent(writeDone_);
  DWORD written = 0;
  if (!WriteFile(handle_, data, static_cast<DWORD>(size), &written, &op)) {
    if (GetLastError() != ERROR_IO_PENDING) return static_cast<int>(GetLastError());
    const DWORD waited = WaitForSingleObject(writeDone_, static_cast<DWORD>(timeout.count()));
    if (waited != WAIT_OBJECT_0) {
      const int failure = waited == WAIT_TIMEOUT ? ERROR_TIMEOUT : static_cast<int>(GetLastError());
      // The write may not outlive the caller's bytes: cancel it and wait until it has ended.
      CancelIoEx(handle_, &op);
      GetOverlappedResult(handle_, &op, &written, TRUE);
      return failure;
    }
    if (!GetOverlappedResult(handle_, &op, &written, FALSE)) return static_cast<int>(GetLastError());
  }
  return written == size ? 0 : ERROR_WRITE_FAULT;
}

int Win32Port::queueStatus(std::uint32_t& inQueue, std::uint32_t& outQueue) const {
  DWORD errors = 0;
  COMSTAT status{};
  if (!ClearCommError(handle_, &errors, &status)) return static_cast<int>(GetLastError());
  inQueue = status.cbInQue;
  outQueue = status.cbOutQue;
  // The call also clears the error condition: the bytes queued now hold the damaged or come
  // after the lost ones.
  if (errors & (CE_RXPARITY | CE_FRAME | CE_OVERRUN | CE_RXOVER | CE_BREAK))
    suspectBytes_ = std::max(suspectBytes_.load(), static_cast<std::int32_t>(status.cbInQue));
  return 0;
}

int Win32Port::discardOutput() {
  return PurgeComm(handle_, PURGE_TXCLEAR) ? 0 : static_cast<int>(GetLastError());
}

bool Win32Port::hasWireTime() const {
  static const bool underWine =
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
  return isOpen() && !underWine;
}

int Win32Port::inputCount(std::int32_t& count) const {
  std::uint32_t in = 0;
  std::uint32_t out = 0;
  const int error = queueStatus(in, out);
  if (error == 0) count = static_cast<std::int32_t>(in);
  return error;
}

int Win32Port::outputCount(std::int32_t& count) const {
  std::uint32_t in = 0;
  std::uint32_t out = 0;
  const int error = queueStatus(in, out);
  if (error == 0) count = static_cast<std::int32_t>(out);
  return error;
}

int Win32Port::readByte(char& byte, int& error) {
  error = 0;
  std::uint32_t queued = 0;
  std::uint32_t outQueue = 0;
  // Looked at before each byte: an error seen marks the bytes queued with it, this one first.
  if (const int failure = queueStatus(queued, outQueue)) {
    error = failure;
    return 0;
  }
  const int count = readQueuedByte(byte, error, queued > 0);
  if (count > 0) {
    lastDamaged_ = suspectBytes_ > 0;
    if (suspectBytes_ > 0) --suspectBytes_;
  }
  return count;
}

int Win32Port::readQueuedByte(char& byte, int& error, bool queued) {
  OVERLAPPED op{};
  op.hEvent = readDone_;
  ResetEvent(readDone_);
  DWORD count = 0;
  if (ReadFile(handle_, &byte, 1, &count, &op)) return static_cast<int>(count);
  if (GetLastError() != ERROR_IO_PENDING) {
    error = static_cast<int>(GetLastError());
    return 0;
  }
  // With the read time-outs set, Windows completes the read at once. Wine may complete it a
  // little later, and leaves it pending until a byte comes when none is queued: then the read
  // is cancelled (a byte that came meanwhile still counts), as a read never waits for data.
  if (WaitForSingleObject(readDone_, queued ? kReadWaitMs : 0) != WAIT_OBJECT_0) CancelIoEx(handle_, &op);
  if (GetOverlappedResult(handle_, &op, &count, TRUE)) return static_cast<int>(count);
  if (GetLastError() != ERROR_OPERATION_ABORTED) error = static_cast<int>(GetLastError());
  return 0;
}

void Win32Port::setOutputLine(OutputLine line, bool on) {
  const DWORD function = line == OutputLine::Rts ? (on ? SETRTS : CLRRTS) : (on ? SETDTR : CLRDTR);
  EscapeCommFunction(handle_, function);
}
