#include "every_clock_dialog.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "captions.h"
#include "clock_report.h"
#include "local_files.h"
#include "program_name.h"
#include "safe_write.h"
#include "transfer.h"

namespace {

enum Column { kPort, kDescription, kIdentity, kProgress, kState, kColumns };

// A job's way through its stages as one bar: the look a third, the send a third, the read back a third.
int percentOf(TClockJob::Stage stage, int done, int total) {
  using S = TClockJob::Stage;
  const int base = stage == S::Sending ? 33 : stage == S::ReadingBack ? 67 : 0;
  const int share = stage == S::Sending ? 34 : 33;
  return total > 0 ? base + share * std::clamp(done, 0, total) / total : base;
}

QString withReason(const QString& state, const QString& reason) {
  return reason.isEmpty() ? state : state + QStringLiteral(" (") + reason + u')';
}

QString withoutMarks(QString caption) {
  caption.remove(u'&');
  caption.remove(QChar(0x2026));  // the ellipsis
  return caption;
}

QStandardItem* readOnlyItem(const QString& text) {
  auto* item = new QStandardItem(text);
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  return item;
}

}  // namespace

TEveryClockDialog::TEveryClockDialog(std::vector<TPortEntry> ports, int language, Host host, QWidget* parent)
    : QDialog(parent),
      ports_(std::move(ports)),
      language_(language),
      texts_(everyClockTexts(language)),
      host_(std::move(host)),
      percent_(ports_.size(), 0) {
  setObjectName(QStringLiteral("EveryClockDialog"));
  setWindowTitle(texts_.title);
  auto* layout = new QVBoxLayout(this);
  createRows();
  layout->addWidget(table_);
  layout->addWidget(createButtons());
  setTabOrder(table_, start_);
  setTabOrder(start_, stop_);
  setTabOrder(stop_, saveReport_);
  setTabOrder(saveReport_, close_);
  showRows();
  updateButtons();
  resize(760, 140 + 30 * static_cast<int>(ports_.size()));
  table_->setFocus();
}

TEveryClockDialog::~TEveryClockDialog() {
  // The window is going: every port closes with its job.
  if (running()) run_->interrupt();
}

void TEveryClockDialog::createRows() {
  rows_ = new QStandardItemModel(static_cast<int>(ports_.size()), kColumns, this);
  table_ = new QTableView(this);
  table_->setModel(rows_);
  table_->setObjectName(QStringLiteral("EveryClockTable"));
  table_->setAccessibleName(texts_.title);
  rows_->setHorizontalHeaderLabels(QStringList(texts_.columns.begin(), texts_.columns.end()));
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setTabKeyNavigation(false);  // Tab goes on to the buttons; the arrows walk the rows
  for (std::size_t row = 0; row < ports_.size(); ++row) {
    const TPortEntry& port = ports_[row];
    const int r = static_cast<int>(row);
    rows_->setItem(r, kPort, readOnlyItem(port.shown()));
    rows_->setItem(r, kDescription, readOnlyItem(port.hardware()));
    rows_->setItem(r, kIdentity,
                    readOnlyItem(port.serialNumber.isEmpty() ? port.identity : port.serialNumber));
    rows_->setItem(r, kProgress, readOnlyItem(QString()));
    rows_->setItem(r, kState, readOnlyItem(QString()));
    auto* bar = new QProgressBar(table_);
    bar->setRange(0, 100);
    bar->setAccessibleName(port.shown());
    table_->setIndexWidget(rows_->index(r, kProgress), bar);
    bars_.push_back(bar);
  }
  table_->resizeColumnToContents(kPort);
  table_->setColumnWidth(kDescription, 200);
  if (!ports_.empty()) table_->setCurrentIndex(rows_->index(0, kPort));
}

