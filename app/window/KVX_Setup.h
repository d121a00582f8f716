#pragma once
// KVX_Setup: the main window Form1 of the KELVOX setup program. It holds every control (built by
// TWindowControls), the Timeout timer and the serial port Serial1. The read and send sequences run
// in TClockTransfer, which writes through the window's port (TransferPort) and tells the window
// what happened (TransferHost), which the window shows in its controls. Its handlers live by
// part: the transfer here, port selection in window_ports.cpp, configuration files in
// window_config_files.cpp, languages, help and closing in window_menus.cpp, "Send to every clock…"
// in window_every_clock.cpp.
#include <QMainWindow>
#include <QPointer>
#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "clock_compare.h"
#include "config_compare.h"
#include "config_file.h"
#include "help_texts.h"
#include "message_boxes.h"
#include "message_gate.h"
#include "port_list.h"
#include "plan_sheet.h"
#include "port_settings_file.h"
#include "system_facts.h"
#include "clock_session.h"
#include "transfer.h"
#include "week_timer.h"
#include "window_controls.h"
#include "working_folder.h"

class QAction;
class QTimer;
class TClockSearch;
class TConnectionCheck;
class TDeviceEvents;
class TEveryClockDialog;
class TPortButtons;
class TSerial;

class TForm1 : public QMainWindow, private TransferHost, private TSessionListener, private TWindowControls {
  Q_OBJECT
 public:
  static constexpr int kPortCount = kComButtons;

  // The program works in `folder` (kelvox.ini, the file dialogs' folder, the COMn entries) and
  // finds its ports in `ports`.
  // `testTimes`: the whole-program tests' shorter times, for every transfer the window starts.
  TForm1(const TWorkingFolder& folder, std::unique_ptr<TPortList> ports, const TTestTimes& testTimes = {},
         QWidget* parent = nullptr);
  ~TForm1() override;

  // Handlers, named after their control and event.
  void ReadClockClick();
  void SendToClockClick();
  void Serial1Message(TSerial* sender, const std::string& message);
  void TimeoutTimer();
  void SetDefaults();
  void LanguageClick();
  void RelayModeClick() {}  // commands are built from the controls when sent
  void SpinEditUTCChange() {}
  void SpinEditDLSChange() {}
  void SpinEditValidChange() {}
  // COM1Click .. COM9Click: selects port 1..9 and applies it.
  void COMClick(int port);
  void COMSOFF();
  void COMPORTSChange();
  // Port menu: looks for the clock on every port, and selects and saves the one it answers on.
  void FindTheClockClick();
  void FormClose();
  void Quit1Click();
  // SIGTERM, SIGINT or SIGHUP: ends the program as "Exit" does, with exit code 128 + signal. A
  // transfer cut off leaves one line on standard error naming the last command the clock took.
  void endBySignal(int signal);
  void Howtousethisprogram1Click();
  void Howtousethisprogram2Click();
  void AboutKELVOXSetup1Click();
  // Help: looks for the clock on every port and shows each port with why it did not serve.
  void ConnectionCheck1Click();
  // File menu: choose a configuration file, then open or save it.
  void OpenConfiguration1Click();
  void SaveConfiguration1Click();
  // Reads the clock into a configuration of its own and shows in a box where it differs from
  // the window's settings and switch times; the window's controls stay as they are.
  void CompareWithClock1Click();
  // Opens the dialog that sends what the window holds to the clock on every port at once.
  void SendToEveryClock1Click();
  // Puts a configuration file's settings and switch times into the window (nothing is sent), or
  // writes what the window holds now; false, with a box saying why, on failure or during a
  // transfer.
  bool openConfigurationFile(const QString& path);
  bool saveConfigurationFile(const QString& path);
  // Opens path as openConfigurationFile does once the start-up read (and any search for the
  // clock after it) has ended, which would otherwise overwrite what the file put in: a file
  // given at start ("Open with", a file dropped on the program).
  void openWhenStarted(const QString& path);
  // "Export week plan…" of the Timer page: the plan as PDF or PNG (by the name's extension), with
  // the settings and where the configuration came from; false, with a box saying why, on failure.
  void ExportWeekPlanClick();
  bool exportWeekPlan(const QString& path);

