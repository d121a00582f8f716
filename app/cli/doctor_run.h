#pragma once
// kelvox-setup --doctor: the connection check without a window. The clock is looked for on every
// port at once; then one line per port on standard output, the port and why it did or did not
// serve, with the fix. Exit code 0 when a clock answered, 1 otherwise.
#include "port_list.h"
#include "system_facts.h"

class QCommandLineParser;

void addDoctorOption(QCommandLineParser& parser);
bool doctorRequested(const QCommandLineParser& parser);

// Runs the check over `list` under the QCoreApplication that exists; gives the exit code.
int runDoctor(const TPortList& list, const TSystemFacts& facts);