QWidget* TEveryClockDialog::createButtons() {
  auto* row = new QWidget(this);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  const auto button = [&](const QString& text, const char* name, void (TEveryClockDialog::*click)()) {
    auto* b = new QPushButton(text, row);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, click);
    layout->addWidget(b);
    return b;
  };
  start_ = button(texts_.start, "EveryClockStart", &TEveryClockDialog::start);
  stop_ = button(texts_.stop, "EveryClockStop", &TEveryClockDialog::stop);
  saveReport_ = button(texts_.saveReport, "EveryClockSaveReport", &TEveryClockDialog::saveReportClick);
  layout->addStretch();
  close_ = button(texts_.close, "EveryClockClose", &TEveryClockDialog::reject);
  return row;
}

bool TEveryClockDialog::running() const { return run_ && !run_->ended(); }

void TEveryClockDialog::start() {
  if (running() || lineSettling_ || ports_.empty()) return;
  const std::optional<TClockConfig> config = host_.configuration();
  if (!config) return;
  sent_ = *config;
  TClockJob::Request request;
  request.task = TClockJob::Task::Send;
  request.file = sent_;
  request.testTimes = host_.testTimes;
  run_ = std::make_unique<TEveryClock>(ports_, request);
  for (std::size_t row = 0; row < ports_.size(); ++row) {
    percent_[row] = 0;
    run_->jobs()[row]->setProgress(
        [this, row](TClockJob::Stage stage, int done, int total) { progressed(row, stage, done, total); });
  }
  host_.runStarts(ports_);
  run_->start([this](const TClockJob&) { showRowsSoon(); }, [this] { runEnded(); });
  showRows();
  updateButtons();
}

void TEveryClockDialog::stop() {
  if (running()) run_->interrupt();
}

void TEveryClockDialog::runEnded() {
  host_.runEnded();
  // A clock whose job was stopped halfway may still be answering it: the next run opens the ports
  // once the line has had the settle time to fall quiet (an open drops what came before).
  lineSettling_ = true;
  QTimer::singleShot(TClockTransfer::kSettleMs, this, [this] {
    lineSettling_ = false;
    updateButtons();
  });
  showRows();
  updateButtons();
  // Not from within the last job's end, which closing (and so deleting) the dialog would pull away.
  if (closeWhenEnded_) QMetaObject::invokeMethod(this, &QDialog::reject, Qt::QueuedConnection);
}

void TEveryClockDialog::closeEvent(QCloseEvent* event) {
  if (running()) {
    closeWhenEnded_ = true;
    stop();
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void TEveryClockDialog::reject() {
  if (running()) {
    closeWhenEnded_ = true;
    stop();
    return;
  }
  QDialog::reject();
}

void TEveryClockDialog::updateButtons() {
  const bool busy = running();
  start_->setEnabled(!busy && !lineSettling_ && !ports_.empty());
  stop_->setEnabled(busy);
  saveReport_->setEnabled(!busy && run_ != nullptr);
}

// --- Rows -------------------------------------------------------------------------------------

void TEveryClockDialog::progressed(std::size_t row, TClockJob::Stage stage, int done, int total) {
  if (stage != TClockJob::Stage::Done) percent_[row] = percentOf(stage, done, total);
  showRowsSoon();
}

void TEveryClockDialog::showRowsSoon() {
  // A repaint inside a transfer's handler would hold back its next command: the rows follow once
  // the handler is done, one update for a burst of steps.
  if (showQueued_) return;
  showQueued_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        showQueued_ = false;
        showRows();
      },
      Qt::QueuedConnection);
}

void TEveryClockDialog::showRows() {
  for (std::size_t row = 0; row < ports_.size(); ++row) showRow(row);
}

