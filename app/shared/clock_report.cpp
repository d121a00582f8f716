#include "clock_report.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include "config_compare.h"
#include "every_clock.h"

namespace {

const QStringList kColumns{QStringLiteral("port"),        QStringLiteral("description"), QStringLiteral("identity"),
                           QStringLiteral("result"),      QStringLiteral("reason"),      QStringLiteral("attempts"),
                           QStringLiteral("started"),     QStringLiteral("seconds"),     QStringLiteral("sha256")};

// A row's values in the order of kColumns.
QStringList rowOf(const TReportRow& row) {
  const TClockOutcome& o = row.outcome;
  const TPortEntry& port = row.port;
  const QString identity = port.identity.isEmpty() ? port.serialNumber : port.identity;
  const QString reason = o.differences.isEmpty() ? o.reason : o.differences.join(QStringLiteral("; "));
  return {port.shown(),
          port.hardware(),
          identity,
          resultName(o.result),
          reason,
          QString::number(o.attempts),
          o.started.isValid() ? o.started.toOffsetFromUtc(o.started.offsetFromUtc()).toString(Qt::ISODate) : QString(),
          QString::number(o.seconds, 'f', 1),
          QString::fromLatin1(o.commandsSha256)};
}

// {"what": "Tuesday Time 3", "day": "Tuesday", "entry": 3, "file": "08:00:00 ON", "clock": "08:15:00 ON"}, or
// {"what": "UTC offset", "setting": "utc", "file": -3, "clock": -2}.
QJsonObject differenceObject(const ConfigDifference& d) {
  QJsonObject object{{QStringLiteral("what"), QString::fromStdString(differenceSubject(d))}};
  if (d.setting) {
    object.insert(QStringLiteral("setting"), QString::fromLatin1(settingName(*d.setting)));
    object.insert(QStringLiteral("file"), d.fileValue);
    object.insert(QStringLiteral("clock"), d.clockValue);
  } else {
    object.insert(QStringLiteral("day"), QString::fromLatin1(dayName(d.day)));
    object.insert(QStringLiteral("entry"), d.entry + 1);
    object.insert(QStringLiteral("file"), QString::fromStdString(shownSwitchTime(d.fileTime)));
    object.insert(QStringLiteral("clock"), QString::fromStdString(shownSwitchTime(d.clockTime)));
  }
  return object;
}

QString csvField(const QString& value) {
  if (!value.contains(u',') && !value.contains(u'"') && !value.contains(u'\n') && !value.contains(u'\r'))
    return value;
  QString quoted = value;
  quoted.replace(u'"', QStringLiteral("\"\""));
  return u'"' + quoted + u'"';
}

QByteArray csv(const std::vector<TReportRow>& rows) {
  QString text = kColumns.join(u',') + QStringLiteral("\r\n");
  for (const TReportRow& row : rows) {
    QStringList fields;
    for (const QString& value : rowOf(row)) fields << csvField(value);
    text += fields.join(u',') + QStringLiteral("\r\n");
  }
  return text.toUtf8();
}

QJsonValue textOrNull(const QString& text) { return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text); }

}  // namespace

QJsonObject clockReportObject(const TReportHeader& header, const std::vector<TReportRow>& rows) {
  QJsonArray results;
  for (const TReportRow& row : rows) {
    const QStringList values = rowOf(row);
    QJsonObject result;
    for (int i = 0; i < kColumns.size(); ++i) result.insert(kColumns[i], values[i]);
    result.insert(QStringLiteral("attempts"), row.outcome.attempts);
    result.insert(QStringLiteral("seconds"), row.outcome.seconds);
    QJsonArray differences;
    for (const ConfigDifference& d : row.outcome.valueDifferences) differences.append(differenceObject(d));
    result.insert(QStringLiteral("differences"), differences);
    if (row.outcome.commandsSha256.isEmpty()) result.insert(QStringLiteral("sha256"), QJsonValue::Null);
    results.append(result);
  }
  QJsonObject configuration;
  configuration.insert(QStringLiteral("file"), textOrNull(header.configurationFile));
  configuration.insert(QStringLiteral("sha256"), textOrNull(QString::fromLatin1(header.configurationSha256)));
  QJsonObject report;
  report.insert(QStringLiteral("schema"), 1);
  report.insert(QStringLiteral("program"), header.program);
  report.insert(QStringLiteral("configuration"), configuration);
  report.insert(QStringLiteral("results"), results);
  report.insert(QStringLiteral("error"), textOrNull(header.error));
  return report;
}

std::optional<ReportFormat> reportFormatOf(const QString& fileName) {
  if (fileName.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive)) return ReportFormat::Csv;
  if (fileName.endsWith(QStringLiteral(".json"), Qt::CaseInsensitive)) return ReportFormat::Json;
  return std::nullopt;
}

QByteArray clockReport(ReportFormat format, const TReportHeader& header, const std::vector<TReportRow>& rows) {
  if (format == ReportFormat::Csv) return csv(rows);
  return QJsonDocument(clockReportObject(header, rows)).toJson(QJsonDocument::Indented);
}

std::vector<TReportRow> reportRows(const TEveryClock& run) {
  std::vector<TReportRow> rows;
  for (const auto& job : run.jobs()) rows.push_back({job->port(), job->outcome()});
  return rows;
}

QByteArray clockReport(ReportFormat format, const TReportHeader& header, const TEveryClock& run) {
  return clockReport(format, header, reportRows(run));
}
