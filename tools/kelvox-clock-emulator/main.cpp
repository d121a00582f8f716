// kelvox-clock-emulator: KELVOX clocks on pseudo-terminals, for tests and the demo.
// See the usage text in options.cpp.
#include <sys/prctl.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

#include "clock_config.h"
#include "emulated_clock.h"
#include "input_checks.h"
#include "options.h"
#include "stop_signals.h"

using namespace kvxemu;

namespace {

// Bad input: one line on stderr, and exit status 2.
int refuse(const std::string& error) {
  std::fprintf(stderr, "kelvox-clock-emulator: %s\n", errorLine(error).c_str());
  return 2;
}

// Checks one clock's files and port and loads its configuration; false with the reason in error.
bool prepare(const Options& options, ClockConfig& config, std::string& error) {
  if (!options.configFile.empty() && !checkConfigFile(options.configFile, error)) return false;
  if (!options.saveFile.empty() && !checkSaveFile(options.saveFile, error)) return false;
  if (!checkLinkPlace(options.dir, options.linkPath(), error)) return false;
  config = ClockConfig::defaults();
  return options.configFile.empty() || ConfigFile::load(options.configFile, config, error);
}

// Every clock on a thread of its own, so that each answers at its own pace; the exit status is
// the first clock's that failed, else 0.
int serveAll(std::vector<std::unique_ptr<EmulatedClock>>& clocks) {
  std::vector<int> status(clocks.size(), 0);
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < clocks.size(); ++i)
    threads.emplace_back([&clocks, &status, i] { status[i] = clocks[i]->serve(); });
  for (std::thread& t : threads) t.join();
  const auto failed = std::find_if(status.begin(), status.end(), [](int s) { return s != 0; });
  return failed == status.end() ? 0 : *failed;
}

}  // namespace

int main(int argc, char** argv) {
  bool helpShown = false;
  const auto options = parseOptions(argc, argv, helpShown);
  if (!options) return helpShown ? 0 : 2;

  // Paced bytes are timed by short sleeps; the default timer slack (50 us) would stretch every
  // reply beyond its time on a real line. The clocks' threads take it over from this one.
  if (std::any_of(options->begin(), options->end(), [](const Options& o) { return o.pace; }))
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);

  std::vector<ClockConfig> configs(options->size());
  for (std::size_t i = 0; i < options->size(); ++i) {
    std::string error;
    if (!prepare((*options)[i], configs[i], error)) return refuse(error);
  }

  StopSignals signals;  // before any thread, which takes over its blocked signals
  const bool several = options->size() > 1;
  std::vector<std::unique_ptr<EmulatedClock>> clocks;
  for (std::size_t i = 0; i < options->size(); ++i) {
    clocks.push_back(std::make_unique<EmulatedClock>((*options)[i], configs[i], signals, several));
    // The clocks already open close their links again as they go.
    if (const int status = clocks.back()->open(); status != 0) return status;
  }
  for (const auto& clock : clocks) std::printf("%s\n", clock->readyLine().c_str());
  std::fflush(stdout);
  return serveAll(clocks);
}
