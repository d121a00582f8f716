// The port as the operating system offers it: one POSIX terminal device, no Qt.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "line_settings.h"

class PosixPort {
 public:
  enum class OutputLine { Rts, Dtr };

  PosixPort() = default;
  ~PosixPort();
  PosixPort(const PosixPort&) = delete;
  PosixPort& operator=(const PosixPort&) = delete;

  // Port n (1..9): a "COMn" entry in the current directory when there is one (a dangling link
  // means the port is absent), else the n-th serial device of the machine.
  static std::string pathForPort(int n);

  // Each call gives 0 or the errno of the failing step.
  int open(const std::string& path);
  int close();
  int apply(const TLineSettings& settings);
  // Writes everything, waiting for room at most `timeout` in all (ETIMEDOUT after that).
  int write(const char* data, std::size_t size, std::chrono::milliseconds timeout);
  int inputCount(std::int32_t& count) const;
  int outputCount(std::int32_t& count) const;

  // One byte without waiting: 1 when read, 0 when none is there or the read failed (error set).
  int readByte(char& byte, int& error);
  // Pseudo-terminals have no modem lines; the result is not examined.
  void setOutputLine(OutputLine line, bool on);

  bool isOpen() const { return fd_ >= 0; }
  int fd() const { return fd_; }

 private:
  int fd_ = -1;
};
