#pragma once
// The command line's transfers, without a window or a display:
//   kelvox-setup --read FILE [--port N]   reads the clock into the configuration file FILE
//   kelvox-setup --send FILE [--port N]   sends the configuration file FILE to the clock
// They run the window's read and send (TClockTransfer on a TSerial) and end with exit code 0, or
// 1 and one line on standard error saying what failed. Progress goes to standard error when it is
// a terminal.
#include <QString>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

class QCommandLineParser;

// A transfer the command line asks for.
struct TBatchRequest {
  bool reading = false;
  QString file;                 // as given, shown on one line (see shownName)
  std::filesystem::path path;   // its bytes as given, absolute: the program changes folders before it runs
  QString pathProblem;          // why no absolute path could be made (the start folder is gone)
  std::optional<int> port;      // --port; otherwise the saved or the first usable port
};

// A command-line argument as the parser takes it. Bytes that are not UTF-8 become the lone
// surrogates U+DC80..U+DCFF, so that argumentBytes gives the argument back byte for byte.
QString argumentText(std::string_view bytes);
std::string argumentBytes(const QString& text);
// A name as a message shows it on one line: control characters and bytes that are not UTF-8
// written as \n, \r, \t or \xHH.
QString shownName(const QString& text);

// Adds --read, --send and --port.
void addBatchTransferOptions(QCommandLineParser& parser);
// Whether the command line names one of them.
bool batchTransferRequested(const QCommandLineParser& parser);
// The request of a parsed command line; nothing, and the reason in error, when it is malformed.
std::optional<TBatchRequest> batchRequest(const QCommandLineParser& parser, QString& error);
// Runs the transfer under the QCoreApplication that exists; gives the exit code.
int runBatchTransfer(const TBatchRequest& request);
