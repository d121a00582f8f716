#pragma once
// Configuration files on disk, for the window and the command line: the text form is the one of
// config_file.h; this adds the file itself (a regular file of sane size, written through a
// temporary file that then replaces the old one).
#include <QString>

#include "config_file.h"

// A file larger than this is no configuration file (a full one has about 1.3 KB).
inline constexpr qint64 kMaxConfigFileSize = 64 * 1024;

// Reads path into config; on failure config is untouched and error says why, for example
// "line 7: Mon 1: time 24:00:00 is out of range (00:00:00 to 23:59:59)".
bool loadConfigFile(const QString& path, TClockConfig& config, QString& error);
// Writes config to path; a crash or a full disk never leaves a half-written file.
bool saveConfigFile(const QString& path, const TClockConfig& config, QString& error);
