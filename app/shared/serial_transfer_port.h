#pragma once
// The transfer's line to the clock over a serial component in message mode, for every host: the
// window, its comparison and the command line write through it, and hand it the messages the
// component delivers, so that a message's place before or after the last write and its damage are
// judged by the component alone.
#include <optional>
#include <string>
#include <vector>

#include "Serial4.h"
#include "transfer.h"

//
// While the clock is searched for, it writes to every port the search asks (attachAll): each
// hears the same read request.
class TSerialTransferPort final : public TransferPort {
 public:
  // A port made before its component (the window's) is given it with attach().
  explicit TSerialTransferPort(TSerial* serial = nullptr) { attach(serial); }
  void attach(TSerial* serial) { serials_.assign(serial != nullptr ? 1 : 0, serial); }
  void attachAll(std::vector<TSerial*> serials) { serials_ = std::move(serials); }

  void sendString(const std::string& text) override { each([&](TSerial& s) { s.SendString(text); }); }
  void sendChar(char c) override { each([c](TSerial& s) { s.SendChar(c); }); }
  void abortRx() override { each([](TSerial& s) { s.AbortRx(); }); }
  void abortTx() override { each([](TSerial& s) { s.AbortTx(); }); }
  void setMessageStartChar(char c) override { each([c](TSerial& s) { s.setMessageStartChar(c); }); }
  void setSecondStartChar(std::optional<char> c) override {
    each([c](TSerial& s) { s.setMessageSecondStartChar(c); });
  }

 private:
  template <class Action>
  void each(Action action) {
    for (TSerial* serial : serials_) action(*serial);
  }

  std::vector<TSerial*> serials_;
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
