#pragma once
// The search for the clock over every port at once, for the window and the command line alike.
//
// Each port of the list is opened on a serial component of its own, with the clock's line. A
// port that does not open (in use, not permitted, gone) is skipped at once with its reason. The
// host's transfer then writes its read request, and at start-up its bare CR, to every port that
// opened (asking()), and nothing else: no port hears a setting before the clock has answered on
// it. Those writes never hold up the search: a port that does not take them within
// kRequestWriteMs is dropped with its reason (its output is held back).
//
// The clock speaks only when asked, and answers a read request with each of its five settings
// once, the relay mode last. A port that talked before its request was written, or whose answer
// strays from that shape (a setting twice, the relay mode before the others), is some other
// device and is never taken; other talk (a GPS receiver's sentences, a modem's echo) is passed
// over; an error reply alone does not make a port the clock. The first port whose answer is whole
// is the clock's; the others are closed at once, and from then on the transfer talks to that
// port alone, so the search's read request is the read. When clocks answer on more than one port
// within a moment of each other, the first in the list wins. When no answer is whole, the host's
// reply time-out ends the search: one time-out, whatever the number of ports.
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "open_failure.h"
#include "port_diagnosis.h"
#include "port_list.h"

class TSerial;

class TClockSearch {
 public:
  // A message of the clock's port, with what its component told of it when it came.
  using Forward = std::function<void(const std::string& message, bool beforeLastWrite, bool damaged)>;
  // The clock answered on ports()[index]; called before its first message is forwarded.
  using Found = std::function<void(std::size_t index)>;

  struct Skipped {
    std::size_t index;  // into ports()
    QString reason;     // "in use by PID 4711", "permission denied", "no such device"
    OpenFailure failure;  // what the open gave: its kind and the system's code
  };

  // How long answers of ports earlier in the list are waited for after a later one answered.
  static constexpr int kListOrderGraceMs = 30;
  // How long a port may take to accept the request on the main thread: a healthy port takes two
  // bytes at once, one whose output is held back would otherwise hold up every other port.
  static constexpr int kRequestWriteMs = 100;

  TClockSearch(std::vector<TPortEntry> ports, Found found, Forward forward);
  ~TClockSearch();
  TClockSearch(const TClockSearch&) = delete;
  TClockSearch& operator=(const TClockSearch&) = delete;

  // Opens every port of the list; the ones that do not open are skipped.
  void open();
  const std::vector<TPortEntry>& ports() const { return ports_; }
  const std::vector<Skipped>& skipped() const { return skipped_; }
  // Where the requests go: every port that opened until the clock answers, then the clock's.
  std::vector<TSerial*> asking() const;
  // A port that did not take what the transfer wrote to it: dropped from the search with its
  // reason, told to the host's onDropped.
  void writeRefused(TSerial* serial);
  void onDropped(std::function<void(const Skipped&)> dropped) { onDropped_ = std::move(dropped); }
  // The port where the clock answered, once it has.
  std::optional<std::size_t> found() const { return found_; }
  // What ports()[index] gave the search, for the diagnosis of a port that did not serve.
  TPortFinding finding(std::size_t index) const;
  // The clock's port, open, for a host that keeps it as its own; the search holds no port after.
  std::unique_ptr<TSerial> takeClockPort();
  // Closes every port the search still holds.
  void close();

 private:
  struct Held {
    std::string text;
    bool beforeLastWrite;
    bool damaged;
  };
  // How far a port's answer goes as the clock's does.
  struct AnswerShape {
    unsigned settingsSeen = 0;  // one bit per setting
    bool whole = false;         // each setting once, the relay mode last
    bool stray = false;         // a setting twice, or the relay mode before the others
    void take(const std::string& message);
  };
  struct Candidate {
    std::size_t index;  // into ports_
    std::unique_ptr<TSerial> serial;
    std::uint32_t previousTimeout = 0;  // the write bound it had before the search
    bool unasked = false;               // it talked before its request: not the clock
    AnswerShape answer;
    TPortTalk talk = TPortTalk::None;  // what it said that was no clock's answer
    std::vector<Held> held;  // what it said since its answer began, for the transfer
  };

  void received(Candidate& candidate, TSerial* sender, const std::string& message);
  // What a port that answered in the clock's words but never whole sounded like.
  static TPortTalk clockWordsTalk(const Candidate& candidate);
  void decide();
  void choose(Candidate& candidate);

  std::vector<TPortEntry> ports_;
  Found onFound_;
  Forward forward_;
  std::vector<Candidate> candidates_;
  std::vector<Skipped> skipped_;
  std::function<void(const Skipped&)> onDropped_;
  std::optional<std::size_t> found_;
  TSerial* clockPort_ = nullptr;
  QTimer grace_;
};

// Sets `serial` to open the port of `entry`: by its path, which a port list (or placedIn) gives in
// full, so that the component needs no folder of its own; an entry without a path by its COM
// button's number.
void usePort(TSerial& serial, const TPortEntry& entry);
