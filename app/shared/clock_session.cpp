#include "clock_session.h"

#include <QtGlobal>
#include <algorithm>

#include "Serial4.h"
#include "argument_text.h"
#include "saved_port.h"

namespace {

const QString kEveryPort = QStringLiteral("; looking for the clock on every port");

// A test's shorter time; anything else leaves the designed one.
std::optional<int> shorterForTests(std::optional<int> ms, int designedMs) {
  if (!ms || *ms < TClockSession::kShortestTestTimeMs || *ms > designedMs) return std::nullopt;
  return ms;
}

}  // namespace

TClockSession::TClockSession(TransferHost& host, WeekTable& table, TSerial* serial, const TTestTimes& testTimes)
    : line_(serial), transfer_(line_, replyTimer_, host, table) {
  QObject::connect(&timeout_, &QTimer::timeout, [this] { transfer_.TimeoutTimer(); });
  if (const auto ms = shorterForTests(testTimes.replyTimeoutMs, TClockTransfer::kReplyTimeoutMs))
    transfer_.setReplyTimeoutMs(*ms);
  if (const auto ms = shorterForTests(testTimes.firstTickMs, TClockTransfer::kFirstTickMs))
    transfer_.setFirstTickMs(*ms);
}

TPortEntry TClockSession::savedEntry(const TSavedPort& saved, const std::vector<TPortEntry>& ports) {
  const TSavedPortMatch match = findSavedPort(saved, ports);
  if (!match.index) {
    TPortEntry absent;  // opened as saved: it may be there without the list knowing it
    absent.button = saved.button;
    absent.name = absent.path = savedPortName(saved);
    return absent;
  }
  const TPortEntry& now = ports[*match.index];
  if (match.moved)
    listener_->adapterMoved(QStringLiteral("the adapter saved as %1 in kelvox.ini is now %2; using %2")
                                .arg(shownSavedPortName(saved), shownName(now.name)));
  return now;
}

bool TClockSession::openSavedPort(const TSavedPort& saved, const std::vector<TPortEntry>& ports,
                                  const PortOpener& open) {
  const TPortEntry entry = savedEntry(saved, ports);
  const TProblem problem = open(entry);
  if (!problem.failed()) return true;
  listener_->searchingEveryPort(QStringLiteral("%1, saved in kelvox.ini, is not available (%2)")
                                    .arg(shownName(entry.name), QString::fromStdString(problem.text)) +
                                kEveryPort);
  return false;
}

void TClockSession::savedPortSilent(const QString& failure) { listener_->searchingEveryPort(failure + kEveryPort); }

void TClockSession::portSkipped(const TPortEntry& port, const QString& reason) {
  listener_->portSkipped(port, reason, port.shown() + QStringLiteral(": ") + reason);
}

void TClockSession::clockFoundOn(const TPortEntry& port) {
  listener_->clockFoundOn(port, QStringLiteral("the clock answered on %1").arg(port.shown()));
}

void TClockSession::startSearch(std::vector<TPortEntry> ports, TClockSearch::Found found,
                                TClockSearch::Forward forward) {
  search_ = std::make_unique<TClockSearch>(std::move(ports), std::move(found), std::move(forward));
  search_->open();
  const auto skipped = [this](const TClockSearch::Skipped& s) { portSkipped(search_->ports()[s.index], s.reason); };
  for (const TClockSearch::Skipped& s : search_->skipped()) skipped(s);
  search_->onDropped(skipped);
  line_.attachSearch(search_.get());
}

void TClockSession::endSearch(TSerial* serial) {
  if (!search_) return;
  line_.attach(serial);
  search_->close();
  QMetaObject::invokeMethod(
      &timeout_, [ended = std::shared_ptr<TClockSearch>(std::move(search_))] {}, Qt::QueuedConnection);
}

int TClockSession::clamped(Setting s, int value) {
  const SettingRange range = settingRange(s);
  return std::clamp(value, range.min, range.max);
}
