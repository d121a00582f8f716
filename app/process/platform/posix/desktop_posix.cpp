#include <unistd.h>

#include "desktop.h"

bool desktop::displayExpected(const TProgramEnvironment& environment) { return environment.displayNamed; }

void desktop::useStartingConsole() {}

bool desktop::standardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

void desktop::write(std::FILE* stream, const QString& text) {
  std::fputs(text.toLocal8Bit().constData(), stream);
  std::fflush(stream);
}
