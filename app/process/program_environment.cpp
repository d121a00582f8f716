#include "program_environment.h"

#include <QtGlobal>

namespace {

bool isSet(const char* name) { return !qEnvironmentVariableIsEmpty(name); }

std::string bytesOf(const char* name) { return qgetenv(name).toStdString(); }

}  // namespace

TProgramEnvironment readProgramEnvironment() {
  TProgramEnvironment environment;
  environment.home = bytesOf("HOME");
  environment.xdgConfigHome = bytesOf("XDG_CONFIG_HOME");
  environment.folderPortsOnly = qEnvironmentVariableIsSet("KELVOX_SETUP_FOLDER_PORTS_ONLY");
  environment.displayNamed = isSet("QT_QPA_PLATFORM") || isSet("DISPLAY") || isSet("WAYLAND_DISPLAY");
  environment.quitAfterStartupRead = isSet("KELVOX_SETUP_QUIT_AFTER_STARTUP_READ");
  environment.sendAfterStartupRead = qEnvironmentVariable("KELVOX_SETUP_SEND_AFTER_STARTUP_READ");
  return environment;
}
