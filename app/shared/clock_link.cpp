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
