#pragma once
// What the system around the process offers, which differs between systems. Each system's answer
// lives in platform/<system>/desktop_<system>.cpp, chosen by the build.
#include <QString>
#include <cstdio>

#include "program_environment.h"

namespace desktop {

// Whether a window can be shown without the user naming a Qt platform: on X11 and Wayland only
// when the environment names a display (or a Qt platform); a Windows desktop is always there.
bool displayExpected(const TProgramEnvironment& environment);

// Lets standard output and standard error reach the console the program was started from, and
// Ctrl+C there reach the program. A Windows window program has no console of its own and attaches
// to its parent's; a POSIX program has its terminal already.
void useStartingConsole();

// Whether standard error goes to a terminal or console that a person watches, rather than to a
// file or a pipe: progress shown in place suits only the former.
bool standardErrorIsTerminal();

// Writes text to stream (stdout or stderr) with every letter of a name as typed: a Windows
// console gets the text as UTF-16, since no code page holds every name; a file or a pipe gets
// UTF-8 there, and a POSIX terminal the locale's encoding.
void write(std::FILE* stream, const QString& text);

}  // namespace desktop
