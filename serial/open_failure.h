// Why a port did not open, the same on every platform: a kind the program can act on, the
// system's own code, and the reason as the user is told it.
#pragma once

#include <string>

struct OpenFailure {
  enum class Kind {
    None,              // the last open succeeded
    NotFound,          // no device behind the port's name
    PermissionDenied,  // the device is there, this user may not open it
    InUse,             // another program (or another port of this one) has it open
    NotASerialPort,    // the name leads to something that is no serial device
    Other,
  };
  Kind kind = Kind::None;
  int code = 0;        // errno, or the Windows error code
  std::string reason;  // with its remedy where there is one
};
