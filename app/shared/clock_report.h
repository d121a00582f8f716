#pragma once
// The report of a run over every clock: one row per port asked, as CSV (a header row, RFC 4180
// quoting) or as JSON ({"schema": 1, "program": …, "configuration": {…}, "results": […]}).
#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <optional>

#include <vector>

#include "clock_job.h"

class TEveryClock;

// One port asked, and how it ended.
struct TReportRow {
  TPortEntry port;
  TClockOutcome outcome;
};

struct TReportHeader {
  QString program;            // "kelvox-setup 1.4.0"
  QString configurationFile;  // as the command line named it; empty: none (a read)
  QByteArray configurationSha256;  // hex, of the file's bytes; empty: none
  QString error;  // why the command failed before or beside any port asked (a bad file); empty: it did not
};

enum class ReportFormat { Csv, Json };

// The format a report file's name asks for (".csv", ".json", any case); none for another name.
std::optional<ReportFormat> reportFormatOf(const QString& fileName);

QByteArray clockReport(ReportFormat format, const TReportHeader& header, const std::vector<TReportRow>& rows);
// The JSON report as an object: what --json prints.
QJsonObject clockReportObject(const TReportHeader& header, const std::vector<TReportRow>& rows);
std::vector<TReportRow> reportRows(const TEveryClock& run);
QByteArray clockReport(ReportFormat format, const TReportHeader& header, const TEveryClock& run);
