#pragma once
// The command line's transfers, without a window or a display:
//   kelvox-setup --read FILE [--port P]   reads the clock into the configuration file FILE
//   kelvox-setup --send FILE [--port P]   sends the configuration file FILE to the clock and reads
//                                         it back to verify it (not with --no-verify)
//   kelvox-setup --compare FILE [--port P] reads the clock and compares it with FILE
// P is a port number, COMn or a device path (port_argument.h). Here their options and the request a parsed command line makes; batch_run.h runs it.
#include <QString>
#include <filesystem>
#include <optional>

#include "port_argument.h"
#include "working_folder.h"

class QCommandLineParser;

// A transfer the command line asks for.
struct TBatchRequest {
  bool reading = false;         // the clock is read: --read, --compare
  bool comparing = false;       // --compare: the file is compared with the clock, never written
  bool verify = true;           // --send reads the clock back; --no-verify leaves it
  QString file;                 // as given, shown on one line (see shownName)
  std::filesystem::path path;   // its bytes as given, made absolute in the start folder
  QString pathProblem;          // why no absolute path could be made (the start folder is gone)
  std::optional<TPortArgument> port;  // --port; otherwise the saved or the first usable port
  bool allClocks = false;       // --all-clocks: every clock on every port at once; --read names a folder
  int retries = 0;              // --retries: further runs of a transfer that failed on its line
  QString report;               // --report: as given, shown on one line; empty: none
  std::filesystem::path reportPath;
  bool json = false;            // --json: the report's document on standard output
};

// Adds --read, --send, --compare, --no-verify, --port, --all-clocks, --retries and --report.
void addBatchTransferOptions(QCommandLineParser& parser);
// Whether the command line names one of them.
bool batchTransferRequested(const QCommandLineParser& parser);
// The request of a parsed command line, its file in `start`, the folder the program was started
// in; nothing, and the reason in error, when it is malformed.
std::optional<TBatchRequest> batchRequest(const QCommandLineParser& parser, const TStartFolder& start,
                                          QString& error);
