#pragma once
// What the clock holds against a configuration file: after a --send (the read-back that verifies
// it) and for --compare. The clock has been read by a TPortTransfer; here the comparison becomes
// lines on standard error and an exit code.
#include <QString>
#include <QStringList>

#include "config_compare.h"
#include "config_file.h"

class TPortTransfer;

// The exit codes of the command line's transfers.
namespace batchexit {
constexpr int kDone = 0;         // read, sent and verified, or --compare found no difference
constexpr int kFailed = 1;       // --read and --send: the transfer failed
constexpr int kDiffers = 1;      // --compare: the clock holds something else than the file
constexpr int kTrouble = 2;      // --compare: the clock could not be read (as diff and cmp)
constexpr int kNotVerified = 3;  // --send: acknowledged, but the clock holds something else
}  // namespace batchexit

struct TBatchOutcome {
  int exitCode = batchexit::kDone;
  QStringList lines;  // each one line on standard error
  bool agrees = true;
  QStringList differences;                         // one line each, the clamped values among them
  std::vector<ConfigDifference> valueDifferences;  // the same as data, without the clamped ones
};

enum class Comparison { AfterSend, Compare };

// What a read's failure line ends with when the read verifies a send.
QString verifyReadEnding();
// The comparison of `fileConfig` (from the file shown as `file`) with what `clockRead` read.
TBatchOutcome compareWithClock(Comparison kind, const QString& file, const TClockConfig& fileConfig,
                               const TPortTransfer& clockRead);
