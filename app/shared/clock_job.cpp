#include "clock_job.h"

#include <QCryptographicHash>
#include <QTimer>

#include "config_compare.h"
#include "config_file_access.h"
#include "transfer.h"

namespace {

bool lineTrouble(std::optional<TransferFailure> why) {
  return why == TransferFailure::NoAnswer || why == TransferFailure::ErrorReply ||
         why == TransferFailure::ExtraReply || why == TransferFailure::LineError;
}

}  // namespace

QByteArray commandsHash(const std::vector<std::string>& commands) {
  if (commands.empty()) return {};
  QCryptographicHash hash(QCryptographicHash::Sha256);
  for (const std::string& command : commands) {
    hash.addData(QByteArrayView(command.data(), static_cast<qsizetype>(command.size())));
    hash.addData(QByteArrayView("\r", 1));
  }
  return hash.result().toHex();
}

QString resultName(TClockOutcome::Result result) {
  switch (result) {
    case TClockOutcome::Result::Pending: return QStringLiteral("pending");
    case TClockOutcome::Result::Verified: return QStringLiteral("verified");
    case TClockOutcome::Result::Differs: return QStringLiteral("differs");
    case TClockOutcome::Result::Read: return QStringLiteral("read");
    case TClockOutcome::Result::Failed: return QStringLiteral("failed");
    case TClockOutcome::Result::NotAClock: return QStringLiteral("not a clock");
    case TClockOutcome::Result::Skipped: return QStringLiteral("skipped");
  }
  return {};
}

TClockJob::TClockJob(TPortEntry port, Request request) : port_(std::move(port)), request_(std::move(request)) {}

QString TClockJob::shownPort() const {
  QStringList adapter;
  if (!port_.manufacturer.isEmpty()) adapter << port_.manufacturer;
  if (!port_.serialNumber.isEmpty()) adapter << port_.serialNumber;
  if (adapter.isEmpty()) return port_.shown();
  return port_.shown() + QStringLiteral(" (") + adapter.join(u' ') + u')';
}

void TClockJob::start(std::function<void()> ended) {
  ended_ = std::move(ended);
  outcome_.started = QDateTime::currentDateTime();
  elapsed_.start();
  look();
}

void TClockJob::interrupt() {
  interrupted_ = true;
  if (transfer_) transfer_->interrupt();
}

void TClockJob::run(Stage stage, std::unique_ptr<TPortTransfer> transfer, void (TClockJob::*next)()) {
  stage_ = stage;
  transfer_ = std::move(transfer);
  transfer_->setProgress([this](int done, int total) {
    if (progress_) progress_(stage_, done, total);
  });
  if (interrupted_) transfer_->interrupt();
  transfer_->start([this, next] {
    // The transfer that ended is kept while the next one starts: its own handler is still running.
    finished_ = std::move(transfer_);
    (this->*next)();
  });
  if (progress_) progress_(stage_, 0, 0);
}

// The clock is looked for on this port alone: the read request, and only once the answer is the
// clock's, the rest of the read.
void TClockJob::look() {
  auto reading = std::make_unique<TPortTransfer>(TPortTransfer::Direction::Read, TClockConfig(), request_.testTimes);
  reading->setReadFailureEnding(request_.task == Task::Send      ? QStringLiteral("nothing was sent")
                                : request_.task == Task::Compare ? QStringLiteral("nothing was compared")
                                                                 : QStringLiteral("nothing was written"));
  reading->search({port_});
  ++outcome_.attempts;
  run(Stage::Looking, std::move(reading), &TClockJob::looked);
}

