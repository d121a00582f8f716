#include "connection_check.h"

#include "argument_text.h"
#include "clock_search.h"
#include "port_diagnosis_texts.h"
#include "port_transfer.h"

TPortIdentity identityOf(const TPortEntry& port) {
  const QString device = port.path.isEmpty() ? port.name : port.path;
  return {argumentBytes(device), port.usbId.toStdString()};
}

std::vector<TPortCheck> portChecks(const TClockSearch& search, const TSystemFacts& facts) {
  std::vector<TPortCheck> checks;
  for (std::size_t index = 0; index < search.ports().size(); ++index) {
    const TPortEntry& port = search.ports()[index];
    checks.push_back({port, diagnosePort(search.finding(index), identityOf(port), facts)});
  }
  return checks;
}

TConnectionCheck::TConnectionCheck(std::vector<TPortEntry> ports)
    : ports_(std::move(ports)),
      transfer_(std::make_unique<TPortTransfer>(TPortTransfer::Direction::Read, TClockConfig())) {
  transfer_->search(ports_);
}

TConnectionCheck::~TConnectionCheck() = default;

void TConnectionCheck::start(std::function<void()> finished) { transfer_->start(std::move(finished)); }

void TConnectionCheck::run() { transfer_->run(); }

void TConnectionCheck::interrupt() { transfer_->interrupt(); }

bool TConnectionCheck::clockAnswered() const { return transfer_->foundPort().has_value(); }

std::vector<TPortCheck> TConnectionCheck::results(const TSystemFacts& facts) const {
  const TClockSearch* search = transfer_->searching();
  return search ? portChecks(*search, facts) : std::vector<TPortCheck>{};
}

QStringList connectionCheckLines(const TConnectionCheck& check, const TSystemFacts& facts, int language) {
  QStringList lines;
  if (check.noPorts()) lines << diagnosisLine(noSerialPortText(language), diagnoseNoPorts(facts), language);
  for (const TPortCheck& port : check.results(facts))
    lines << diagnosisLine(shownName(port.port.shown()), port.diagnosis, language);
  return lines;
}
