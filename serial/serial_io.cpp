// The serial component's data path: queue status, the writes (bounded by Timeout, each marked so
// that a message can be told to have come before it), the reads and the aborts.
#include <algorithm>

#include "Serial4.h"
#include "tx_room_wait.h"


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
