#pragma once
// A hook for the installation test: with KELVOX_SETUP_QUIT_AFTER_STARTUP_READ set, the program
// prints how its start-up read of the clock ended and quits, with status 0 when the clock
// answered. Without the variable nothing changes.
class TForm1;

void quitAfterStartupReadWhenAsked(TForm1& form);
