// The options --read, --send and --port, and the transfer a parsed command line asks for.
#include "batch_options.h"

#include <QCommandLineParser>
#include <QStringList>

#include "argument_text.h"

namespace {

const QString kReadOption = QStringLiteral("read");
const QString kSendOption = QStringLiteral("send");
const QString kPortOption = QStringLiteral("port");

}  // namespace

void addBatchTransferOptions(QCommandLineParser& parser) {
  parser.addOption({kReadOption,
                    QStringLiteral("Read the clock into the configuration file <file>, without a window."),
                    QStringLiteral("file")});
  parser.addOption({kSendOption,
                    QStringLiteral("Send the configuration file <file> to the clock, without a window."),
                    QStringLiteral("file")});
  parser.addOption(
      {kPortOption,
       QStringLiteral(
           "With --read or --send: use this port instead of the saved or first usable one: a number "
           "from 1 to 256, COM<n>, or a device path (see --list-ports)."),
       QStringLiteral("port")});
}

bool batchTransferRequested(const QCommandLineParser& parser) {
  const QStringList found = parser.optionNames();
  return found.contains(kReadOption) || found.contains(kSendOption) || found.contains(kPortOption);
}

std::optional<TBatchRequest> batchRequest(const QCommandLineParser& parser, QString& error) {
  const auto fail = [&error](const QString& text) {
    error = text;
    return std::nullopt;
  };
  if (parser.isSet(kReadOption) == parser.isSet(kSendOption))
    return fail(QStringLiteral("Give one of --read FILE and --send FILE."));
  if (!parser.positionalArguments().isEmpty())
    return fail(QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().first()));
  TBatchRequest request;
  request.reading = parser.isSet(kReadOption);
  const QString option = request.reading ? kReadOption : kSendOption;
  if (parser.values(option).size() > 1 || parser.values(kPortOption).size() > 1)
    return fail(QStringLiteral("Each option may be given once."));
  const QString file = parser.value(option);
  if (file.isEmpty()) return fail(QStringLiteral("--%1 needs a file name.").arg(option));
  request.file = shownName(file);
  std::error_code noFolder;
  request.path = std::filesystem::absolute(argumentBytes(file), noFolder);
  if (noFolder)
    request.pathProblem = request.file + QStringLiteral(": the start folder cannot be found (%1)")
                                             .arg(QString::fromLocal8Bit(noFolder.message()));
  if (parser.isSet(kPortOption)) {
    request.port = parsePortArgument(parser.value(kPortOption));
    if (!request.port)
      return fail(QStringLiteral("--port takes a port number from 1 to 256, COM<n> or a device path, not '%1'.")
                      .arg(shownName(parser.value(kPortOption))));
  }
  return request;
}
