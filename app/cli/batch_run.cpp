// Runs a --read, --send or --compare: loads or checks the file, finds the port (the one asked
// for, the saved one, else the clock looked for on every port at once), runs the transfer on it,
// then writes what was read, reads a send back to verify it, or compares what was read with the file.
#include "batch_run.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "Serial4.h"
#include "argument_text.h"
#include "port_transfer.h"
#include "batch_verify.h"
#include "every_clock_run.h"
#include "clock_job.h"
#include "clock_report.h"
#include "json_output.h"
#include "config_file_access.h"
#include "desktop.h"
#include "exit_signals.h"
#include "clock_search.h"
#include "port_list.h"
#include "port_settings_file.h"
#include "program_name.h"
#include "safe_write.h"
#include "saved_port.h"

namespace {

// One line on standard error, the program's name first.
void report(const QString& text) {
  desktop::write(stderr, QString::fromLatin1(kProgram) + QStringLiteral(": ") + text + u'\n');
}

// Opens a port placed in the working folder (placedIn). One without a path (another user's COMn
// entry, and no device of that number) is not opened at all, and fails as a missing device does.
TProblem openPlaced(TPortTransfer& transfer, const TPortEntry& placed) {
  if (placed.path.isEmpty()) return {TProblem::Kind::NoSuchFile, "no such device", ENOENT};
  return transfer.open(placed);
}

// The port --port names, placed in the working folder and named in lines as it was given: port n
// by its COMn entry there, else the n-th device; a relative path within the folder.
TPortEntry askedEntry(const TPortArgument& asked, const std::filesystem::path& folder) {
  TPortEntry entry;
  if (asked.number == 0) {
    entry.name = entry.path = argumentText(asked.path);
    return placedIn(entry, folder);
  }
  entry.name = QStringLiteral("COM%1").arg(asked.number);
  entry.path = argumentText(TSerial::pathForPort(asked.number, folder));
  return entry;
}

// Opens the port asked for, else the one kelvox.ini names (followed to where its adapter moved);
// why, when the asked one does not open. `search` is set when no port is known, or the saved one
// does not open: the clock is then looked for on every port.
// `opened` is the port tried last, as the port list names it.
TProblem openPort(TPortTransfer& transfer, const std::optional<TPortArgument>& asked,
                  const std::vector<TPortEntry>& ports, const TWorkingFolder& folder, bool& search,
                  TPortEntry& opened) {
  search = false;
  if (asked) {
    opened = askedEntry(*asked, folder.path());
    return openPlaced(transfer, opened);
  }
  const TSavedPort saved = folder.settingsFile().saved();
  search = saved.empty() || !transfer.session().openSavedPort(saved, ports, [&](const TPortEntry& entry) {
    opened = entry;
    return openPlaced(transfer, placedIn(entry, folder.path()));
  });
  return {};
}

// Runs `transfer`; on a terminal its progress shows in one line, rewritten at each step.
bool runShown(TPortTransfer& transfer) {
  if (!desktop::standardErrorIsTerminal()) return transfer.run();
  bool printed = false;
  transfer.setProgress([&transfer, &printed](int done, int total) {
    desktop::write(stderr, QStringLiteral("\r%1 the clock on %2: %3/%4")
                               .arg(transfer.reading() ? QStringLiteral("reading") : QStringLiteral("sending to"))
                               .arg(transfer.portName())
                               .arg(done)
                               .arg(total));
    printed = true;
  });
  const bool done = transfer.run();
  transfer.setProgress(nullptr);
  if (printed) std::fputc('\n', stderr);
  return done;
}

// What the session tells of the ports, one line each.
class TBatchLines final : public TSessionListener {
 public:
  void portSkipped(const TPortEntry&, const QString&, const QString& text) override { report(text); }
  void adapterMoved(const QString& text) override { report(text); }
  void searchingEveryPort(const QString& text) override { report(text); }
  void clockFoundOn(const TPortEntry&, const QString& text) override { report(text); }
};

// How the run on one clock ended, as --json tells it: a row once a port is asked.
struct TOneClock {
  std::optional<TReportRow> row;
  QString error;  // a failure before any port was asked (the file)
  QElapsedTimer elapsed;

