// The command line on Windows, from its UTF-16 text: argv went through the ANSI code page, whose
// best-fit conversion turns letters it lacks into others (Ł into L) or into "?".
#include <windows.h>
#include <shellapi.h>

#include "program_arguments.h"

QStringList programArguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  QStringList arguments;
  if (wide == nullptr) {  // out of memory: the best the system gave is still better than nothing
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
  }
  for (int i = 0; i < count; ++i) {
    const QString argument = QString::fromWCharArray(wide[i]);
    arguments << (i > 0 && argument == QLatin1String("/?") ? QStringLiteral("--help") : argument);
  }
  LocalFree(wide);
  return arguments;
}
