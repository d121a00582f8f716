// Feeds arbitrary bytes, with arbitrary delimiters and append counts, through the receive framing.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "message_framer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const char startChar = static_cast<char>(data[0]);
  const char endChar = static_cast<char>(data[1]);
  const std::uint16_t appendCount = data[2] % 8;
  MessageFramer framer;
  for (std::size_t i = 3; i < size; ++i) {
    if (!framer.feed(static_cast<char>(data[i]), startChar, endChar, appendCount)) continue;
    const std::string& m = framer.message();
    // A delivered message runs from a start character to an end character plus the appended bytes.
    if (m.empty() || m.front() != startChar) std::abort();
    if (m.size() < 2u + appendCount || m[m.size() - 1 - appendCount] != endChar) std::abort();
    if (m.size() > MessageFramer::kMaxMessage + appendCount) std::abort();
  }
  return 0;
}