void TEveryClockDialog::showRow(std::size_t row) {
  const int r = static_cast<int>(row);
  const QString state = stateText(row);
  const QString detail = detailText(row);
  rows_->item(r, kState)->setText(state);
  rows_->item(r, kState)->setToolTip(detail);
  // The port's cell speaks for the row: the arrows keep to its column.
  QStandardItem* port = rows_->item(r, kPort);
  port->setData(ports_[row].shown() + QStringLiteral(": ") + state, Qt::AccessibleTextRole);
  port->setData(detail.isEmpty() ? ports_[row].label() : detail, Qt::AccessibleDescriptionRole);
  const TClockJob* j = job(row);
  using R = TClockOutcome::Result;
  const R result = j ? j->outcome().result : R::Pending;
  const int percent = result == R::Verified || result == R::Differs    ? 100
                      : result == R::NotAClock || result == R::Skipped ? 0
                                                                       : percent_[row];
  bars_[row]->setValue(percent);
  rows_->item(r, kProgress)->setData(QStringLiteral("%1%").arg(percent), Qt::AccessibleTextRole);
}

const TClockJob* TEveryClockDialog::job(std::size_t row) const {
  return run_ && row < run_->jobs().size() ? run_->jobs()[row].get() : nullptr;
}

QString TEveryClockDialog::stateText(std::size_t row) const {
  const TClockJob* j = job(row);
  if (!j) return texts_.waiting;
  using S = TClockJob::Stage;
  switch (j->stage()) {
    case S::Waiting:
      return texts_.waiting;
    case S::Looking:
      return texts_.looking;
    case S::Sending:
      return texts_.sending;
    case S::ReadingBack:
      return texts_.readingBack;
    case S::Done:
      break;
  }
  const TClockOutcome& o = j->outcome();
  using R = TClockOutcome::Result;
  switch (o.result) {
    case R::Verified:
    case R::Read:
      return texts_.verified;
    case R::Differs:
      return texts_.differs;
    case R::Failed:
      return withReason(texts_.failed, o.reason);
    case R::Skipped:
      return withReason(texts_.skipped, o.reason);
    case R::NotAClock:
      return texts_.notAClock;
    case R::Pending:
      break;
  }
  return texts_.waiting;
}

// What a row says beyond its state: the values a clock holds other than sent, or why it failed.
QString TEveryClockDialog::detailText(std::size_t row) const {
  const TClockJob* j = job(row);
  if (!j || j->stage() != TClockJob::Stage::Done) return {};
  const TClockOutcome& o = j->outcome();
  return o.differences.isEmpty() ? o.reason : o.differences.join(u'\n');
}

// --- The report -------------------------------------------------------------------------------

bool TEveryClockDialog::saveReport(const QString& path) {
  if (!run_ || running()) return false;
  const std::optional<ReportFormat> format = reportFormatOf(path);
  QString why = QStringLiteral("the name must end in .csv or .json");
  if (format) {
    const std::string sent = formatConfigFile(sent_);
    // No file was sent: the hash is of the configuration as "Save configuration as…" writes it.
    const TReportHeader header{
        QStringLiteral("%1 %2").arg(QString::fromLatin1(kProgram), QCoreApplication::applicationVersion()),
        QString(),
        QCryptographicHash::hash(QByteArrayView(sent.data(), static_cast<qsizetype>(sent.size())),
                                 QCryptographicHash::Sha256)
            .toHex(),
        QString()};
    const QByteArray text = clockReport(*format, header, *run_);
    const TProblem problem = writeWholeFile(
        localPath(path), std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
    if (!problem.failed()) return true;
    const QString said = fileProblemText(problem.kind, language_);
    why = said.isEmpty() ? QString::fromStdString(problem.text) : said;
  }
  host_.showBox(texts_.reportError + u'\n' + path + QStringLiteral(": ") + why);
  return false;
}

void TEveryClockDialog::saveReportClick() {
  QString filter;
  QString path =
      QFileDialog::getSaveFileName(this, withoutMarks(texts_.saveReport), host_.dialogFolder(),
                                   QStringLiteral("JSON (*.json);;CSV (*.csv)"), &filter);
  if (path.isEmpty()) return;
  // A name without either extension takes the one of the chosen kind.
  if (!reportFormatOf(path))
    path += filter.startsWith(QLatin1String("CSV")) ? QStringLiteral(".csv") : QStringLiteral(".json");
  saveReport(path);
}
