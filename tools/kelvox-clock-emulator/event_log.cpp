#include "event_log.h"

#include <chrono>
#include <ctime>

namespace kvxemu {

bool EventLog::open(const std::string& path) {
  if (path.empty()) return true;
  file_ = std::fopen(path.c_str(), "w");
  if (!file_) file_ = stderr;
  return file_ != stderr;
}

EventLog::~EventLog() {
  if (file_ != stderr) std::fclose(file_);
}

void EventLog::received(int messageNumber, const std::string& raw) {
  write("rx " + (messageNumber > 0 ? std::to_string(messageNumber) : std::string("-")) + " \"" +
        visible(raw) + "\"");
}

void EventLog::sent(const std::string& bytes) { write("tx \"" + visible(bytes) + "\""); }

void EventLog::note(const std::string& text) { write("-- " + text); }

std::string EventLog::visible(const std::string& bytes) {
  std::string out;
  for (const unsigned char c : bytes) {
    if (c == '\r')
      out += "\\r";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\\' || c == '"')
      out += std::string("\\") + static_cast<char>(c);
    else if (c < 0x20 || c >= 0x7f) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    } else
      out += static_cast<char>(c);
  }
  return out;
}

void EventLog::write(const std::string& text) {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t secs = system_clock::to_time_t(now);
  const int millis = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
  std::tm local{};
  localtime_r(&secs, &local);
  const std::string name = file_ == stderr && !stderrName_.empty() ? stderrName_ + " " : "";
  std::fprintf(file_, "%02d:%02d:%02d.%03d %s%s\n", local.tm_hour, local.tm_min, local.tm_sec, millis,
               name.c_str(), text.c_str());
  std::fflush(file_);
}

}  // namespace kvxemu
