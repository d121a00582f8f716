#pragma once
// Why a port did not serve, and what to do about it: the search's finding for the port (it did
// not open, stayed silent, or talked as something other than the clock) set beside what the
// system's files tell (who owns the device, who holds it, which adapters have no port behind
// them). Plain C++: the host words it (port_diagnosis_texts.h), the platform reads the facts
// (system_facts.h).
#include <optional>
#include <string>
#include <vector>

#include "open_failure.h"
#include "system_facts.h"

// What a port said that was no clock's answer.
enum class TPortTalk {
  None,
  Gps,      // NMEA sentences ("$GPGGA,…"): a GPS receiver
  Echo,     // the read request came back as it was sent: a loop-back plug, or a modem echoing
  Damaged,  // only damaged characters: another speed, or a bad line
  ErrorReply,  // the clock's error reply, and nothing more
  CutShort,    // settings as the clock gives them, then silence
  Other,
};

// What a talk's message sounds like; None for the clock's own answers.
TPortTalk talkOf(const std::string& message, bool damaged);
// The more telling of two: a GPS receiver or an echo outweighs other talk, all of them damage.
TPortTalk telling(TPortTalk seen, TPortTalk heard);

// What the search learnt of one port.
struct TPortFinding {
  enum class Kind { Clock, NotOpened, Silent, Talked };
  Kind kind = Kind::Silent;
  OpenFailure failure;          // NotOpened: why
  TPortTalk talk = TPortTalk::None;  // Talked: what it sounded like
  bool clockElsewhere = false;  // the clock answered on another port
};

// The port as the diagnosis sees it.
struct TPortIdentity {
  std::string device;  // what it opens: "/dev/ttyUSB0", a COMn link; "COM3" on Windows
  std::string usbId;   // "1a86:7523"; empty for other hardware
};

struct TPortDiagnosis {
  enum class Cause {
    ClockAnswers,
    NotInGroup,          // group: the device's group, which the user is not in
    GroupNotInLogin,     // group: the user is in it, this login is not
    PermissionDenied,    // no group that would allow it
    HeldBy,              // pid, program: a process holding the device
    HeldByModemManager,  // pid (0: not seen holding it, but running and the adapter one it probes)
    HeldByBrltty,        // pid, as above
    InUse,               // held, by no process we may see
    AdapterWithoutPort,  // adapter: a known adapter with no serial port (Linux: driver not loaded)
    DriverMissing,       // adapter, problem: Windows shows the adapter with a problem code
    BrlttyTookAdapter,   // adapter: brltty runs and took it for a braille display
    NoDevice,            // nothing behind the port's name, and no adapter of a known kind
    NotASerialPort,      // detail: what the name leads to
    NothingAnswered,     // opened, and silent: the clock's cable or power
    HeldOpenToo,         // pid, program: opened and silent, while another process holds it open as well
    NoClockHere,         // opened and silent, while the clock answered on another port
    OtherDevice,         // talk: what answers on it, if not the clock
    Other,               // detail: the system's reason
  };
  Cause cause = Cause::Other;
  std::string group;
  int pid = 0;
  std::string program;
  TSystemFacts::Adapter adapter;
  TPortTalk talk = TPortTalk::None;
  std::string detail;
};

TPortDiagnosis diagnosePort(const TPortFinding& finding, const TPortIdentity& port, const TSystemFacts& facts);
// No serial port at all: an adapter of a known kind without its port, or none connected.
TPortDiagnosis diagnoseNoPorts(const TSystemFacts& facts);
