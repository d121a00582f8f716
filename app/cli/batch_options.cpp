// The options --read, --send, --compare, --no-verify and --port, and the transfer a parsed command line asks
// for.
#include "batch_options.h"

#include <QCommandLineParser>
#include <QStringList>

#include "argument_text.h"
#include "local_files.h"

namespace {

const QString kReadOption = QStringLiteral("read");
const QString kSendOption = QStringLiteral("send");
const QString kPortOption = QStringLiteral("port");
const QString kCompareOption = QStringLiteral("compare");
const QString kNoVerifyOption = QStringLiteral("no-verify");
const QString kAllClocksOption = QStringLiteral("all-clocks");
const QString kRetriesOption = QStringLiteral("retries");
const QString kReportOption = QStringLiteral("report");
constexpr int kMaxRetries = 9;

}  // namespace

void addBatchTransferOptions(QCommandLineParser& parser) {
  parser.addOption({kReadOption,
                    QStringLiteral("Read the clock into the configuration file <file>, without a window."),
                    QStringLiteral("file")});
  parser.addOption(
      {kSendOption,
       QStringLiteral("Send the configuration file <file> to the clock, without a window, and read "
                      "the clock back to verify it (exit 3 when it holds something else)."),
       QStringLiteral("file")});
  parser.addOption(
      {kCompareOption,
       QStringLiteral("Read the clock and compare it with the configuration file <file>; exits 0 "
                      "when they agree, 1 when they differ (one line per difference), 2 when "
                      "the clock cannot be read."),
       QStringLiteral("file")});
  parser.addOption(
      {kNoVerifyOption, QStringLiteral("With --send: do not read the clock back to verify what it holds.")});
  parser.addOption(
      {kPortOption,
       QStringLiteral(
           "With --read, --send or --compare: use this port instead of the saved or first usable one: a number "
           "from 1 to 256, COM<n>, or a device path (see --list-ports)."),
       QStringLiteral("port")});
  parser.addOption(
      {kAllClocksOption,
       QStringLiteral("With --send, --compare or --read: every clock on every port at once, each sent to and "
                      "verified, compared or read on its own; --read then names a folder, one file per clock.")});
  parser.addOption(
      {kRetriesOption,
       QStringLiteral("With --all-clocks: run a transfer that failed on its line (no answer, an error reply, a reply "
                      "too many) again on that clock, up to <n> times (0 to 9, default 0)."),
       QStringLiteral("n")});
  parser.addOption({kReportOption,
                    QStringLiteral("With --all-clocks: write a report, one row per port, to <file>: CSV or JSON by "
                                   "its extension (.csv, .json)."),
                    QStringLiteral("file")});
}

bool batchTransferRequested(const QCommandLineParser& parser) {
  const QStringList found = parser.optionNames();
  return found.contains(kReadOption) || found.contains(kSendOption) || found.contains(kPortOption) ||
         found.contains(kCompareOption) || found.contains(kNoVerifyOption) || found.contains(kAllClocksOption) ||
         found.contains(kRetriesOption) || found.contains(kReportOption);
}

std::optional<TBatchRequest> batchRequest(const QCommandLineParser& parser, const TStartFolder& start,
                                          QString& error) {
  const auto fail = [&error](const QString& text) {
    error = text;
    return std::nullopt;
  };
  if (parser.isSet(kReadOption) + parser.isSet(kSendOption) + parser.isSet(kCompareOption) != 1)
    return fail(QStringLiteral("Give one of --read FILE, --send FILE and --compare FILE."));
  if (parser.isSet(kNoVerifyOption) && !parser.isSet(kSendOption))
    return fail(QStringLiteral("--no-verify goes with --send only."));
  if (!parser.positionalArguments().isEmpty())
    return fail(QStringLiteral("Unexpected argument '%1'.").arg(shownName(parser.positionalArguments().first())));
  TBatchRequest request;
  request.comparing = parser.isSet(kCompareOption);
  request.reading = parser.isSet(kReadOption) || request.comparing;
  request.verify = !parser.isSet(kNoVerifyOption);
  const QString option = request.comparing ? kCompareOption : request.reading ? kReadOption : kSendOption;
  if (parser.values(option).size() > 1 || parser.values(kPortOption).size() > 1)
    return fail(QStringLiteral("Each option may be given once."));
  const QString file = parser.value(option);
  if (file.isEmpty()) return fail(QStringLiteral("--%1 needs a file name.").arg(option));
  request.file = shownName(file);
  std::error_code noFolder;
  request.path = start.absolute(localPath(file), noFolder);
  if (noFolder)
    request.pathProblem = request.file + QStringLiteral(": the start folder cannot be found (%1)")
                                             .arg(QString::fromLocal8Bit(noFolder.message()));
  request.allClocks = parser.isSet(kAllClocksOption);
  if (!request.allClocks && (parser.isSet(kRetriesOption) || parser.isSet(kReportOption)))
    return fail(QStringLiteral("--retries and --report go with --all-clocks only."));
  if (request.allClocks && (parser.isSet(kPortOption) || parser.isSet(kNoVerifyOption)))
    return fail(QStringLiteral("--all-clocks asks every port and verifies every clock: no --port, no --no-verify."));
  if (parser.values(kRetriesOption).size() > 1 || parser.values(kReportOption).size() > 1)
    return fail(QStringLiteral("Each option may be given once."));
  if (parser.isSet(kRetriesOption)) {
    bool number = false;
    request.retries = parser.value(kRetriesOption).toInt(&number);
    if (!number || request.retries < 0 || request.retries > kMaxRetries)
      return fail(QStringLiteral("--retries takes a number from 0 to %1, not '%2'.")
                      .arg(kMaxRetries)
                      .arg(shownName(parser.value(kRetriesOption))));
  }
  if (parser.isSet(kReportOption)) {
    const QString report = parser.value(kReportOption);
    if (!report.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive) &&
        !report.endsWith(QStringLiteral(".json"), Qt::CaseInsensitive))
      return fail(QStringLiteral("--report writes CSV or JSON: its file name ends in .csv or .json, not '%1'.")
                      .arg(shownName(report)));
    request.report = shownName(report);
    request.reportPath = start.absolute(localPath(report), noFolder);
  }
  if (parser.isSet(kPortOption)) {
    request.port = parsePortArgument(parser.value(kPortOption));
    if (!request.port)
      return fail(QStringLiteral("--port takes a port number from 1 to 256, COM<n> or a device path, not '%1'.")
                      .arg(shownName(parser.value(kPortOption))));
  }
  return request;
}
