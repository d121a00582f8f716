#include "message_framer.h"

bool MessageFramer::feed(char byte, char startChar, char endChar, std::uint16_t appendCount,
                         std::optional<char> secondStartChar) {
  if (state_ == State::Appending) {
    // Appended bytes are taken whatever they are, delimiters included.
    if (!add(byte)) return false;
    return --appendLeft_ == 0 ? complete() : false;
  }
  if (byte == startChar || byte == secondStartChar) {
    state_ = State::Collecting;
    buffer_.assign(1, byte);
    return false;
  }
  if (state_ != State::Collecting) return false;  // nothing begun: the byte is dropped
  if (!add(byte)) return false;
  if (byte != endChar) return false;
  if (appendCount == 0) return complete();
  state_ = State::Appending;
  appendLeft_ = appendCount;
  return false;
}

bool MessageFramer::add(char byte) {
  if (buffer_.size() >= kMaxMessage) {
    // A start character without an end character must not let the buffer grow for ever.
    buffer_.clear();
    state_ = State::Idle;
    return false;
  }
  buffer_.push_back(byte);
  return true;
}

bool MessageFramer::complete() {
  state_ = State::Delivered;
  return true;
}
