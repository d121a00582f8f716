#pragma once
// The transfer's line to the clock over a serial component in message mode, for every host: the
// window, its comparison and the command line write through it, and hand it the messages the
// component delivers, so that a message's place before or after the last write and its damage are
// judged by the component alone.
#include <optional>
#include <string>
#include <vector>

#include "Serial4.h"
#include "clock_search.h"
#include "transfer.h"

//
// While the clock is searched for, it writes to every port the search still asks (attachSearch):
// each hears the same read request, and a port that does not take it is dropped from the search.
class TSerialTransferPort final : public TransferPort {
 public:
  // A port made before its component (the window's) is given it with attach().
  explicit TSerialTransferPort(TSerial* serial = nullptr) { attach(serial); }
  void attach(TSerial* serial) {
    search_ = nullptr;
    serials_.assign(serial != nullptr ? 1 : 0, serial);
  }
  void attachSearch(TClockSearch* search) {
    search_ = search;
    serials_.clear();
  }

  void sendString(const std::string& text) override {
    write([&](TSerial& s) { return s.SendString(text); });
  }
  void sendChar(char c) override {
    write([c](TSerial& s) { return s.SendChar(c); });
  }
  void abortRx() override {
    each([](TSerial& s) { s.AbortRx(); });
  }
  void abortTx() override {
    each([](TSerial& s) { s.AbortTx(); });
  }
  void setMessageStartChar(char c) override {
    each([c](TSerial& s) { s.setMessageStartChar(c); });
  }
  void setSecondStartChar(std::optional<char> c) override {
    each([c](TSerial& s) { s.setMessageSecondStartChar(c); });
  }

 private:
  std::vector<TSerial*> ports() const { return search_ != nullptr ? search_->asking() : serials_; }
  template <class Action>
  void each(Action action) {
    for (TSerial* serial : ports()) action(*serial);
  }
  template <class Write>
  void write(Write write) {
    std::vector<TSerial*> refused;
    for (TSerial* serial : ports())
      if (!write(*serial)) refused.push_back(serial);
    if (search_ != nullptr)
      for (TSerial* serial : refused) search_->writeRefused(serial);
  }

  std::vector<TSerial*> serials_;
  TClockSearch* search_ = nullptr;
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
