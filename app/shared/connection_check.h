#pragma once
// The connection check of the window's Help menu and of --doctor: the clock looked for on every
// port at once, as the search looks for it (the read request, and a read once the clock answers),
// then each port with what it gave and why, in the diagnosis's terms.
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "port_diagnosis.h"
#include "port_list.h"

class TClockSearch;
class TPortTransfer;

struct TPortCheck {
  TPortEntry port;
  TPortDiagnosis diagnosis;
};

// The port as the diagnosis sees it: the device it opens and its USB IDs.
TPortIdentity identityOf(const TPortEntry& port);
// Every port of the search's list with its diagnosis.
std::vector<TPortCheck> portChecks(const TClockSearch& search, const TSystemFacts& facts);

class TConnectionCheck {
 public:
  explicit TConnectionCheck(std::vector<TPortEntry> ports);
  ~TConnectionCheck();
  TConnectionCheck(const TConnectionCheck&) = delete;
  TConnectionCheck& operator=(const TConnectionCheck&) = delete;

  // Starts it; `finished` is called from the event loop once every port is closed again.
  void start(std::function<void()> finished);
  // Runs it to its end in an event loop of its own.
  void run();
  // Ends it at once (Ctrl+C): the ports close, and the results tell what was heard so far.
  void interrupt();
  bool clockAnswered() const;
  // Each port with its diagnosis; with no port at all, one line's worth: why there is none.
  std::vector<TPortCheck> results(const TSystemFacts& facts) const;
  bool noPorts() const { return ports_.empty(); }

 private:
  std::vector<TPortEntry> ports_;
  std::unique_ptr<TPortTransfer> transfer_;
};

// The lines a check's results make, one per port, in `language` (port_diagnosis_texts.h); a
// machine without ports gets one line saying why.
QStringList connectionCheckLines(const TConnectionCheck& check, const TSystemFacts& facts, int language);
