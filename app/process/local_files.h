#pragma once
// Files named as Qt names them, reached as the system reaches them. Each system's side lives in
// platform/<system>/local_files_<system>.cpp, chosen by the build.
#include <QFile>
#include <QString>
#include <filesystem>

// The name as the system's file calls take it: its bytes on POSIX systems (QFile::encodeName),
// its UTF-16 text on Windows.
std::filesystem::path localPath(const QString& name);

// Opens name for reading into file only when it is a regular file, or a link to one. A FIFO, a
// device or a folder of that name counts as absent: false, and it is never opened, since opening
// a device can already act on it. The open does not wait.
bool openRegularFile(const QString& name, QFile& file);
