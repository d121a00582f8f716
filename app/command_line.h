#pragma once
// The command line of kelvox-setup. It is read before the application object exists, so that
// --help, --version and a wrong option need neither a display nor a serial port.
#include <QString>
#include <QStringList>
#include <optional>

struct TCommandLine {
  enum class Mode { Window, Help, Version, Invalid };
  Mode mode = Mode::Window;
  QString text;                // what Help, Version and Invalid print
  bool displayChosen = false;  // Qt's own -platform or -display given, which the application object reads
};

// The version of the program, as the build sets it.
QString programVersion();

TCommandLine parseCommandLine(const QStringList& arguments);

// Runs what needs no window: prints the help, the version, the error in a wrong command line, or
// that a display is missing. Returns the exit status then; nothing when the window is to start.
std::optional<int> answerWithoutWindow(const TCommandLine& commandLine);
