#pragma once
// Runs a --read or --send. It runs the window's read and send (TPortTransfer) and ends with exit
// code 0, or 1 and one line on standard error saying what failed. Progress goes to standard error
// when it is a terminal.
#include "batch_options.h"

// Runs the transfer under the QCoreApplication that exists; gives the exit code.
int runBatchTransfer(const TBatchRequest& request);
