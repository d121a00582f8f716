#pragma once
// Holds back received messages while a box of the transfer or of the port selection is open,
// and hands them on, in their order, once it is closed. A clock says nothing unasked, so a few
// held messages are plenty; what a babbling device sends beyond them is dropped.
#include <deque>
#include <functional>
#include <string>

// A message as the port delivered it, with what the port could tell about it then.
struct TReceivedMessage {
  TReceivedMessage(std::string text, bool beforeLastWrite = false, bool damaged = false)
      : text(std::move(text)), beforeLastWrite(beforeLastWrite), damaged(damaged) {}
  std::string text;
  bool beforeLastWrite;  // all of it had arrived before the program's last write
  bool damaged;          // damaged characters came with it
};

class TMessageGate {
 public:
  using Handler = std::function<void(const TReceivedMessage&)>;
  // handle runs one message; postDrain asks for drain() to run once the current handler is done.
  TMessageGate(Handler handle, std::function<void()> postDrain);

  static constexpr std::size_t kMaxHeld = 64;

  // Handles the message now, or holds it while a box is open or earlier messages wait; beyond
  // kMaxHeld held messages it is dropped.
  void deliver(const TReceivedMessage& message);
  // Handles the held messages, unless a box is open again, and gives their memory back.
  void drain();

  bool holding() const { return openBoxes_ > 0; }
  std::size_t heldCount() const { return held_.size(); }

  // Marks a holding box as open for its lifetime.
  class BoxOpen {
   public:
    explicit BoxOpen(TMessageGate& gate);
    ~BoxOpen();
    BoxOpen(const BoxOpen&) = delete;
    BoxOpen& operator=(const BoxOpen&) = delete;

   private:
    TMessageGate& gate_;
  };

 private:
  Handler handle_;
  std::function<void()> postDrain_;
  std::deque<TReceivedMessage> held_;
  int openBoxes_ = 0;
};
