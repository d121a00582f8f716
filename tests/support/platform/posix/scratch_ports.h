// The serial ports of a test's scratch folder on POSIX, where the program opens COM1..COM9 as
// links in its folder: those no emulator serves lead nowhere, so no test reaches the machine's own
// serial devices, and the ports' lock files stay in the folder while it exists.
#pragma once

#include <string>
#include <vector>

#include "emulator_process.h"
#include "posix_port.h"

class ScratchPorts {
 public:
  ScratchPorts(const std::string& folder, const std::vector<int>& emulatorPorts) {
    EmulatorProcess::linkUnusedPorts(folder, emulatorPorts);
    PosixPort::setLockFolder(folder);
  }
  ~ScratchPorts() { PosixPort::setLockFolder("/var/lock"); }
  ScratchPorts(const ScratchPorts&) = delete;
  ScratchPorts& operator=(const ScratchPorts&) = delete;
};
