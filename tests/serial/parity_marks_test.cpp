#include "parity_marks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

// A decoded stream written back as text, a damaged byte in brackets: "$o[k]\r".
std::string shown(const std::vector<MarkedByte>& bytes) {
  std::string text;
  for (const MarkedByte& b : bytes) text += b.damaged ? "["s + b.byte + "]" : std::string(1, b.byte);
  return text;
}

TEST(ParityMarks, DecodesMarksAlsoWhenAReadCutsThem) {
  const struct {
    const char* name;
    std::vector<std::string> chunks;  // as successive reads return them
    std::string expected;
  } cases[] = {
      {"clean bytes", {"$ok\r"}, "$ok\r"},
      {"a damaged byte", {"$o\377\0k\r"s}, "$o[k]\r"},
      {"a real 0xFF", {"$\377\377\r"}, "$\377\r"},
      {"a break", {"$\377\0\0\r"s}, "$[\0]\r"s},
      {"a damaged 0xFF", {"\377\0\377"s}, "[\377]"},
      {"a mark cut after its escape", {"$o\377", "\0k\r"s}, "$o[k]\r"},
      {"a mark cut after its zero", {"$o\377\0"s, "k\r"}, "$o[k]\r"},
      {"a real 0xFF cut in two", {"$\377", "\377\r"}, "$\377\r"},
      {"a mark alone in each read", {"\377", "\0"s, "x"}, "[x]"},
      {"an escape no line discipline sends", {"\377a"}, "[\377][a]"},
  };
  for (const auto& c : cases) {
    ParityMarkDecoder decoder;
    std::vector<MarkedByte> decoded;
    for (const std::string& chunk : c.chunks) {
      const auto part = decoder.decode(chunk);
      decoded.insert(decoded.end(), part.begin(), part.end());
    }
    EXPECT_EQ(shown(decoded), c.expected) << c.name;
    EXPECT_FALSE(decoder.pending()) << c.name;
  }
}

}  // namespace
