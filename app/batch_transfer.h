#pragma once
// The command line's transfers, without a window or a display:
//   kelvox-setup --read FILE [--port N]   reads the clock into the configuration file FILE
//   kelvox-setup --send FILE [--port N]   sends the configuration file FILE to the clock
// They run the window's read and send (TClockTransfer on a TSerial) and end with exit code 0, or
// 1 and one line on standard error saying what failed. Progress goes to standard error when it is
// a terminal.
#include <QString>
#include <optional>

class QCommandLineParser;

// A transfer the command line asks for.
struct TBatchRequest {
  bool reading = false;
  QString file;             // as given, for the messages
  QString path;             // the same, absolute: the program may change folders before it runs
  std::optional<int> port;  // --port; otherwise the saved or the first usable port
};

// Adds --read, --send and --port.
void addBatchTransferOptions(QCommandLineParser& parser);
// Whether the command line names one of them.
bool batchTransferRequested(const QCommandLineParser& parser);
// The request of a parsed command line; nothing, and the reason in error, when it is malformed.
std::optional<TBatchRequest> batchRequest(const QCommandLineParser& parser, QString& error);
// Runs the transfer under the QCoreApplication that exists; gives the exit code.
int runBatchTransfer(const TBatchRequest& request);
