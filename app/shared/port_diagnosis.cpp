#include "port_diagnosis.h"

#include <algorithm>
#include <cctype>

namespace {

using Cause = TPortDiagnosis::Cause;

constexpr char kModemManager[] = "ModemManager";
constexpr char kBrltty[] = "brltty";

// NMEA talkers of satellite receivers: GPS, GLONASS, Galileo, BeiDou, QZSS, and several at once.
bool isNmeaSentence(const std::string& message) {
  static const char* const talkers[] = {"$GP", "$GN", "$GL", "$GA", "$GB", "$BD", "$QZ"};
  if (message.size() < 7 || message[6] != ',') return false;
  const bool talker = std::any_of(std::begin(talkers), std::end(talkers),
                                  [&](const char* t) { return message.compare(0, 3, t) == 0; });
  return talker && std::all_of(message.begin() + 3, message.begin() + 6,
                               [](char c) { return std::isupper(static_cast<unsigned char>(c)) != 0; });
}

int rank(TPortTalk talk) {
  switch (talk) {
    case TPortTalk::None: return 0;
    case TPortTalk::Damaged: return 1;
    case TPortTalk::Other: return 2;
    case TPortTalk::ErrorReply: return 2;
    case TPortTalk::CutShort: return 2;
    case TPortTalk::Echo: return 3;
    case TPortTalk::Gps: return 4;
  }
  return 0;
}

// brltty's rules claim these for braille displays: WCH's CH340 and Silicon Labs' CP210x.
bool brlttyTakes(const std::string& usbId) { return usbId.starts_with("1a86:") || usbId.starts_with("10c4:"); }

TPortDiagnosis withCause(Cause cause) {
  TPortDiagnosis diagnosis;
  diagnosis.cause = cause;
  return diagnosis;
}

TPortDiagnosis heldBy(Cause cause, int pid, std::string program = {}) {
  TPortDiagnosis diagnosis = withCause(cause);
  diagnosis.pid = pid;
  diagnosis.program = std::move(program);
  return diagnosis;
}

TPortDiagnosis permissionDenied(const TPortIdentity& port, const TSystemFacts& facts) {
  const auto group = facts.deviceGroup(port.device);
  if (!group || (group->userIsMember && group->inThisLogin)) return withCause(Cause::PermissionDenied);
  TPortDiagnosis diagnosis = withCause(group->userIsMember ? Cause::GroupNotInLogin : Cause::NotInGroup);
  diagnosis.group = group->name;
  return diagnosis;
}

TPortDiagnosis inUse(const TPortIdentity& port, const TSystemFacts& facts) {
  const auto holders = facts.holders(port.device);
  if (!holders.empty()) {
    // One the system names is worth more than a bare PID.
    const auto named = std::find_if(holders.begin(), holders.end(), [](const auto& h) { return !h.program.empty(); });
    const TSystemFacts::Holder& holder = named != holders.end() ? *named : holders.front();
    if (holder.program == kModemManager) return heldBy(Cause::HeldByModemManager, holder.pid);
    if (holder.program == kBrltty) return heldBy(Cause::HeldByBrltty, holder.pid);
    return heldBy(Cause::HeldBy, holder.pid, holder.program);
  }
  // Held by no process we may see: the usual takers of new USB adapters, when they run.
  if (!port.usbId.empty()) {
    if (brlttyTakes(port.usbId))
      if (const int pid = facts.running(kBrltty)) return heldBy(Cause::HeldByBrltty, pid);
    if (const int pid = facts.running(kModemManager)) return heldBy(Cause::HeldByModemManager, pid);
  }
  return withCause(Cause::InUse);
}

// Linux lets a second process open a port that one holds without a lock: the clock's replies then
// go to whichever reads first, and the open alone does not tell.
TPortDiagnosis silent(const TPortFinding& finding, const TPortIdentity& port, const TSystemFacts& facts) {
  if (finding.clockElsewhere) return withCause(Cause::NoClockHere);
  const auto holders = facts.holders(port.device);
  if (holders.empty()) return withCause(Cause::NothingAnswered);
  const TPortDiagnosis held = inUse(port, facts);
  if (held.cause != Cause::HeldBy) return held;  // ModemManager or brltty, with their own fix
  return heldBy(Cause::HeldOpenToo, held.pid, held.program);
}

TPortDiagnosis withDetail(Cause cause, const std::string& detail) {
  TPortDiagnosis diagnosis = withCause(cause);
  diagnosis.detail = detail;
  return diagnosis;
}

}  // namespace

TPortTalk talkOf(const std::string& message, bool damaged) {
  if (damaged) return TPortTalk::Damaged;
  if (isNmeaSentence(message)) return TPortTalk::Gps;
  if (message == "$\r" || message == "$") return TPortTalk::Echo;
  return TPortTalk::Other;
}

TPortTalk telling(TPortTalk seen, TPortTalk heard) { return rank(heard) > rank(seen) ? heard : seen; }

TPortDiagnosis diagnoseNoPorts(const TSystemFacts& facts) {
  const auto adapters = facts.adaptersWithoutPort();
  if (adapters.empty()) return withCause(Cause::NoDevice);
  const TSystemFacts::Adapter& adapter = adapters.front();
  Cause cause = Cause::AdapterWithoutPort;
  if (adapter.problem != 0)
    cause = Cause::DriverMissing;
  else if (brlttyTakes(adapter.usbId) && facts.running(kBrltty) != 0)
    cause = Cause::BrlttyTookAdapter;
  TPortDiagnosis diagnosis = withCause(cause);
  diagnosis.adapter = adapter;
  return diagnosis;
}

TPortDiagnosis diagnosePort(const TPortFinding& finding, const TPortIdentity& port, const TSystemFacts& facts) {
  using Kind = TPortFinding::Kind;
  switch (finding.kind) {
    case Kind::Clock:
      return withCause(Cause::ClockAnswers);
    case Kind::Silent:
      return silent(finding, port, facts);
    case Kind::Talked: {
      TPortDiagnosis diagnosis = withCause(Cause::OtherDevice);
      diagnosis.talk = finding.talk;
      return diagnosis;
    }
    case Kind::NotOpened:
      break;
  }
  switch (finding.failure.kind) {
    case OpenFailure::Kind::PermissionDenied:
      return permissionDenied(port, facts);
    case OpenFailure::Kind::InUse:
      return inUse(port, facts);
    case OpenFailure::Kind::NotFound:
      return diagnoseNoPorts(facts);
    case OpenFailure::Kind::NotASerialPort:
      return withDetail(Cause::NotASerialPort, finding.failure.reason);
    case OpenFailure::Kind::None:
    case OpenFailure::Kind::Other:
      break;
  }
  return withDetail(Cause::Other, finding.failure.reason);
}

std::string adapterKind(const std::string& vendorId) {
  static const std::pair<const char*, const char*> kinds[] = {
      {"0403", "FTDI"}, {"067b", "Prolific"}, {"10c4", "Silicon Labs"}, {"1a86", "WCH"}};
  std::string vendor = vendorId;
  std::transform(vendor.begin(), vendor.end(), vendor.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  for (const auto& [id, kind] : kinds)
    if (vendor == id) return kind;
  return {};
}
