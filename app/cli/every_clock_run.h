#pragma once
// Runs --send, --compare or --read with --all-clocks: every port at once, a line per clock as it
// ends, a summary line, and the report when one is asked for. Exit codes:
//   --send     0 every clock found verified; 3 none failed, at least one holds other values;
//              1 any transfer failed, or no clock was found
//   --compare  0 every clock agrees; 1 any differs; 2 any could not be read, or none was found
//   --read     0 every clock read and written; 1 any failed, or no clock was found
#include <QByteArray>
#include <filesystem>

#include "batch_options.h"
#include "clock_report.h"
#include "port_list.h"
#include "program_environment.h"

// `ports` is the working folder's list of ports.
int runEveryClock(const TBatchRequest& request, const TPortList& ports, const TTestTimes& testTimes = {});
// The report's header for `request`: the program, and the file sent or compared with (none for a read).
TReportHeader reportHeader(const TBatchRequest& request);
