// Time-stamped log of the conversation, one line per event, flushed at once so a test can read it live:
//   12:34:56.789 rx 3 "$2=1\r\n"     a received message and its number
//   12:34:56.789 rx - "\r"           a received bare CR or stray LF, not counted
//   12:34:56.790 tx "$ok\r"          a reply written
//   12:34:56.790 -- silent           a note
// With several clocks logging to stderr, each line names its clock after the time ("... COM2 rx 3 ...").
// CR and LF show as \r and \n, other unprintable bytes as \xHH, and \ and " are escaped.
#pragma once

#include <cstdio>
#include <string>
#include <utility>

namespace kvxemu {

class EventLog {
 public:
  // An empty path logs to stderr.
  bool open(const std::string& path);
  // The clock's name, shown on each line written to stderr; empty: none.
  void nameOnStderr(std::string name) { stderrName_ = std::move(name); }
  ~EventLog();

  void received(int messageNumber, const std::string& raw);  // 0: not a message
  void sent(const std::string& bytes);
  void note(const std::string& text);

  static std::string visible(const std::string& bytes);

 private:
  void write(const std::string& text);

  std::FILE* file_ = stderr;
  std::string stderrName_;
};

}  // namespace kvxemu
