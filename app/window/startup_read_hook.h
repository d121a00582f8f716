#pragma once
// Hooks for the tests of the installed program, which drive the real window with no one at it.
// Without their variables nothing changes.
//   KELVOX_SETUP_QUIT_AFTER_STARTUP_READ=1   prints how the start-up read of the clock ended and
//                                            quits, with status 0 when the clock answered and 1
//                                            when it did not; the no-answer box is printed, not
//                                            shown
//   KELVOX_SETUP_SEND_AFTER_STARTUP_READ=FILE
//                                            after a start-up read that the clock answered, opens
//                                            FILE into the window as File > Open does, clicks
//                                            "Send to clock", and quits once the send has ended:
//                                            acknowledged and read back as sent (status 0). Every box
//                                            the window would show is printed instead and ends the
//                                            run with status 1; the relay question is answered No.
// main reads them with the rest of the environment (program_environment.h).
#include <QString>

class TForm1;

// What the variables ask for.
struct TStartupReadHook {
  bool quitAfterRead = false;  // KELVOX_SETUP_QUIT_AFTER_STARTUP_READ
  QString sendFile;            // KELVOX_SETUP_SEND_AFTER_STARTUP_READ, as the window opens it
};

void quitAfterStartupReadWhenAsked(TForm1& form, const TStartupReadHook& hook);
