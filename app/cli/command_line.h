#pragma once
// The command line of kelvox-setup. It is read before the application object exists, so that
// --help, --version and a wrong option need neither a display nor a serial port.
#include <QString>
#include <QStringList>
#include <optional>

#include "batch_options.h"
#include "program_environment.h"
#include "show_plan.h"
#include "working_folder.h"

struct TCommandLine {
  enum class Mode { Window, Help, Version, Invalid, Batch, ListPorts, Show, Doctor };
  Mode mode = Mode::Window;
  QString text;                // what Help, Version and Invalid print
  TBatchRequest batch;         // what Batch runs (--read or --send)
  QString file;                // Window: a configuration file to open once it has started, absolute
  TShowRequest show;           // what Show runs (--show)
  bool json = false;           // --json: the command's document on standard output
  bool displayChosen = false;  // Qt's own -platform or -display given, which the application object reads
};

// The version of the program, as the build sets it.
QString programVersion();

// File names on the command line lie in `start`, the folder the program was started in.
TCommandLine parseCommandLine(const QStringList& arguments, const TStartFolder& start);
// The program's arguments as the parser takes them, before any application object exists.
QStringList commandLineArguments(int argc, char** argv);

// Runs what needs neither a window nor a port: prints the help, the version, the error in a wrong command
// line, or that a display is missing. Returns the exit status then; nothing when the window is to start.
std::optional<int> answerWithoutWindow(const TCommandLine& commandLine,
                                       const TProgramEnvironment& environment);
