#pragma once
// kelvox-setup --show FILE [--export PLAN]: prints a configuration file's five settings and, for
// each day, its switch times in time order and when the relay is ON, without a window or a
// display; with --export it also writes the week plan sheet (PDF or PNG, by PLAN's extension).
#include <QString>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "config_file.h"
#include "working_folder.h"

class QCommandLineParser;

struct TShowRequest {
  QString file;                 // as given, shown on one line
  std::filesystem::path path;   // absolute
  QString exportFile;           // --export, empty when not given
  std::filesystem::path exportPath;
  bool json = false;            // --json: the plan as a JSON document on standard output
};

void addShowOptions(QCommandLineParser& parser);
bool showRequested(const QCommandLineParser& parser);
// Names lie in `start`, the folder the program was started in.
std::optional<TShowRequest> showRequest(const QCommandLineParser& parser, const TStartFolder& start,
                                        QString& error);

// What --show prints for config: "language = 2" .. "timeout = 1", then per day a line of its
// switch times and the line of the week overview's text.
std::string showText(const TClockConfig& config);

// Runs the request; the exit status: 0, or 1 with one line on standard error naming the problem.
// startApplication runs once the file has been read: the export draws with Qt's GUI module, so
// it makes a QGuiApplication then (a plain QCoreApplication does without an export).
int runShow(const TShowRequest& request, const std::function<void()>& startApplication);
