// The clock against a configuration file, after a --send and for --compare.
#include "batch_verify.h"

#include "port_transfer.h"
#include "config_compare.h"
#include "transfer.h"

QString verifyReadEnding() {
  return QStringLiteral("the clock acknowledged all %1 commands, but what it holds is not verified")
      .arg(TClockTransfer::kSendCommands);
}

TBatchOutcome compareWithClock(Comparison kind, const QString& file, const TClockConfig& fileConfig,
                               const TPortTransfer& clockRead) {
  const QString clock = QStringLiteral("the clock on %1").arg(clockRead.portName());
  const bool afterSend = kind == Comparison::AfterSend;
  TBatchOutcome outcome;
  outcome.valueDifferences = compareConfigs(fileConfig, clockRead.received());
  QStringList& differences = outcome.differences;
  for (const ConfigDifference& d : outcome.valueDifferences) differences << QString::fromStdString(differenceLine(d));
  // A value out of its range was clamped into the configuration read: no file holds what the clock does.
  differences << clockRead.warnings();
  if (differences.isEmpty()) {
    outcome.lines << (afterSend ? QStringLiteral("sent %1 commands to %2 and read them back: verified")
                                      .arg(TClockTransfer::kSendCommands)
                                      .arg(clock)
                                : clock + QStringLiteral(" holds what %1 holds").arg(file));
    return outcome;
  }
  const QString count = differences.size() == 1 ? QStringLiteral("1 value")
                                                : QStringLiteral("%1 values").arg(differences.size());
  outcome.agrees = false;
  outcome.exitCode = afterSend ? batchexit::kNotVerified : batchexit::kDiffers;
  outcome.lines << (afterSend
                        ? clock + QStringLiteral(" acknowledged all %1 commands, but holds %2 other than %3:")
                                      .arg(TClockTransfer::kSendCommands)
                                      .arg(count, file)
                        : clock + QStringLiteral(" holds %1 other than %2:").arg(count, file));
  outcome.lines << differences;
  return outcome;
}
