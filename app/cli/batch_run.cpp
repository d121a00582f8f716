// Runs a --read, --send or --compare: loads or checks the file, finds the port, runs the transfer
// on it (and on the other ports that open when it gives no answer), then writes what was read,
// reads a send back to verify it, or compares what was read with the file.
#include "batch_run.h"

#include <QCoreApplication>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "Serial4.h"
#include "batch_transfer.h"
#include "batch_verify.h"
#include "config_file_access.h"
#include "desktop.h"
#include "exit_signals.h"
#include "port_chooser.h"
#include "port_settings_file.h"
#include "program_name.h"
#include "safe_write.h"

namespace {

constexpr int kScannedPorts = TPortChooser::kScannedPorts;

// One line on standard error, the program's name first.
void report(const QString& text) {
  desktop::write(stderr, QString::fromLatin1(kProgram) + QStringLiteral(": ") + text + u'\n');
}

// Opens the port asked for, else the one kelvox.ini names, else the first of COM1..COM4 that
// opens; the reason when none does. A port found by trying leaves in `others` the ports that
// opened besides it, to ask in turn when it gives no answer (a GPS receiver or modem may be on it).
std::optional<QString> openPort(TBatchTransfer& transfer, const std::optional<TPortArgument>& asked,
                                std::vector<int>& others) {
  if (asked) {
    const auto reason = asked->number != 0 ? transfer.open(asked->number) : transfer.openPath(asked->path);
    if (reason) return QStringLiteral("%1 is not available (%2)").arg(asked->shown(), *reason);
    return std::nullopt;
  }
  if (const int saved = TPortSettingsFile().savedPort(); saved != 0) {
    if (const auto reason = transfer.open(saved))
      return QStringLiteral("COM%1, saved in kelvox.ini, is not available (%2); choose a port with --port N")
          .arg(saved)
          .arg(*reason);
    return std::nullopt;
  }
  TPortChooser chooser;
  {
    TSerial probe;
    probe.setNotifyErrors(neNone);
    chooser.scan(probe);
  }
  if (const int first = chooser.firstOpened(); first != 0 && !transfer.open(first)) {
    others = chooser.othersThan(first);
    return std::nullopt;
  }
  return QStringLiteral("no serial port available among COM1 to COM%1; choose one with --port N")
      .arg(kScannedPorts);
}

}  // namespace

int runBatchTransfer(const TBatchRequest& request) {
  const auto fail = [&request](const QString& text) {
    report(text);
    return request.comparing ? batchexit::kTrouble : batchexit::kFailed;
  };
  if (!request.pathProblem.isEmpty()) return fail(request.pathProblem);
  TClockConfig config;
  if (!request.reading || request.comparing) {
    QString error;
    if (!loadConfigFile(request.path, config, error))
      return fail(request.file + QStringLiteral(": ") + error);
  } else if (const std::string refusal = writeRefusal(request.path); !refusal.empty()) {
    // Known before the clock is read: a folder, a device or a pipe is never written.
    return fail(QStringLiteral("cannot write ") + request.file + QStringLiteral(": ") +
                QString::fromLocal8Bit(refusal));
  }
  const auto direction = request.reading ? TBatchTransfer::Direction::Read : TBatchTransfer::Direction::Send;
  const TClockConfig sent = request.reading ? TClockConfig() : config;
  std::unique_ptr<TBatchTransfer> transfer;
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
  const auto newTransfer = [&] {
    auto made = std::make_unique<TBatchTransfer>(direction, sent);
    if (request.comparing) made->setReadFailureEnding(QStringLiteral("nothing was compared"));
    return made;
  };
  transfer = newTransfer();
  std::vector<int> others;
  if (const auto reason = openPort(*transfer, request.port, others)) return fail(*reason);
  bool searched = false;
  bool done = false;
  for (;;) {
    if (signalled()) return fail(lookingInterrupted);
    done = transfer->run();
    if (done || others.empty() || !transfer->unanswered()) break;
    const int next = others.front();
    others.erase(others.begin());
    report(transfer->failure() + QStringLiteral("; asking COM%1").arg(next));
    transfer = newTransfer();
    transfer->open(next);  // one that no longer opens ends in no answer like a silent one
    searched = true;
  }
  // A comparison counts them among its differences.
  if (!request.comparing)
    for (const QString& warning : transfer->warnings()) report(warning);
  if (!done) return fail(transfer->failure());
  if (searched) report(QStringLiteral("the clock answered on %1").arg(transfer->portName()));
  if (!request.reading && request.verify) {
    // Acknowledged is not yet held: the send is read back on the same port.
    const int port = transfer->port();
    const std::string path = transfer->portPath();
    const QString name = transfer->portName();
    transfer = std::make_unique<TBatchTransfer>(TBatchTransfer::Direction::Read, TClockConfig());
    transfer->setReadFailureEnding(verifyReadEnding());
    if (interrupted) transfer->interrupt();
    const QString failed = QStringLiteral("the read to verify the send failed: ");
    if (const auto reason = path.empty() ? transfer->open(port) : transfer->openPath(path))
      return fail(failed + QStringLiteral("%1 no longer opens (%2); ").arg(name, *reason) + verifyReadEnding());
    if (!transfer->run()) return fail(failed + transfer->failure());
  }
  if (request.comparing || (!request.reading && request.verify)) {
    const TBatchOutcome outcome = compareWithClock(request.comparing ? Comparison::Compare : Comparison::AfterSend,
                                                   request.file, config, *transfer);
    for (const QString& line : outcome.lines) report(line);
    return outcome.exitCode;
  }
  if (request.reading) {
    QString error;
    if (!saveConfigFile(request.path, transfer->received(), error))
      return fail(QStringLiteral("cannot write ") + request.file + QStringLiteral(": ") + error);
  }
  return 0;
}
