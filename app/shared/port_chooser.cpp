#include "port_chooser.h"

#include "Serial4.h"

void TPortChooser::scan(TSerial& serial) {
  for (int port = 1; port <= kScannedPorts; ++port) probe(serial, port);
}

bool TPortChooser::probe(TSerial& serial, int port) {
  if (port < 1 || port > kScannedPorts) return false;
  serial.setPort(port);
  serial.setActive(true);
  opened_[port - 1] = serial.Active();
  failures_[port - 1] = opened_[port - 1] ? std::string() : serial.openFailure();
  return opened_[port - 1];
}

bool TPortChooser::opened(int port) const { return port >= 1 && port <= kScannedPorts && opened_[port - 1]; }

const std::string& TPortChooser::failure(int port) const {
  static const std::string none;
  return port >= 1 && port <= kScannedPorts ? failures_[port - 1] : none;
}

int TPortChooser::firstOpened() const {
  for (int port = 1; port <= kScannedPorts; ++port)
    if (opened(port)) return port;
  return 0;
}

std::vector<int> TPortChooser::othersThan(int silent) const {
  std::vector<int> others;
  for (int port = 1; port <= kScannedPorts; ++port)
    if (port != silent && opened(port)) others.push_back(port);
  return others;
}
