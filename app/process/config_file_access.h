#pragma once
// Configuration files on disk, for the window and the command line: the text form is the one of
// config_file.h; this adds the file itself (a regular file of sane size, read without waiting on
// anything but a disk, written safely as safe_write.h says: never in place). Paths are taken as
// bytes, so that any name the system allows can be used.
#include <QString>
#include <filesystem>

#include "config_file.h"
#include "problem.h"

// A file larger than this is no configuration file (a full one has about 1.3 KB).
inline constexpr qint64 kMaxConfigFileSize = 64 * 1024;

// Reads path into config; on failure config is untouched and the problem says why, for example
// (as Other) "line 7: Mon 1: time 24:00:00 is out of range (00:00:00 to 23:59:59)".
TProblem loadConfigFile(const std::filesystem::path& path, TClockConfig& config);
// Writes config to path; a kill or a full disk never leaves a half-written file, and anything
// but a regular file is never replaced.
TProblem saveConfigFile(const std::filesystem::path& path, const TClockConfig& config);

// The same for a name as the window's file dialog gives it.
TProblem loadConfigFile(const QString& path, TClockConfig& config);
TProblem saveConfigFile(const QString& path, const TClockConfig& config);
