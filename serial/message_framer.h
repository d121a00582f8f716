// Cuts received bytes into messages from a start character to an end character, plus a fixed
// number of appended bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

class MessageFramer {
 public:
  enum class State { Idle, Collecting, Appending, Delivered };

  // Longest message kept; a longer one is dropped and the next start character is awaited.
  static constexpr std::size_t kMaxMessage = 4096;

  // Takes one byte with the delimiters as they stand now; true when a message is complete,
  // which message() then holds until the next byte. A second start character, when given,
  // begins a message as the first one does.
  bool feed(char byte, char startChar, char endChar, std::uint16_t appendCount,
            std::optional<char> secondStartChar = std::nullopt);

  const std::string& message() const { return buffer_; }
  State state() const { return state_; }

 private:
  bool add(char byte);
  bool complete();

  State state_ = State::Idle;
  std::uint16_t appendLeft_ = 0;
  std::string buffer_;
};
