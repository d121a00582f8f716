// The serial ports of a test's scratch folder on Windows: nothing to prepare. The program opens
// \\.\COM1..COM9, not files in its folder, and takes no lock files; the tests run under Wine in a
// sandbox (scripts/wine-sandbox.sh) where COM1 leads into an empty folder unless an emulator
// runs and the machine's serial devices are covered by /dev/null.
#pragma once

#include <string>
#include <vector>

class ScratchPorts {
 public:
  ScratchPorts(const std::string& /*folder*/, const std::vector<int>& /*emulatorPorts*/) {}
  ScratchPorts(const ScratchPorts&) = delete;
  ScratchPorts& operator=(const ScratchPorts&) = delete;
};
