// The port as Windows offers it: one communications device opened for overlapped I/O, no Qt.
// No call gives ERROR_IO_PENDING: each overlapped operation is waited for (or cancelled and
// then waited for) before the call returns, so a pending operation is never reported.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "line_settings.h"
#include "open_failure.h"
#include "port_events.h"

// <windows.h> stays out of this header: the component's users need not see its macros.
using Win32Handle = void*;  // HANDLE

// The events the receive thread watches: received character, output empty, CTS, DSR, carrier
// detect, break and ring (0x17D).
constexpr std::uint32_t kWatchedCommEvents = PortEvents::kRxChar | PortEvents::kTxEmpty | PortEvents::kCts |
                                             PortEvents::kDsr | PortEvents::kRlsd | PortEvents::kBreak |
                                             PortEvents::kRing;

class Win32Port {
 public:
  enum class OutputLine { Rts, Dtr };

  Win32Port();
  ~Win32Port();
  Win32Port(const Win32Port&) = delete;
  Win32Port& operator=(const Win32Port&) = delete;

  // Port n is the device "\\.\COMn": the system's own name, no links and no device scan, so no
  // folder holds one.
  static std::string pathForPort(int n, const std::filesystem::path& folder = {});
  // What the user knows the port by: Windows names the device itself.
  static std::string deviceBehind(const std::string& path) { return path; }

  // Each call gives 0 or the Windows error code of the failing step.
  int open(const std::string& path);
  int close();
  int setQueueSizes(std::uint16_t rxSize, std::uint16_t txSize);
  int apply(const TLineSettings& settings);
  // Waits for the write's own completion at most `timeout`; a write still pending then is
  // cancelled, so its buffer is free when the call returns (ERROR_TIMEOUT).
  int write(const char* data, std::size_t size, std::chrono::milliseconds timeout);
  int inputCount(std::int32_t& count) const;
  int outputCount(std::int32_t& count) const;
  // Throws away the bytes still waiting to go out, so a close does not wait for them.
  int discardOutput();
  // Whether bytes take their time on a line here. Under Wine a COM port may stand for a
  // pseudo-terminal, where a write arrives at once: there no write is taken to have a line time.
  bool hasWireTime() const;

  // One byte without waiting: 1 when read, 0 when none is there or the read failed (error set).
  // ClearCommError's parity, framing and overrun errors make every byte queued when they were
  // seen suspect: lastByteDamaged() says so for each of them.
  int readByte(char& byte, int& error);
  bool lastByteDamaged() const { return lastDamaged_; }
  // The result is not examined, as with the POSIX port.
  void setOutputLine(OutputLine line, bool on);

  // Why an open failed with `error`: "in use by another program" (Windows refuses a second
  // opener with access denied), "no such device", "not a serial port", or the system's text.
  OpenFailure openFailure(int error) const;

  bool isOpen() const { return handle_ != nullptr; }
  Win32Handle fd() const { return handle_; }

 private:
  Win32Handle handle_ = nullptr;  // nullptr while closed
  // Reads and writes each have their own completion event: a read never consumes or resets the
  // completion of a write that another thread waits for.
  Win32Handle readDone_ = nullptr;
  Win32Handle writeDone_ = nullptr;
  // Every queue status query clears the port's error condition, so each one notes what it found.
  mutable std::atomic<std::int32_t> suspectBytes_{0};  // also noted by the main thread's queries
  bool lastDamaged_ = false;

  // One byte by an overlapped read; `queued`: a byte is known to be waiting.
  int readQueuedByte(char& byte, int& error, bool queued);
  // ClearCommError: the bytes in each queue, and the line errors noted.
  int queueStatus(std::uint32_t& inQueue, std::uint32_t& outQueue) const;
};

// The system's message text for a Windows error code.
std::string win32ErrorText(int code);
