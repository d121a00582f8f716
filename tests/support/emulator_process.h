// Starts kelvox-clock-emulator for a test, in a folder of the test's choice, and stops it again.
//
//   EmulatorProcess clock(dir, {"--error-at", "3"});
//   ASSERT_TRUE(clock.start());            // returns once DIR/COM1 exists
//   ... open clock.linkPath() ...
//   clock.savedValue("utc") == "+1"; clock.receivedMessages().size() == 61;
//
// The emulator always logs to logPath() and saves its configuration to savePath(), both in DIR;
// what it writes to stderr goes to errorsPath() there.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

class EmulatorProcess {
 public:
  // args: further emulator options; they come after the ones this class passes, so they win.
  explicit EmulatorProcess(std::string dir, std::vector<std::string> args = {}, int port = 1);
  ~EmulatorProcess();
  EmulatorProcess(const EmulatorProcess&) = delete;
  EmulatorProcess& operator=(const EmulatorProcess&) = delete;

  // Starts the emulator and waits until it reports its link; false if it failed or ended first.
  bool start(std::chrono::milliseconds timeout = std::chrono::seconds(10));
  // SIGTERM, then waits for the end (SIGKILL after five seconds). Safe to call twice.
  void stop();
  bool isRunning();
  // For an emulator that ends by itself (--vanish-at): true once it has ended within the time.
  bool waitForExit(std::chrono::milliseconds timeout);
  // The exit status once it has ended, -1 before or after a signal.
  int exitStatus() const { return exitStatus_; }

  std::string linkPath() const;    // DIR/COMn
  std::string logPath() const;     // DIR/emulator-COMn.log
  std::string savePath() const;    // DIR/emulator-COMn.cfg
  std::string errorsPath() const;  // DIR/emulator-COMn.err
  std::string log() const;
  std::string errors() const;
  // The received lines that counted as messages, in order, decoded with their CR and LF.
  std::vector<std::string> receivedMessages() const;
  // Every byte received, in order: the messages and the lines that did not count (a bare CR LF).
  std::string receivedBytes() const;
  std::string savedConfig() const;
  // One value of the saved configuration: "language", "relay", "utc" ("+1", "-5"), "dls", "timeout",
  // or a switch time "Mon 1" .. "Sun 8" ("06:30:00 ON", "22:00:00 OFF", "DEL"); empty if absent.
  std::string savedValue(const std::string& key) const;

  static std::string executable();
  // Links COM1..COM9 of dir, except the used ones, to a path that does not exist, so that nothing
  // in the test can reach the machine's own serial devices.
  static void linkUnusedPorts(const std::string& dir, const std::vector<int>& usedPorts);

 private:
  bool reap(bool block);

  std::string dir_;
  std::vector<std::string> args_;
  int port_;
  pid_t pid_ = -1;
  int stdoutFd_ = -1;
  int exitStatus_ = -1;
};