  void portAsked(const TPortEntry& port) {
    if (!row) row.emplace().outcome.started = QDateTime::currentDateTime();
    row->port = port;
  }
  void failed(const QString& reason) {
    if (!row) {
      error = reason;
      return;
    }
    row->outcome.result = TClockOutcome::Result::Failed;
    row->outcome.reason = reason;
  }
  void ended(TClockOutcome::Result result, QStringList differences = {},
             std::vector<ConfigDifference> valueDifferences = {}) {
    row->outcome.result = result;
    row->outcome.differences = std::move(differences);
    row->outcome.valueDifferences = std::move(valueDifferences);
  }
};

// The run itself; `told` learns what --json tells of it.
int runOneClock(const TBatchRequest& request, const TWorkingFolder& folder, const TPortList& portList,
                const TTestTimes& testTimes, TOneClock& told) {
  const auto fail = [&request, &told](const QString& text) {
    report(text);
    told.failed(text);
    return request.comparing ? batchexit::kTrouble : batchexit::kFailed;
  };
  if (!request.pathProblem.isEmpty()) return fail(request.pathProblem);
  TClockConfig config;
  if (!request.reading || request.comparing) {
    if (const TProblem problem = loadConfigFile(request.path, config); problem.failed())
      return fail(request.file + QStringLiteral(": ") + QString::fromStdString(problem.text));
  } else if (const TProblem refusal = refusalToWrite(request.path); refusal.failed()) {
    // Known before the clock is read: a folder, a device or a pipe is never written.
    return fail(QStringLiteral("cannot write ") + request.file + QStringLiteral(": ") +
                QString::fromLocal8Bit(refusal.text));
  }
  const auto direction = request.reading ? TPortTransfer::Direction::Read : TPortTransfer::Direction::Send;
  const TClockConfig sent = request.reading ? TClockConfig() : config;
  std::unique_ptr<TPortTransfer> transfer;
  bool interrupted = false;
  // Ctrl+C, SIGTERM and a hang-up are caught from here to the end. During a transfer they end it
  // with its report and an orderly close, so a clock is never left half-written without a word;
  // before it and between two ports no further port is asked. A file being written is written whole.
  const TExitSignals interrupts([&](int) {
    interrupted = true;
    if (transfer) transfer->interrupt();
  });
  // A signal that came while no event loop ran (the file, the opens) is delivered here.
  const auto signalled = [&interrupted] {
    QCoreApplication::processEvents();
    return interrupted;
  };
  const QString lookingInterrupted =
      QStringLiteral("interrupted while looking for the clock; ") +
      (request.reading ? QStringLiteral("nothing was written") : QStringLiteral("no command was acknowledged"));
  TBatchLines lines;
  const auto newTransfer = [&] {
    auto made = std::make_unique<TPortTransfer>(direction, sent, testTimes);
    made->session().setListener(&lines);
    if (request.comparing) made->setReadFailureEnding(QStringLiteral("nothing was compared"));
    return made;
  };
  transfer = newTransfer();
  const std::vector<TPortEntry> ports = request.port ? std::vector<TPortEntry>() : portList.ports();
  bool search = false;
  TPortEntry opened;
  const TProblem openProblem = openPort(*transfer, request.port, ports, folder, search, opened);
  told.portAsked(opened);
  if (openProblem.failed())
    return fail(QStringLiteral("%1 is not available (%2)")
                    .arg(request.port->shown(), QString::fromStdString(openProblem.text)));
  // The one run that decides: the send, else the read.
  const auto decidingRun = [&told](TPortTransfer& running) {
    told.row->outcome.attempts = 1;
    return runShown(running);
  };
  bool done = false;
  if (!search) {
    if (signalled()) return fail(lookingInterrupted);
    done = decidingRun(*transfer);
    // Silence on the saved port: the clock may hang elsewhere now. An asked port is never searched past.
    search = !done && !request.port && transfer->unanswered();
    if (search) transfer->session().savedPortSilent(transfer->failure());
  }
  if (search) {
    // The search is a read: no port hears a setting before the clock has answered on it.
    auto reading = std::make_unique<TPortTransfer>(TPortTransfer::Direction::Read, TClockConfig(), testTimes);
    reading->session().setListener(&lines);
    if (request.comparing) reading->setReadFailureEnding(QStringLiteral("nothing was compared"));
    if (!request.reading) reading->setReadFailureEnding(QStringLiteral("nothing was sent"));
    transfer = std::move(reading);
    transfer->search(ports);
    told.portAsked(TPortEntry());
    if (signalled()) return fail(lookingInterrupted);
    done = decidingRun(*transfer);
    if (transfer->foundPort()) told.portAsked(*transfer->foundPort());
    if (done) transfer->session().clockFoundOn(*transfer->foundPort());
    if (done && !request.reading) {
      // The clock is found: the send goes to its port alone.
      const TPortEntry found = *transfer->foundPort();
      transfer = newTransfer();
      if (interrupted) transfer->interrupt();
      if (const TProblem problem = transfer->open(found); problem.failed())
        return fail(QStringLiteral("%1 no longer opens (%2); nothing was sent")
                        .arg(found.shown(), QString::fromStdString(problem.text)));
      done = decidingRun(*transfer);
    }
  }
  if (!request.reading) told.row->outcome.commandsSha256 = commandsHash(transfer->commandsWritten());
  // A comparison counts them among its differences.
  if (!request.comparing)
    for (const QString& warning : transfer->warnings()) report(warning);
  if (!done) return fail(transfer->failure());
  if (!request.reading && request.verify) {
    // Acknowledged is not yet held: the send is read back on the same port, under the same name.
    const std::unique_ptr<TPortTransfer> sending = std::move(transfer);
    transfer = std::make_unique<TPortTransfer>(TPortTransfer::Direction::Read, TClockConfig(), testTimes);
    transfer->setReadFailureEnding(verifyReadEnding());
    if (interrupted) transfer->interrupt();
    const QString failed = QStringLiteral("the read to verify the send failed: ");
    if (const TProblem problem = transfer->reopen(*sending); problem.failed())
      return fail(failed +
                  QStringLiteral("%1 no longer opens (%2); ")
                      .arg(transfer->portName(), QString::fromStdString(problem.text)) +
                  verifyReadEnding());
    if (!runShown(*transfer)) return fail(failed + transfer->failure());
  }
  if (request.comparing || (!request.reading && request.verify)) {
    const TBatchOutcome outcome = compareWithClock(request.comparing ? Comparison::Compare : Comparison::AfterSend,
                                                   request.file, config, *transfer);
    for (const QString& line : outcome.lines) report(line);
    told.ended(outcome.agrees ? TClockOutcome::Result::Verified : TClockOutcome::Result::Differs, outcome.differences,
               outcome.valueDifferences);
    return outcome.exitCode;
  }
  if (request.reading) {
    if (const TProblem problem = saveConfigFile(request.path, transfer->received()); problem.failed())
      return fail(QStringLiteral("cannot write ") + request.file + QStringLiteral(": ") +
                  QString::fromStdString(problem.text));
    told.ended(TClockOutcome::Result::Read, transfer->warnings());
  }
  return 0;
}

}  // namespace

int runBatchTransfer(const TBatchRequest& request, const TWorkingFolder& folder, const TPortList& portList,
                     const TTestTimes& testTimes) {
  if (request.allClocks) return runEveryClock(request, portList, testTimes);
  TOneClock told;
  told.elapsed.start();
  int code = runOneClock(request, folder, portList, testTimes, told);
  if (!request.json) return code;
  TReportHeader header = reportHeader(request);
  header.error = told.error;
  std::vector<TReportRow> rows;
  if (told.row) {
    told.row->outcome.seconds = static_cast<double>(told.elapsed.elapsed()) / 1000.0;
    rows.push_back(*told.row);
  }
  if (!printJson(clockReportObject(header, rows))) code = request.comparing ? batchexit::kTrouble : batchexit::kFailed;
  return code;
}
