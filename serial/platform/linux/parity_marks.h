#pragma once
// Received bytes as the POSIX line discipline marks them when parity checking is on (INPCK) and
// damaged bytes are marked (PARMRK) rather than ignored (no IGNPAR):
//   a byte received with a parity or framing error   \377 \0 x  -> x, damaged
//   a break                                           \377 \0 \0 -> \0, damaged
//   a real \377                                       \377 \377  -> \377
// Every other byte stands for itself. A mark can be cut by the end of one read; the decoder keeps
// what it has seen of it and completes it with the next read.
#include <string_view>
#include <vector>

struct MarkedByte {
  char byte = 0;
  bool damaged = false;

  bool operator==(const MarkedByte&) const = default;
};

class ParityMarkDecoder {
 public:
  // The clean bytes of one chunk as read, each with whether it arrived damaged.
  std::vector<MarkedByte> decode(std::string_view chunk);
  // Whether a mark begun in an earlier chunk still waits for its rest.
  bool pending() const { return seen_ != Seen::Nothing; }

 private:
  enum class Seen { Nothing, Escape, EscapeZero };  // of a mark: nothing, \377, \377 \0
  Seen seen_ = Seen::Nothing;
};
