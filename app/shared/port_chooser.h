#pragma once
// Which COM port the clock is looked for on, for the window and the command line alike: the
// saved port, else the first of COM1..COM4 that opens; after no answer there, the other ports
// that open, in turn.
#include <array>
#include <string>
#include <vector>

class TSerial;

class TPortChooser {
 public:
  static constexpr int kPortCount = 9;     // COM1..COM9
  static constexpr int kScannedPorts = 4;  // the clock is looked for on COM1..COM4

  // Opens COM1..COM4 in turn on `serial` (each open closes the port before it) and notes which
  // opened and why the others did not. The last one stays open if it opened.
  void scan(TSerial& serial);
  // Tries port n (1..4) on `serial` and notes the outcome as scan does; true when it opened.
  bool probe(TSerial& serial, int port);

  bool opened(int port) const;
  // Why port n did not open; empty when it did or was not tried.
  const std::string& failure(int port) const;
  // The first port that opened; 0 when none did.
  int firstOpened() const;
  // The port to ask first: the saved one (0: none saved), else the first that opened.
  int startPort(int saved) const { return saved != 0 ? saved : firstOpened(); }
  // The ports to ask in turn after `silent` gave no answer: the others that opened, from COM1 on.
  std::vector<int> othersThan(int silent) const;

 private:
  std::array<bool, kScannedPorts> opened_{};
  std::array<std::string, kScannedPorts> failures_;
};
