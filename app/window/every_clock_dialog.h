#pragma once
// "Send to every clock…": the window's configuration sent to the clock on every port at once, one
// job per port (TEveryClock), one row per port with its description, identity, a progress bar of
// its own and where its job stands; Stop ends every transfer, and the report of the last run is
// saved as CSV or JSON. A screen reader hears each row as "COM3: verified".
#include <QDialog>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "config_file.h"
#include "every_clock.h"
#include "every_clock_texts.h"
#include "port_list.h"

class QProgressBar;
class QPushButton;
class QStandardItemModel;
class QTableView;

class TEveryClockDialog : public QDialog {
  Q_OBJECT
 public:
  // What the dialog asks of the window that opened it.
  struct Host {
    // What Start sends, once the relay question is answered; none when the owner cancelled it.
    std::function<std::optional<TClockConfig>()> configuration;
    // Before the first job opens its port: the window lends its own port if it is one of these.
    std::function<void(const std::vector<TPortEntry>&)> runStarts;
    // Once the last job has closed its port: the window takes its port back.
    std::function<void()> runEnded;
    // A plain box (the report that cannot be written).
    std::function<void(const QString&)> showBox;
    // Where the report's file dialog starts: where the window's file dialogs start.
    std::function<QString()> dialogFolder;
    TTestTimes testTimes;  // the window's
  };

  // One row per port of `ports`, in the texts of `language` (a language index of the window).
  TEveryClockDialog(std::vector<TPortEntry> ports, int language, Host host, QWidget* parent);
  ~TEveryClockDialog() override;

  // Start: after the relay question, the configuration goes to every port at once.
  void start();
  // Stop: every transfer ends at once, each saying how far it came.
  void stop();
  bool running() const;
  // Writes the last run's report, CSV or JSON by the name's extension; false, with a box saying why.
  bool saveReport(const QString& path);

  QTableView* table() const { return table_; }

 protected:
  // Closing while jobs run stops them; the dialog closes once the last has ended.
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  void createRows();
  QWidget* createButtons();
  void saveReportClick();
  void runEnded();
  void updateButtons();
  // A job told of a step: its row follows once the running handler is done.
  void progressed(std::size_t row, TClockJob::Stage stage, int done, int total);
  void showRowsSoon();
  void showRows();
  void showRow(std::size_t row);
  QString stateText(std::size_t row) const;
  QString detailText(std::size_t row) const;
  const TClockJob* job(std::size_t row) const;

  std::vector<TPortEntry> ports_;
  int language_;
  const EveryClockTexts& texts_;
  Host host_;
  TClockConfig sent_;  // what the last run sent
  std::unique_ptr<TEveryClock> run_;
  std::vector<int> percent_;  // each row's progress, 0..100
  bool showQueued_ = false;
  bool closeWhenEnded_ = false;
  bool lineSettling_ = false;  // a run has just ended: its clocks may still be answering

  // A view on a model rather than a QTableWidget: the Qt built for Windows leaves the item widgets out.
  QTableView* table_ = nullptr;
  QStandardItemModel* rows_ = nullptr;
  std::vector<QProgressBar*> bars_;
  QPushButton* start_ = nullptr;
  QPushButton* stop_ = nullptr;
  QPushButton* saveReport_ = nullptr;
  QPushButton* close_ = nullptr;
};
