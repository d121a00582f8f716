// The port as the operating system offers it: one POSIX terminal device, no Qt.
#pragma once

#include <sys/types.h>
#include <termios.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "line_settings.h"
#include "open_failure.h"
#include "low_latency.h"
#include "parity_marks.h"

class PosixPort {
 public:
  enum class OutputLine { Rts, Dtr };

  PosixPort() = default;
  ~PosixPort();
  PosixPort(const PosixPort&) = delete;
  PosixPort& operator=(const PosixPort&) = delete;

  // Port n (1..256): a "COMn" entry in `folder` (the current directory when empty) when there is
  // one (a dangling link means the port is absent), else the n-th of serialDevices(). An entry of
  // another user in a shared folder (shared_folder.h) counts as none; "" when no device is left.
  static std::string pathForPort(int n, const std::filesystem::path& folder = {});
  // The same with the devices as serialDevices() gave them: many ports named from one look.
  static std::string pathForPort(int n, const std::string& folder, const std::vector<std::string>& devices);
  // The machine's serial devices in the order that numbers them: ttyUSB*, ttyACM*, then the
  // ttyS* that have a UART behind them (by their "type" in `ttyClass`), each kind by its number.
  // One look at `deviceFolder`; the paths are "<deviceFolder>/ttyUSB0" and so on.
  static std::vector<std::string> serialDevices(const std::string& deviceFolder = "/dev",
                                                const std::string& ttyClass = "/sys/class/tty");
  // The device a path stands for, with its links followed (also a link that leads nowhere).
  static std::string deviceBehind(const std::string& path);
  // "not a serial port: a folder" (a regular file, a FIFO, a socket, a block device) for what
  // stands at path, links followed, when it is no character device; "" for one, or for nothing.
  static std::string notASerialPort(const std::string& path);

  // Lock files as terminal programs and modem managers keep them: "LCK..ttyUSB0" in this folder
  // (/var/lock unless set), holding the owner's PID as ten characters and a newline. The open
  // honours a live one of another process, clears a stale one and takes its own where it can.
  // Anything but a regular file under that name keeps the port out and stays where it is.
  static void setLockFolder(const std::string& folder);

  // Each call gives 0 or the errno of the failing step (EBUSY for a live lock file of another).
  // An open asks the driver for low latency where it has that setting; close gives it back,
  // and puts back the terminal settings the device had when it was opened.
  int open(const std::string& path);
  int close();
  // The kernel sizes a terminal's queues itself; TxQueueSize still bounds the room check.
  int setQueueSizes(std::uint16_t, std::uint16_t) { return 0; }
  int apply(const TLineSettings& settings);
  // Writes everything, waiting for room at most `timeout` in all (ETIMEDOUT after that).
  int write(const char* data, std::size_t size, std::chrono::milliseconds timeout);
  int inputCount(std::int32_t& count) const;
  int outputCount(std::int32_t& count) const;
  // Throws away the bytes still waiting to go out, so a close does not wait for them.
  int discardOutput();
  // Whether bytes take their time on a line here: false for a pseudo-terminal, where a write
  // arrives at the other end at once, whatever rate the port is set to.
  bool hasWireTime() const;

  // One byte without waiting: 1 when read, 0 when none is there or the read failed (error set).
  // With parity checking on, the driver marks damaged bytes (PARMRK): the marks are taken off
  // here, and lastByteDamaged() says whether the byte came with a parity or framing error or
  // as a break, or was in the queue when the driver counted an overrun.
  int readByte(char& byte, int& error);
  bool lastByteDamaged() const { return lastDamaged_; }
  // Pseudo-terminals have no modem lines; the result is not examined.
  void setOutputLine(OutputLine line, bool on);

  bool isOpen() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  // Why the last open failed with `error`, in short lower-case phrases: "permission denied" (with
  // its remedy where joining the device's group is one), "in use by PID n", "in use: lock file
  // /var/lock/LCK..ttyS0 is not a regular file", "no such device", "not a serial port" (with
  // what stands there when that is no device), or the system's text.
  OpenFailure openFailure(int error) const;

 private:
  int takeLockFile(const std::string& lockPath);
  void saveTerminalSettings();
  void restoreTerminalSettings();
  // Raw bytes from the driver: one, or 0 with error set (0 too) when none is there.
  int readRawByte(char& byte, int& error);
  // Whether the driver counted a lost byte (an overrun) since the last look.
  bool overrunSinceLastLook();

  int fd_ = -1;
  TLowLatency lowLatency_;
  // The device's settings as the open found them; the rate apart when it has no B-constant.
  std::optional<termios> foundSettings_;
  std::uint32_t foundCustomSpeed_ = 0;
  std::string device_;
  bool marksDamage_ = false;  // parity checking on: the driver marks damaged bytes
  ParityMarkDecoder decoder_;
  std::deque<MarkedByte> decoded_;  // taken from the driver, not yet given out
  bool lastDamaged_ = false;
  std::int32_t suspectBytes_ = 0;  // bytes that were queued when an overrun was counted
  long overruns_ = -1;  // the driver's overrun count at the last look; -1 none yet, -2 none kept
  std::string ownLock_;  // the lock file this port made, removed at close
  // The other process whose lock file kept the last open out, kLockBeingWritten or
  // kLockNotARegularFile.
  pid_t lockOwner_ = 0;
};

// A lock file that names no PID yet: its program is still writing it.
inline constexpr pid_t kLockBeingWritten = -1;
// Something other than a regular file under the lock file's name (a FIFO, a link, a folder):
// planted by someone else, never read through and never removed.
inline constexpr pid_t kLockNotARegularFile = -2;
