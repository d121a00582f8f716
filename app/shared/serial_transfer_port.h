#pragma once
// The transfer's line to the clock over a serial component in message mode, for every host: the
// window, its comparison and the command line write through it, and hand it the messages the
// component delivers, so that a message's place before or after the last write and its damage are
// judged by the component alone.
#include <optional>
#include <string>

#include "Serial4.h"
#include "transfer.h"

class TSerialTransferPort final : public TransferPort {
 public:
  // A port made before its component (the window's) is given it with attach().
  explicit TSerialTransferPort(TSerial* serial = nullptr) : serial_(serial) {}
  void attach(TSerial* serial) { serial_ = serial; }

  void sendString(const std::string& text) override { serial_->SendString(text); }
  void sendChar(char c) override { serial_->SendChar(c); }
  void abortRx() override { serial_->AbortRx(); }
  void abortTx() override { serial_->AbortTx(); }
  void setMessageStartChar(char c) override { serial_->setMessageStartChar(c); }
  void setSecondStartChar(std::optional<char> c) override { serial_->setMessageSecondStartChar(c); }

 private:
  TSerial* serial_;
};

// One received message given to the transfer, with what the component told of it during its
// OnMessage (messageBeforeLastSend, messageDamaged): a damaged message is never decoded.
inline void deliverMessage(TClockTransfer& transfer, const std::string& message, bool beforeLastWrite,
                           bool damaged) {
  if (damaged)
    transfer.lineDamaged();
  else
    transfer.Serial1Message(message, beforeLastWrite);
}