  // Places the window in the middle of the screen it is on.
  void centreOnScreen();

  // Replaces the real boxes, for tests; the window takes ownership.
  void setMessageBoxes(std::unique_ptr<TMessageBoxes> boxes);
  // Replaces the machine's device events (adapters plugged in or pulled out), for tests.
  void setDeviceEvents(std::unique_ptr<TDeviceEvents> events);
  // Replaces the machine's port list, for tests; before the start-up tick.
  void setPortList(std::unique_ptr<TPortList> list);
  // Replaces the system's files that say why a port did not serve, for tests.
  void setSystemFacts(std::unique_ptr<TSystemFacts> facts);

  // State for observers and tests.
  const TClockTransfer& transfer() const { return session_.transfer(); }
  // For tests that need only that a reply time-out happened, not its designed length.
  void setReplyTimeoutMs(int ms) { session_.transfer().setReplyTimeoutMs(ms); }
  const WeekTable& weekTable() const { return weekTimer_.table(); }
  bool TimerEdited() const { return weekTimer_.TimerEdited(); }
  int selectedPort() const { return selectedPort_; }
  // The selected port, also one no COM button names; none before a port is selected.
  const std::optional<TPortEntry>& selectedEntry() const { return selected_; }
  // Why the last read or send failed; none when it succeeded or while one runs.
  std::optional<TransferFailure> lastFailure() const { return lastFailure_; }
  TSerial& serial() { return *serial_; }
  QTimer& timeoutTimer() { return session_.timer(); }
  TimerPage& timerPage() { return *timerPage_; }

 signals:
  // The clock acknowledged the last command of a send.
  void sendAcknowledged();
  // A send has ended as a whole: acknowledged and, with "Verify after sending", read back.
  void sendEnded();
  // A message from the port reached the window (before the transfer has taken it).
  void messageArrived();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // TransferHost: the controls of the Settings page, and what a transfer shows.
  int setting(Setting s) const override;
  void writeSetting(Setting s, int value) override;
  void startUp() override { SetDefaults(); }
  void readStarted() override;
  void sendStarted() override;
  RelayAnswer askRelayQuestion() override;
  bool timesEdited() const override { return weekTimer_.transferTimerEdited(); }
  void entryRead(int day, int entry) override;
  void progressed(int done, int total) override;
  bool readSettles() const override { return true; }
  void readFinished() override;
  void sendFinished() override;
  void failed(TransferFailure why, const std::string& lastAcknowledged) override;

  // TSessionListener: a skipped port's reason kept for its tool tip; the texts on standard error.
  void portSkipped(const TPortEntry& port, const QString& reason, const QString& text) override;
  void adapterMoved(const QString& text) override;
  void searchingEveryPort(const QString& text) override;