void TClockJob::looked() {
  const TPortTransfer& read = *finished_;
  const TClockSearch* search = read.searching();
  if (search && !search->skipped().empty()) return end(TClockOutcome::Result::Skipped, search->skipped().front().reason);
  if (!read.foundPort()) {
    if (interrupted_) return end(TClockOutcome::Result::Failed, read.failure());
    return end(TClockOutcome::Result::NotAClock, QStringLiteral("no answer to the read request as a clock gives it"));
  }
  answered_ = true;
  if (!read.succeeded()) {
    if (request_.task != Task::Send && retry(read, outcome_.attempts)) return look();
    return end(TClockOutcome::Result::Failed, read.failure());
  }
  switch (request_.task) {
    case Task::Read: return writeRead(read);
    case Task::Compare: return compare(read, TClockOutcome::Result::Verified);
    case Task::Send:
      outcome_.attempts = 0;
      return send();
  }
}

void TClockJob::send() {
  auto sending = std::make_unique<TPortTransfer>(TPortTransfer::Direction::Send, request_.file, request_.testTimes);
  if (const TProblem problem = sending->open(port_); problem.failed())
    return end(TClockOutcome::Result::Failed,
               QStringLiteral("%1 no longer opens (%2); nothing was sent")
                   .arg(port_.shown(), QString::fromStdString(problem.text)));
  ++outcome_.attempts;
  run(Stage::Sending, std::move(sending), &TClockJob::sent);
}

void TClockJob::sent() {
  const TPortTransfer& sending = *finished_;
  outcome_.commandsSha256 = commandsHash(sending.commandsWritten());
  if (!sending.succeeded()) {
    if (retry(sending, outcome_.attempts)) return send();
    return end(TClockOutcome::Result::Failed, sending.failure());
  }
  readBack();
}

void TClockJob::readBack() {
  auto reading = std::make_unique<TPortTransfer>(TPortTransfer::Direction::Read, TClockConfig(), request_.testTimes);
  reading->setReadFailureEnding(QStringLiteral("the clock acknowledged all %1 commands, but what it holds is not verified")
                                    .arg(TClockTransfer::kSendCommands));
  if (const TProblem problem = reading->open(port_); problem.failed())
    return end(TClockOutcome::Result::Failed,
               QStringLiteral("%1 no longer opens (%2); what the clock holds is not verified")
                   .arg(port_.shown(), QString::fromStdString(problem.text)));
  ++readBacks_;
  run(Stage::ReadingBack, std::move(reading), &TClockJob::readBackEnded);
}

void TClockJob::readBackEnded() {
  const TPortTransfer& read = *finished_;
  if (!read.succeeded()) {
    if (retry(read, readBacks_)) return readBack();
    return end(TClockOutcome::Result::Failed, read.failure());
  }
  compare(read, TClockOutcome::Result::Verified);
}

void TClockJob::compare(const TPortTransfer& read, TClockOutcome::Result agree) {
  outcome_.valueDifferences = compareConfigs(request_.file, read.received());
  for (const ConfigDifference& d : outcome_.valueDifferences)
    outcome_.differences << QString::fromStdString(differenceLine(d));
  // A value out of its range was clamped into the configuration read: no file holds what the clock does.
  outcome_.differences << read.warnings();
  end(outcome_.differences.isEmpty() ? agree : TClockOutcome::Result::Differs);
}

void TClockJob::writeRead(const TPortTransfer& read) {
  if (const TProblem problem = saveConfigFile(request_.readInto, read.received()); problem.failed())
    return end(TClockOutcome::Result::Failed, QStringLiteral("cannot write %1: %2")
                                                  .arg(request_.fileShown, QString::fromStdString(problem.text)));
  outcome_.differences = read.warnings();
  end(TClockOutcome::Result::Read);
}

bool TClockJob::retry(const TPortTransfer& failed, int runs) const {
  return !interrupted_ && lineTrouble(failed.lineFailure()) && runs <= request_.retries;
}

void TClockJob::end(TClockOutcome::Result result, const QString& reason) {
  stage_ = Stage::Done;
  outcome_.result = result;
  outcome_.reason = reason;
  outcome_.seconds = static_cast<double>(elapsed_.elapsed()) / 1000.0;
  if (progress_) progress_(stage_, 0, 0);
  // Its host may let it go when told: not while a transfer's handler is still on the stack.
  QTimer::singleShot(0, &context_, [this] {
    if (ended_) ended_();
  });
}
