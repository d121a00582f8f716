// The program's end of the line, as the tests play it: opens a COMn link raw at 19200 8E1,
// writes requests and reads replies with a bounded wait.
#pragma once

#include <chrono>
#include <string>
#include <vector>

using namespace std::chrono_literals;

class PortClient {
 public:
  explicit PortClient(const std::string& path);
  ~PortClient();
  PortClient(const PortClient&) = delete;
  PortClient& operator=(const PortClient&) = delete;

  bool isOpen() const { return fd_ >= 0; }
  void write(const std::string& bytes);
  // Writes the request, then reads until `count` replies ending in CR have come or the wait is over.
  std::vector<std::string> ask(const std::string& request, std::size_t count,
                               std::chrono::milliseconds wait = 3s);
  // Every byte that arrives until `count` CRs have come or the wait is over.
  std::string readUntilCrs(std::size_t count, std::chrono::milliseconds wait);
  // True once the other end has gone away (hang-up or read error) within the wait.
  bool hungUp(std::chrono::milliseconds wait);

 private:
  int fd_ = -1;
};

// The replies in a byte stream: each from a start character ("$" or "=") to the next CR.
std::vector<std::string> repliesIn(const std::string& bytes, char start);
