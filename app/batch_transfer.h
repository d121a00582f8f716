#pragma once
// The command line's transfers, without a window or a display:
//   kelvox-setup --read FILE [--port N]   reads the clock into the configuration file FILE
//   kelvox-setup --send FILE [--port N]   sends the configuration file FILE to the clock
// They run the window's read and send (TClockTransfer on a TSerial) and end with exit code 0, or
// 1 and one line on standard error saying what failed. Progress goes to standard error when it is
// a terminal.
#include <QStringList>

class QCommandLineParser;

// Adds --read, --send and --port.
void addBatchTransferOptions(QCommandLineParser& parser);
// Whether the command line names one of them (also when it is malformed).
bool batchTransferRequested(const QCommandLineParser& parser);
// Runs the transfer under the QCoreApplication that exists; gives the exit code. parsed: the
// result of the parser's parse(), whose error is reported when it failed.
int runBatchTransfer(const QCommandLineParser& parser, bool parsed);

// The program's arguments as a parser takes them, before any application object exists.
QStringList commandLineArguments(int argc, char** argv);
