// Cuts the received byte stream into lines. A line ends with CR; LF is never part of a line's text
// (commands end with CR LF, requests with CR alone).
#pragma once

#include <string>
#include <vector>

namespace kvxemu {

struct ReceivedLine {
  std::string text;  // without CR and LF
  std::string raw;   // the bytes as they came, for the log

  // Bare CRs and stray LFs are not messages: they are logged but neither counted nor answered.
  bool isMessage() const { return !text.empty(); }
};

class LineReader {
 public:
  std::vector<ReceivedLine> feed(const char* data, std::size_t size);

 private:
  ReceivedLine pending_;
  bool lastWasCr_ = false;
};

}  // namespace kvxemu
