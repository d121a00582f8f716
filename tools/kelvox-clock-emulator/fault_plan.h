// Which message-level fault, if any, meets message number n.
#pragma once

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

 private:
  const Options& options_;
};

}  // namespace kvxemu
