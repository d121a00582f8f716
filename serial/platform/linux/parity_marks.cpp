#include "parity_marks.h"

namespace {
constexpr char kEscape = '\377';
}

std::vector<MarkedByte> ParityMarkDecoder::decode(std::string_view chunk) {
  std::vector<MarkedByte> bytes;
  bytes.reserve(chunk.size());
  for (const char c : chunk) {
    switch (seen_) {
      case Seen::Nothing:
        if (c == kEscape)
          seen_ = Seen::Escape;
        else
          bytes.push_back({c, false});
        break;
      case Seen::Escape:
        if (c == kEscape) {
          bytes.push_back({kEscape, false});
          seen_ = Seen::Nothing;
        } else if (c == '\0') {
          seen_ = Seen::EscapeZero;
        } else {
          // No line discipline sends this: the stream cannot be trusted, so neither byte is.
          bytes.push_back({kEscape, true});
          bytes.push_back({c, true});
          seen_ = Seen::Nothing;
        }
        break;
      case Seen::EscapeZero:
        bytes.push_back({c, true});  // the damaged byte, or \0 for a break
        seen_ = Seen::Nothing;
        break;
    }
  }
  return bytes;
}
