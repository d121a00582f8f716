#include "clock_search.h"

#include <algorithm>

#include "Serial4.h"
#include "clock_link.h"
#include "messages.h"

namespace {

// The clock's own answers to a read request: its settings replies and its error reply. Nothing
// else on the line identifies it.
bool isClockAnswer(const std::string& message) {
  return !message.empty() && message.front() == '$' && (replySetting(message) || isErrorReply(message));
}

}  // namespace

void usePort(TSerial& serial, const TPortEntry& entry) {
  if (entry.button != 0)
    serial.setPort(entry.button);
  else
    serial.setPortPath(entry.path.toStdString());
}

TClockSearch::TClockSearch(std::vector<TPortEntry> ports, Found found, Forward forward)
    : ports_(std::move(ports)), onFound_(std::move(found)), forward_(std::move(forward)) {
  grace_.setSingleShot(true);
  grace_.setInterval(kListOrderGraceMs);
  QObject::connect(&grace_, &QTimer::timeout, [this] { decide(); });
}

TClockSearch::~TClockSearch() { close(); }

void TClockSearch::open() {
  candidates_.reserve(ports_.size());
  for (std::size_t index = 0; index < ports_.size(); ++index) {
    auto serial = std::make_unique<TSerial>();
    makeClockLink(*serial);
    usePort(*serial, ports_[index]);
    serial->setActive(true);
    if (!serial->Active()) {
      skipped_.push_back({index, QString::fromStdString(serial->openFailure())});
      continue;
    }
    serial->AbortRx();
    const std::size_t slot = candidates_.size();
    serial->OnMessage = [this, slot](TSerial* sender, const std::string& message) {
      received(candidates_[slot], sender, message);
    };
    candidates_.push_back({index, std::move(serial), false, {}});
  }
}

std::vector<TSerial*> TClockSearch::asking() const {
  if (found_) return clockPort_ ? std::vector<TSerial*>{clockPort_} : std::vector<TSerial*>{};
  std::vector<TSerial*> open;
  for (const Candidate& candidate : candidates_)
    if (candidate.serial) open.push_back(candidate.serial.get());
  return open;
}

void TClockSearch::received(Candidate& candidate, TSerial* sender, const std::string& message) {
  const Held held{message, sender->messageBeforeLastSend(), sender->messageDamaged()};
  if (found_) {
    if (sender == clockPort_) forward_(held.text, held.beforeLastWrite, held.damaged);
    return;
  }
  if (!candidate.answered) {
    if (held.damaged || !isClockAnswer(message)) return;  // not the clock, or not readable as it
    candidate.answered = true;
  }
  candidate.held.push_back(held);
  // The first port of the list that opened cannot be outdone; a later one waits a moment for
  // the ports before it.
  if (&candidate == &candidates_.front())
    decide();
  else if (!grace_.isActive())
    grace_.start();
}

void TClockSearch::decide() {
  grace_.stop();
  const auto first = std::find_if(candidates_.begin(), candidates_.end(), [](const Candidate& c) { return c.answered; });
  if (first != candidates_.end() && !found_) choose(*first);
}

void TClockSearch::choose(Candidate& chosen) {
  found_ = chosen.index;
  clockPort_ = chosen.serial.get();
  for (Candidate& other : candidates_)
    if (&other != &chosen) other.serial.reset();  // closes it
  const std::vector<Held> held = std::move(chosen.held);
  onFound_(chosen.index);
  for (const Held& message : held) forward_(message.text, message.beforeLastWrite, message.damaged);
}

std::unique_ptr<TSerial> TClockSearch::takeClockPort() {
  for (Candidate& candidate : candidates_)
    if (candidate.serial && candidate.serial.get() == clockPort_) {
      clockPort_ = nullptr;
      return std::move(candidate.serial);
    }
  return nullptr;
}

void TClockSearch::close() {
  grace_.stop();
  for (Candidate& candidate : candidates_) candidate.serial.reset();
  clockPort_ = nullptr;
}
