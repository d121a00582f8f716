// Which message-level fault, if any, meets message number n.
#pragma once

#include <cstddef>
#include <limits>

#include "options.h"

namespace kvxemu {

class FaultPlan {
 public:
  enum class Action { Answer, Silent, Error, Vanish };

  explicit FaultPlan(const Options& options) : options_(options) {}

  Action forMessage(int n) const {
    if (options_.vanishAt > 0 && n >= options_.vanishAt) return Action::Vanish;
    if (options_.silentFrom > 0 && n >= options_.silentFrom) return Action::Silent;
    if (options_.errorAt > 0 && n == options_.errorAt) return Action::Error;
    return Action::Answer;
  }

  // Whether the answer to message n is written twice in a row.
  bool duplicates(int n) const { return options_.duplicateAt > 0 && n == options_.duplicateAt; }
  // Whether command n is acknowledged but stored changed.
  bool corrupts(int n) const { return options_.corruptAt > 0 && n == options_.corruptAt; }

  // How many more replies may be written once `written` have been.
  std::size_t repliesLeft(std::size_t written) const {
    if (options_.silentAfterReply <= 0) return std::numeric_limits<std::size_t>::max();
    const auto allowed = static_cast<std::size_t>(options_.silentAfterReply);
    return written < allowed ? allowed - written : 0;
  }

 private:
  const Options& options_;
};

}  // namespace kvxemu
