#pragma once
// The environment variables the program heeds, read once when it starts (main) and handed to
// what needs them: nothing else reads the environment. Qt reads its own (QT_QPA_PLATFORM and the
// like) itself. A variable that is unset counts as empty.
#include <QString>
#include <optional>
#include <string>

// Shorter times for the tests of the whole program, which need only that a time-out happens and
// no wait before the start-up: KELVOX_SETUP_REPLY_TIMEOUT_MS=N and KELVOX_SETUP_FIRST_TICK_MS=N
// (the time from the window's creation to the start-up tick). What they may be, the clock
// session decides; none: the designed times.
struct TTestTimes {
  std::optional<int> replyTimeoutMs;
  std::optional<int> firstTickMs;
};

struct TProgramEnvironment {
  // Where the user's settings folder lies on POSIX systems: HOME and XDG_CONFIG_HOME, as bytes.
  std::string home;
  std::string xdgConfigHome;
  // KELVOX_SETUP_FOLDER_PORTS_ONLY is set (to anything): the port list keeps to the COMn links
  // of the working folder, so that tests and the demo never ask the machine's own devices.
  bool folderPortsOnly = false;
  // QT_QPA_PLATFORM, DISPLAY or WAYLAND_DISPLAY names a place for the window.
  bool displayNamed = false;
  // The start-up read hook of the tests (startup_read_hook.h):
  // KELVOX_SETUP_QUIT_AFTER_STARTUP_READ and KELVOX_SETUP_SEND_AFTER_STARTUP_READ.
  bool quitAfterStartupRead = false;
  QString sendAfterStartupRead;
  TTestTimes testTimes;
};

// The process's environment as it is now.
TProgramEnvironment readProgramEnvironment();
