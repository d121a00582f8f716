#include "line_reader.h"

namespace kvxemu {

std::vector<ReceivedLine> LineReader::feed(const char* data, std::size_t size) {
  std::vector<ReceivedLine> lines;
  for (std::size_t i = 0; i < size; ++i) {
    const char c = data[i];
    if (c == '\r') {
      pending_.raw += c;
      lines.push_back(std::move(pending_));
      pending_ = {};
      lastWasCr_ = true;
      continue;
    }
    if (c == '\n') {
      // The LF of a CR LF belongs with the line its CR ended, when that line is still at hand.
      if (lastWasCr_ && !lines.empty())
        lines.back().raw += c;
      else if (pending_.raw.empty())
        lines.push_back({"", "\n"});
      else
        pending_.raw += c;
      lastWasCr_ = false;
      continue;
    }
    pending_.text += c;
    pending_.raw += c;
    lastWasCr_ = false;
  }
  return lines;
}

}  // namespace kvxemu
