#pragma once
// Runs a --read or --send. It runs the window's read and send (TPortTransfer) and ends with exit
// code 0, or 1 and one line on standard error saying what failed. Progress goes to standard error
// when it is a terminal.
#include "batch_options.h"
#include "program_environment.h"
#include "port_list.h"
#include "working_folder.h"

// Runs the transfer under the QCoreApplication that exists; gives the exit code. The saved port
// and the COMn entries are those of `folder`; `ports` is the list looked at when no port is asked.
int runBatchTransfer(const TBatchRequest& request, const TWorkingFolder& folder, const TPortList& ports,
                     const TTestTimes& testTimes = {});
