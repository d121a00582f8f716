#include "clock_search.h"

#include <algorithm>

#include "Serial4.h"
#include "argument_text.h"
#include "clock_link.h"
#include "messages.h"

namespace {

// The clock's own answers to a read request: its settings replies and its error reply. Nothing
// else on the line identifies it.
bool isClockAnswer(const std::string& message) {
  return !message.empty() && message.front() == '$' && (replySetting(message) || isErrorReply(message));
}

constexpr unsigned kAllSettingsSeen = (1u << kAllSettings.size()) - 1;

}  // namespace

void TClockSearch::AnswerShape::take(const std::string& message) {
  const auto setting = message.front() == '$' ? replySetting(message) : std::nullopt;
  if (!setting || whole || stray) return;
  const unsigned bit = 1u << static_cast<unsigned>(*setting);
  stray = (settingsSeen & bit) != 0;
  settingsSeen |= bit;
  if (*setting == Setting::RelayMode) {
    whole = settingsSeen == kAllSettingsSeen;
    stray = !whole;
  }
}

void usePort(TSerial& serial, const TPortEntry& entry) {
  if (!entry.path.isEmpty())
    serial.setPortPath(argumentBytes(entry.path));
  else
    serial.setPort(entry.button);
}

TClockSearch::TClockSearch(std::vector<TPortEntry> ports, Found found, Forward forward)
    : ports_(std::move(ports)), onFound_(std::move(found)), forward_(std::move(forward)) {
  grace_.setSingleShot(true);
  grace_.setTimerType(Qt::PreciseTimer);
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
      skipped_.push_back({index, QString::fromStdString(serial->openFailure()), serial->lastOpenFailure()});
      continue;
    }
    serial->AbortRx();
    const std::uint32_t previousTimeout = serial->Timeout();
    serial->setTimeout(kRequestWriteMs);
    const std::size_t slot = candidates_.size();
    serial->OnMessage = [this, slot](TSerial* sender, const std::string& message) {
      received(candidates_[slot], sender, message);
    };
    candidates_.push_back({index, std::move(serial), previousTimeout, false, {}, TPortTalk::None, {}});
  }
}

void TClockSearch::writeRefused(TSerial* serial) {
  if (found_) return;
  for (Candidate& candidate : candidates_) {
    if (candidate.serial.get() != serial) continue;
    candidate.serial->PurgeTx();
    candidate.serial.reset();
    const std::string reason = "does not take what is written to it (its output is held back)";
    skipped_.push_back({candidate.index, QString::fromStdString(reason), {OpenFailure::Kind::Other, 0, reason}});
    if (onDropped_) onDropped_(skipped_.back());
    return;
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
  // The clock speaks only when asked: whatever talked before its request is another device.
  candidate.unasked = candidate.unasked || sender->messageBeforeFirstSend();
  if (held.damaged || candidate.unasked || !isClockAnswer(message))
    candidate.talk = telling(candidate.talk, talkOf(message, held.damaged));
  if (candidate.unasked || candidate.answer.stray || candidate.answer.whole) return;
  if (candidate.held.empty() && (held.damaged || !isClockAnswer(message)))
    return;  // not the clock, or not readable as it
  candidate.held.push_back(held);
  if (!held.damaged) candidate.answer.take(message);
  if (candidate.answer.stray) candidate.held.clear();
  const auto firstWhole =
      std::find_if(candidates_.begin(), candidates_.end(), [](const Candidate& c) { return c.answer.whole; });
  if (firstWhole == candidates_.end()) return;
  // The first port of the list that opened cannot be outdone. A later one waits a moment for the
  // ports before it, and for as long as one of them goes on answering as the clock.
  if (firstWhole == candidates_.begin())
    decide();
  else if (&candidate == &*firstWhole ? !grace_.isActive()
                                      : &candidate < &*firstWhole && !held.damaged && isClockAnswer(message))
    grace_.start();
}

void TClockSearch::decide() {
  grace_.stop();
  const auto first =
      std::find_if(candidates_.begin(), candidates_.end(), [](const Candidate& c) { return c.answer.whole; });
  if (first != candidates_.end() && !found_) choose(*first);
}

void TClockSearch::choose(Candidate& chosen) {
  found_ = chosen.index;
  clockPort_ = chosen.serial.get();
  clockPort_->setTimeout(chosen.previousTimeout);
  // The others close without waiting for output that no one needs.
  for (Candidate& other : candidates_) {
    if (&other == &chosen || !other.serial) continue;
    other.serial->PurgeTx();
    other.serial.reset();
  }
  const std::vector<Held> held = std::move(chosen.held);
  onFound_(chosen.index);
  for (const Held& message : held) forward_(message.text, message.beforeLastWrite, message.damaged);
}

TPortTalk TClockSearch::clockWordsTalk(const Candidate& candidate) {
  if (candidate.answer.stray) return TPortTalk::Other;  // a setting twice, or the relay mode too soon
  if (candidate.answer.settingsSeen != 0) return TPortTalk::CutShort;
  return candidate.held.empty() ? TPortTalk::None : TPortTalk::ErrorReply;
}

TPortFinding TClockSearch::finding(std::size_t index) const {
  TPortFinding finding;
  finding.clockElsewhere = found_ && *found_ != index;
  if (found_ == index) {
    finding.kind = TPortFinding::Kind::Clock;
    return finding;
  }
  for (const Skipped& s : skipped_)
    if (s.index == index) {
      finding.kind = TPortFinding::Kind::NotOpened;
      finding.failure = s.failure;
      return finding;
    }
  for (const Candidate& candidate : candidates_)
    if (candidate.index == index) {
      finding.talk = candidate.talk != TPortTalk::None ? candidate.talk : clockWordsTalk(candidate);
      finding.kind = finding.talk == TPortTalk::None ? TPortFinding::Kind::Silent : TPortFinding::Kind::Talked;
    }
  return finding;
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
