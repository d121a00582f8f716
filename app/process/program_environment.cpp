#include "program_environment.h"

#include <QtGlobal>

namespace {

bool isSet(const char* name) { return !qEnvironmentVariableIsEmpty(name); }

std::string bytesOf(const char* name) { return qgetenv(name).toStdString(); }

std::optional<int> numberIn(const char* name) {
  bool isNumber = false;
  const int value = qEnvironmentVariableIntValue(name, &isNumber);
  return isNumber ? std::optional<int>(value) : std::nullopt;
}

}  // namespace

TProgramEnvironment readProgramEnvironment() {
  TProgramEnvironment environment;
  environment.home = bytesOf("HOME");
  environment.xdgConfigHome = bytesOf("XDG_CONFIG_HOME");
  environment.folderPortsOnly = qEnvironmentVariableIsSet("KELVOX_SETUP_FOLDER_PORTS_ONLY");
  environment.displayNamed = isSet("QT_QPA_PLATFORM") || isSet("DISPLAY") || isSet("WAYLAND_DISPLAY");
  environment.quitAfterStartupRead = isSet("KELVOX_SETUP_QUIT_AFTER_STARTUP_READ");
  environment.sendAfterStartupRead = qEnvironmentVariable("KELVOX_SETUP_SEND_AFTER_STARTUP_READ");
  environment.testTimes.replyTimeoutMs = numberIn("KELVOX_SETUP_REPLY_TIMEOUT_MS");
  environment.testTimes.firstTickMs = numberIn("KELVOX_SETUP_FIRST_TICK_MS");
  return environment;
}
