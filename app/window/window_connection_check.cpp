#include <QAction>

#include "KVX_Setup.h"
#include "Serial4.h"
#include "argument_text.h"
#include "clock_search.h"
#include "connection_check.h"
#include "port_diagnosis_texts.h"

// --- Why a port did not serve -------------------------------------------------------------------
//
// Help > "Connection check…" looks for the clock on every port as the search does, in a transfer
// of its own: the window's settings and switch times stay as they are, and so do the selected
// port and kelvox.ini. The window's own port is closed while the check asks it, and opened again
// after. The no-answer box names the cause of each port that did not serve below its text.

void TForm1::setSystemFacts(std::unique_ptr<TSystemFacts> facts) { facts_ = std::move(facts); }

void TForm1::ConnectionCheck1Click() {
  if (!configurationFilesAllowed() || !everyClock_.isNull()) return;
  const std::vector<TPortEntry> ports = portList_->ports();
  lendPort(ports);
  check_ = std::make_unique<TConnectionCheck>(ports);
  // Its box opens once the check's own handlers are through.
  check_->start([this] { QMetaObject::invokeMethod(this, [this] { connectionCheckEnded(); }, Qt::QueuedConnection); });
}

void TForm1::connectionCheckEnded() {
  takeBackPort();
  const QStringList lines = connectionCheckLines(*check_, *facts_, language());
  showHeldBox(displayLines(connectionCheckTitle(language()) + QStringLiteral("\r\n") + lines.join(QStringLiteral("\r\n"))));
}

QStringList TForm1::unansweredCauses() const {
  QStringList lines;
  const TClockSearch* search = session_.search();
  if (search && !search->found()) {
    for (const TPortCheck& port : portChecks(*search, *facts_))
      lines << diagnosisLine(shownName(port.port.shown()), port.diagnosis, language());
  } else if (!search && selected_) {
    TPortFinding finding;
    if (!serial_->Active()) {
      finding.kind = TPortFinding::Kind::NotOpened;
      finding.failure = serial_->lastOpenFailure();
    }
    lines << diagnosisLine(shownName(selected_->shown()), diagnosePort(finding, identityOf(*selected_), *facts_),
                           language());
  }
  // No port at all: the no-port line says what to look at; an adapter without its port is named.
  if (ports_.empty()) {
    const TPortDiagnosis none = diagnoseNoPorts(*facts_);
    if (none.cause != TPortDiagnosis::Cause::NoDevice) lines << diagnosisLine(noSerialPortText(language()), none, language());
  }
  return lines;
}
