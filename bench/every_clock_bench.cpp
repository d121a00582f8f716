// kelvox-setup --send --all-clocks against a bench of paced emulated clocks (one emulator process,
// --count N): the whole command from start to end, its peak memory and its CPU time, for one clock
// and for many side by side in one run. Prints figures; asserts nothing.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <QTemporaryDir>
#include <filesystem>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_support.h"
#include "emulator_process.h"

extern char** environ;

namespace {

struct Measured {
  bool ok = false;
  double seconds = 0;
  double cpuSeconds = 0;  // user and system
  long peakKb = 0;
};

// Runs kelvox-setup in `folder` with only the folder's ports; its own rusage, through wait4.
Measured runSetup(const std::string& folder, const std::vector<std::string>& arguments) {
  std::vector<std::string> environment{"KELVOX_SETUP_FOLDER_PORTS_ONLY=1"};
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    if (entry.rfind("DISPLAY=", 0) != 0 && entry.rfind("WAYLAND_DISPLAY=", 0) != 0 &&
        entry.rfind("QT_QPA_PLATFORM=", 0) != 0)
      environment.push_back(entry);
  }
  std::vector<char*> envp, argv;
  for (std::string& e : environment) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string program = KVX_SETUP_PATH;
  std::vector<std::string> args{program};
  args.insert(args.end(), arguments.begin(), arguments.end());
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  const std::string previous = std::filesystem::current_path().string();
  std::filesystem::current_path(folder);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  const auto started = std::chrono::steady_clock::now();
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  std::filesystem::current_path(previous);
  Measured m;
  if (spawned != 0) return m;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return m;
  m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  m.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  m.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                 static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  m.peakKb = usage.ru_maxrss;
  return m;
}

// One bench of `count` paced clocks: the file read from the first, then sent to all of them.
Measured sendToBench(int count) {
  QTemporaryDir folder;
  const std::string dir = folder.path().toStdString();
  EmulatorProcess clocks(dir, {"--pace", "--count", std::to_string(count), "--save="});
  if (!clocks.start()) return {};
  if (!runSetup(dir, {"--read", "plan.cfg", "--port", "1"}).ok) return {};
  return runSetup(dir, {"--send", "plan.cfg", "--all-clocks"});
}

}  // namespace

int main() {
  std::printf("kvx_bench_every_clock: kelvox-setup --send --all-clocks, paced clocks at 19200 baud 8E1\n");
  bench::heading("clocks side by side in one run (one emulator process, a thread per clock)");
  const Measured one = sendToBench(1);
  if (!one.ok) {
    std::printf("one clock: the run failed\n");
    return 0;
  }
  bench::row("1 clock", bench::format("%.2f s", one.seconds) + bench::format(", %.0f MB peak", one.peakKb / 1024.0) +
                            bench::format(", %.3f s CPU", one.cpuSeconds));
  for (const int count : {6, 32}) {
    const Measured many = sendToBench(count);
    if (!many.ok) {
      std::printf("%d clocks: the run failed\n", count);
      continue;
    }
    bench::row(std::to_string(count) + " clocks",
               bench::format("%.2f s", many.seconds) + bench::format(" (%.2f x one)", many.seconds / one.seconds) +
                   bench::format(", %.0f MB peak", many.peakKb / 1024.0) +
                   bench::format(", %.3f s CPU", many.cpuSeconds) +
                   bench::format(" (%.3f s a clock)", many.cpuSeconds / count),
               count == 6 ? "at most 1.15 x one" : "at most 40 MB peak");
  }
  return 0;
}
