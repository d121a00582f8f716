#include "clock_link.h"

#include "Serial4.h"
#include "clock_line.h"

void setClockLine(TSerial& serial) {
  serial.setBaudrate(clockline::kBaudrate);
  serial.setDataBits(clockline::kDataBits == 8 ? d8bit : d7bit);
  serial.setCheckParity(true);
  serial.setStopBits(clockline::kStopBits == 1 ? st1bit : st2bit);
  serial.setFlowMode(clockline::kFlowControl ? fcRTS_CTS : fcNone);
  serial.setParity(clockline::kEvenParity ? paEven : paNone);
}

void makeClockLink(TSerial& serial) {
  serial.setNotifyErrors(neNone);
  serial.setWaitOnTxFull(false);
  setClockLine(serial);
  serial.setRxEventMode(rxMessage);
  serial.setMessageStartChar(clockline::kStartChar);
  serial.setMessageEndChar(clockline::kEndChar);
}

TProblem openProblem(const TSerial& serial) {
  using Kind = TProblem::Kind;
  const OpenFailure& failure = serial.lastOpenFailure();
  const auto kind = [&failure] {
    switch (failure.kind) {
      case OpenFailure::Kind::None: return Kind::None;
      case OpenFailure::Kind::NotFound: return Kind::NoSuchFile;
      case OpenFailure::Kind::PermissionDenied: return Kind::PermissionDenied;
      case OpenFailure::Kind::InUse: return Kind::InUse;
      case OpenFailure::Kind::NotASerialPort: return Kind::NotASerialPort;
      case OpenFailure::Kind::Other: break;
    }
    return Kind::Other;
  }();
  return {kind, failure.reason, failure.code};
}
