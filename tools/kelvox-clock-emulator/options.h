// The emulator's command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kvxemu {

inline constexpr int kMaxPort = 256;   // the program knows COM1 .. COM256
inline constexpr int kMaxClocks = 64;  // clocks in one process

// One clock's options.
struct Options {
  std::string dir = ".";
  int port = 1;
  std::string configFile;  // empty: built-in defaults
  std::string saveFile;    // empty: nothing saved
  std::string logFile;     // empty: stderr
  char filler = 'S';
  // Faults; message numbers count from 1, 0 means off.
  int silentFrom = 0;
  int errorAt = 0;
  int duplicateAt = 0;
  int duplicateDelayMs = 0;  // 0: the second answer in the same write as the first
  int corruptAt = 0;
  int vanishAt = 0;
  int silentAfterReply = 0;  // replies counted from 1 over the run
  bool garbage = false;
  int delayMs = 0;
  bool pace = false;
  int latencyMs = 0;  // a USB adapter's latency timer between the clock and the program; 0: none
  std::string timingFile;  // empty: no timing

  std::string linkPath() const { return dir + "/COM" + std::to_string(port); }
};

// Returns each clock's options in port order, or nothing after printing the reason (or the usage
// for --help) to stderr.
std::optional<std::vector<Options>> parseOptions(int argc, char** argv, bool& helpShown);

// The file of the clock on COMn when one name stands for several clocks: "-COMn" inserted before
// the extension of the file's name ("emu.cfg": "emu-COM2.cfg"), or appended when it has none.
std::string perClockName(const std::string& path, int port);

}  // namespace kvxemu
