#include "message_gate.h"

TMessageGate::TMessageGate(Handler handle, std::function<void()> postDrain)
    : handle_(std::move(handle)), postDrain_(std::move(postDrain)) {}

void TMessageGate::deliver(const TReceivedMessage& message) {
  if (holding() || !held_.empty()) {
    if (held_.size() < kMaxHeld) held_.push_back(message);
    drain();  // nothing happens while a box is open
    return;
  }
  handle_(message);
}

void TMessageGate::drain() {
  while (!holding() && !held_.empty()) {
    const TReceivedMessage message = held_.front();
    held_.pop_front();
    handle_(message);
  }
  if (held_.empty()) std::deque<TReceivedMessage>().swap(held_);
}

TMessageGate::BoxOpen::BoxOpen(TMessageGate& gate) : gate_(gate) { ++gate_.openBoxes_; }

TMessageGate::BoxOpen::~BoxOpen() {
  // The held messages wait until the handler that opened the box has finished its steps.
  if (--gate_.openBoxes_ == 0 && !gate_.held_.empty()) gate_.postDrain_();
}
