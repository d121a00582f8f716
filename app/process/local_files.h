#pragma once
// Files named as Qt names them, reached as the system reaches them. Each system's side lives in
// platform/<system>/local_files_<system>.cpp, chosen by the build.
#include <QFile>
#include <QString>
#include <filesystem>

#include "problem.h"

// The name as the system's file calls take it, for a name from a dialog or from the command line
// alike: its bytes on POSIX systems (UTF-8, and a command-line name's bytes that are not UTF-8 as
// they were given, argument_text.h), its UTF-16 text on Windows.
std::filesystem::path localPath(const QString& name);
// The other way round: a path as a name the program shows and hands to localPath again.
QString localName(const std::filesystem::path& path);

// Opens path for reading into file only when it is a regular file, or a link to one; else why
// not ("not a regular file", "no such file", ...). A FIFO, a device or a folder of that name is
// not opened, since opening a device can already act on it, and whatever is opened is looked at
// again, so that one put in the file's place meanwhile is refused too. The open never waits.
TProblem openRegularFile(const std::filesystem::path& path, QFile& file);

inline bool openRegularFile(const QString& name, QFile& file) {
  return !openRegularFile(localPath(name), file).failed();
}
