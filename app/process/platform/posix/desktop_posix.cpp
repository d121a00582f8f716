#include <unistd.h>

#include <QtGlobal>

#include "desktop.h"

namespace {
bool isSet(const char* name) { return !qEnvironmentVariableIsEmpty(name); }
}  // namespace

bool desktop::displayExpected() {
  return isSet("QT_QPA_PLATFORM") || isSet("DISPLAY") || isSet("WAYLAND_DISPLAY");
}

void desktop::useStartingConsole() {}

bool desktop::standardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

void desktop::write(std::FILE* stream, const QString& text) {
  std::fputs(text.toLocal8Bit().constData(), stream);
  std::fflush(stream);
}