  // Binds the controls' events to their handlers.
  void connectControls();
  // One received message, let through the gate: a step of the transfer.
  void handleMessage(const TReceivedMessage& message);
  // No transfer runs: the buttons and menu items that start one are usable, the bar is empty.
  void showIdle();
  void setButtonsEnabled(bool enabled);  // ReadClock, SendToClock and the file menu's open and save
  void setProgressPosition(int position);
  // The box of a failed transfer (no answer, or damaged characters).
  void showFailure(const QString& text);
  // A received message, from Serial1 or from the port where a search found the clock.
  void receive(const TReceivedMessage& message);
  // A read that heard nothing: each port of its search (or the port it ran on) that did not
  // serve, with its cause, in the window's language.
  QStringList unansweredCauses() const;
  void connectionCheckEnded();
  // The box text for a transfer that ended without success.
  QString failureText(TransferFailure why) const;
  // After a send, with "Verify after sending" checked: the clock is read back as "Compare with
  // clock" reads it.
  void verifySend();
  // The end of "Compare with clock", or of the read-back after a send: its box.
  void compareEnded(std::optional<TransferFailure> failure, const TClockConfig& clock);
  // Its box's text; empty for none (a send read back as sent).
  QString comparisonText(std::optional<TransferFailure> failure, const TClockConfig& clock, bool afterSend) const;
  QString differenceText(const ConfigDifference& difference) const;
  void createSerial();
  // Serial1's handler on `serial`: the window's port from now on.
  void listenTo(TSerial& serial);
  void createCompare();
  void scanPorts();
  // The port list looked at afresh (start, device events), and shown on the buttons and the menu.
  void lookAtPorts();
  void showPorts();
  // The SerialPorts group and the clockfound label name the port in use in their tool tip and
  // accessible description.
  void showPortInUse();
  void onComButtonClicked(int port);
  void onPortChosen(const TPortEntry& entry);
  // Selects a port and applies it as COMClick does.
  void selectPort(const TPortEntry& entry);
  // COMPORTSChange without its read: applies the selected port and saves it.
  void applySelectedPort();
  // Sets Serial1 to `entry`'s port.
  void selectOnSerial(const TPortEntry& entry);
  void savePortChoice();
  // A read with no port open: the owner's port is opened again, else the clock is looked for.
  void findPortAgain();
  // Opens every port for the search; the transfer's next requests go to all of them.
  void startSearch();
  void endSearch();
  // The search heard the clock on ports_[index]: its port becomes Serial1, selected and saved.
  void clockFound(std::size_t index);
  void adoptSerial(std::unique_ptr<TSerial> serial);
  int language() const;
  void showHelp(HelpTopic topic);
  // A plain box that holds received messages back while it is open.
  void showHeldBox(const QString& text);
  // Idle: no transfer running and the start-up done, so the configuration may be replaced or saved.
  bool configurationFilesAllowed() const;
  TClockConfig heldConfiguration() const;
  QString chooseConfigurationFile(QAction* menuItem, bool forSaving);
  // Brings ProgressBar1 to the transfer's position after the running handler.
  void showProgressSoon();
  // "Send to every clock…": what its Start sends, after the relay question as "Send to clock"
  // asks it; none when the owner cancelled.
  std::optional<TClockConfig> configurationToSend();
  // While its jobs run, the window's own port is closed if a job needs it, and opened again after:
  // the same port, selected and saved as before.
  void lendPort(const std::vector<TPortEntry>& ports);
  void takeBackPort();
  void portTakenBack();

  WeekTimer weekTimer_;
  // Its timer is Timeout: to the start-up tick, then the reply time-out. Its line is on Serial1,
  // once that exists.
  TTestTimes testTimes_;
  TClockSession session_{*this, weekTimer_.transferTable(), nullptr, testTimes_};
  TMessageGate gate_;
  std::unique_ptr<TMessageBoxes> boxes_;
  TWorkingFolder folder_;
  TPortSettingsFile settingsFile_;
  bool saveAllowed_ = false;  // whether the port choice may still be written this run
  int selectedPort_ = 0;      // the selected COM button; 0: none, or a port no button names
  std::optional<TPortEntry> selected_;
  std::unique_ptr<TPortList> portList_;
  std::vector<TPortEntry> ports_;           // as last looked at
  std::map<QString, QString> skipReasons_;  // why the last search skipped a port, by name
  std::unique_ptr<TPortButtons> portButtons_;  // what the COM buttons and the Port menu show of the ports
  bool ownerChosePort_ = false;  // clicked, or saved in kelvox.ini at start: never changed by the program
  bool unanswered_ = false;      // the last transfer ended without a word from the port
  std::optional<TransferFailure> lastFailure_;
  bool verifyPending_ = false;  // a send whose read-back follows its last acknowledgement
  bool verifying_ = false;      // the comparison running is the read-back of a send
  PlanOrigin planOrigin_;  // where the configuration came from, as the plan's sheet says it
  std::unique_ptr<TSystemFacts> facts_;
  QStringList causeLines_;                   // below the no-answer message: why each port did not serve
  std::unique_ptr<TConnectionCheck> check_;  // the Help menu's connection check, once run
  int progressPosition_ = 0;  // the transfer's position, which ProgressBar1 shows
  bool progressUpdateQueued_ = false;

  TSerial* serial_ = nullptr;
  std::unique_ptr<TClockCompare> compare_;  // on serial_: made after it, gone before it
  QPointer<TEveryClockDialog> everyClock_;   // while "Send to every clock…" is open
  bool portLent_ = false;                    // Serial1 closed for the dialog's run
  QTimer* portBack_ = nullptr;               // the line's quiet time before the window goes on
};
