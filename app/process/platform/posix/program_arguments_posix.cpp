// The command line on POSIX systems: a name is its bytes, whatever the locale says of them.
#include "argument_text.h"
#include "program_arguments.h"

QStringList programArguments(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << argumentText(argv[i]);
  return arguments;
}
