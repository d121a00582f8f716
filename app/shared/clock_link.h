#pragma once
// The serial component set up as the link to the clock, for the window and the command line.
#include "problem.h"

class TSerial;

// The clock's line (clock_line.h): 19200 baud, 8 data bits, even parity checked, 1 stop bit, no
// flow control, in the order the port selection writes them. On a closed port this only stores.
void setClockLine(TSerial& serial);
// A port for the clock: its line, whole messages from "$" to CR, no error boxes (the owner
// judges an open by Active), and sends that never wait for room.
void makeClockLink(TSerial& serial);
// Why the port's last open failed, in the program's own terms; kind None when it opened.
TProblem openProblem(const TSerial& serial);
