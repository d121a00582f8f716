#include "every_clock_run.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <filesystem>

#include "clock_report.h"
#include "config_file_access.h"
#include "desktop.h"
#include "every_clock.h"
#include "exit_signals.h"
#include "json_output.h"
#include "port_list.h"
#include "program_name.h"
#include "safe_write.h"

namespace {

void tell(const QString& text) {
  desktop::write(stderr, QString::fromLatin1(kProgram) + QStringLiteral(": ") + text + u'\n');
}

// The line a clock's end gets; none for a port where no clock answered.
QString endLine(const TClockJob& job, const TBatchRequest& request) {
  using R = TClockOutcome::Result;
  const TClockOutcome& o = job.outcome();
  const QString port = job.shownPort() + QStringLiteral(": ");
  const QString seconds = QString::number(o.seconds, 'f', 1);
  switch (o.result) {
    case R::Verified:
      return port + (request.comparing ? QStringLiteral("holds what %1 holds").arg(request.file)
                                       : QStringLiteral("verified in %1 s").arg(seconds));
    case R::Read:
      return port + QStringLiteral("read into %1 in %2 s").arg(QDir::toNativeSeparators(job.readInto()), seconds);
    case R::Differs:
      return port +
             QStringLiteral("holds %1 other than %2: ")
                 .arg(o.differences.size() == 1 ? QStringLiteral("1 value")
                                                : QStringLiteral("%1 values").arg(o.differences.size()),
                      request.file) +
             o.differences.join(QStringLiteral("; "));
    case R::Failed:
    case R::Skipped:
      return port + o.reason;
    case R::NotAClock:
    case R::Pending:
      break;
  }
  return {};
}

int exitCode(const TEveryClock& run, const TBatchRequest& request) {
  using R = TClockOutcome::Result;
  const bool failed = run.count(R::Failed) > 0 || run.clocks() == 0;
  if (request.comparing) return failed ? 2 : run.count(R::Differs) > 0 ? 1 : 0;
  if (failed) return 1;
  return run.count(R::Differs) > 0 ? 3 : 0;
}

QByteArray fileHash(const std::filesystem::path& path) {
  QFile file(QString::fromStdString(path.string()));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QCryptographicHash::hash(file.read(kMaxConfigFileSize), QCryptographicHash::Sha256).toHex();
}

}  // namespace

TReportHeader reportHeader(const TBatchRequest& request) {
  const bool reading = request.reading && !request.comparing;
  return {QStringLiteral("%1 %2").arg(QString::fromLatin1(kProgram), QCoreApplication::applicationVersion()),
          reading ? QString() : request.file, reading ? QByteArray() : fileHash(request.path), QString()};
}

int runEveryClock(const TBatchRequest& request, const TPortList& ports, const TTestTimes& testTimes) {
  const int failure = request.comparing ? 2 : 1;
  TReportHeader header = reportHeader(request);
  // With --json the document goes out also when no port was asked, its error the line said.
  const auto fail = [&](const QString& text) {
    tell(text);
    header.error = text;
    if (request.json) printJson(clockReportObject(header, {}));
    return failure;
  };
  if (!request.pathProblem.isEmpty()) return fail(request.pathProblem);
  TClockJob::Request job;
  job.testTimes = testTimes;
  job.task = request.comparing ? TClockJob::Task::Compare
             : request.reading ? TClockJob::Task::Read
                               : TClockJob::Task::Send;
  job.fileShown = request.file;
  job.retries = request.retries;
  if (job.task == TClockJob::Task::Read) {
    std::error_code noFolder;
    if (!std::filesystem::is_directory(request.path, noFolder))
      return fail(request.file + QStringLiteral(": not a folder; --read with --all-clocks writes one file per clock into a folder"));
    job.readInto = QString::fromStdString(request.path.string());
  } else if (const TProblem problem = loadConfigFile(request.path, job.file); problem.failed()) {
    return fail(request.file + QStringLiteral(": ") + QString::fromStdString(problem.text));
  }
  TEveryClock run(ports.ports(), job);

  // Ctrl+C, SIGTERM and a hang-up stop every transfer at once; each says how far it came.
  bool interrupted = false;
  const TExitSignals interrupts([&](int) {
    interrupted = true;
    run.interrupt();
  });
  QEventLoop loop;
  run.start([&request](const TClockJob& ended) {
              if (const QString line = endLine(ended, request); !line.isEmpty()) tell(line);
            },
            [&loop] { loop.quit(); });
  if (!run.ended()) loop.exec();
  tell(run.summary());

  int code = exitCode(run, request);
  if (!request.report.isEmpty()) {
    const QByteArray text = clockReport(*reportFormatOf(request.report), header, run);
    if (const TProblem problem = writeWholeFile(request.reportPath, std::string_view(text.constData(), text.size()));
        problem.failed()) {
      header.error = QStringLiteral("cannot write %1: %2").arg(request.report, QString::fromStdString(problem.text));
      tell(header.error);
      code = failure;
    }
  }
  if (request.json && !printJson(clockReportObject(header, reportRows(run)))) code = failure;
  return code;
}
