#include "json_output.h"

#include <QCommandLineParser>
#include <QJsonDocument>
#include <cstdio>

namespace {

const QString kJsonOption = QStringLiteral("json");

}  // namespace

void addJsonOption(QCommandLineParser& parser) {
  parser.addOption({kJsonOption,
                    QStringLiteral("With --read, --send, --compare, --list-ports or --show: write one JSON document "
                                   "on standard output (\"schema\": 1), the lines for people on standard error.")});
}

bool jsonRequested(const QCommandLineParser& parser) { return parser.isSet(kJsonOption); }

bool printJson(const QJsonObject& document) {
  const QByteArray text = QJsonDocument(document).toJson(QJsonDocument::Indented);
  const bool written = std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stdout) ==
                       static_cast<std::size_t>(text.size());
  return std::fflush(stdout) == 0 && written;
}
