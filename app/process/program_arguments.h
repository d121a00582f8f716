#pragma once
// The program's command line, taken as the system hands it over; local_files.h's localPath makes a
// file name from it what the system's file calls take. Each system's side lives in
// platform/<system>/program_arguments_<system>.cpp, chosen by the build.
//   POSIX:   the bytes of argv; a name's bytes that are not UTF-8 are kept (argument_text.h).
//   Windows: the Unicode command line, since argv holds the ANSI code page's best-fit look-alikes
//            (Łódź.cfg would arrive as Lódz.cfg, another file); "/?" is the usual ask for help.
#include <QString>
#include <QStringList>

QStringList programArguments(int argc, char** argv);
