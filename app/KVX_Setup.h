#pragma once
// KVX_Setup: the main window Form1 of the KELVOX setup program. It holds every control (built by
// TWindowControls), the Timeout timer and the serial port Serial1; the read and send sequences run
// in TClockTransfer, which reaches the window through the TransferHost interface. Its handlers
// live by part: the transfer here, port selection in window_ports.cpp, configuration files in
// window_config_files.cpp, languages, help and closing in window_menus.cpp.
#include <QMainWindow>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "config_file.h"
#include "help_texts.h"
#include "message_boxes.h"
#include "message_gate.h"
#include "port_chooser.h"
#include "port_settings_file.h"
#include "transfer.h"
#include "week_table.h"
#include "window_controls.h"

class QAction;
class QTimer;
class TDeviceEvents;
class TPortButtons;
class TSerial;

class TForm1 : public QMainWindow, private TransferHost, private TWindowControls {
  Q_OBJECT
 public:
  static constexpr int kPortCount = TPortChooser::kPortCount;

  explicit TForm1(QWidget* parent = nullptr);
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
  void FormClose();
  void Quit1Click();
  // SIGTERM, SIGINT or SIGHUP: ends the program as "Exit" does, with exit code 128 + signal. A
  // transfer cut off leaves one line on standard error naming the last command the clock took.
  void endBySignal(int signal);
  void Howtousethisprogram1Click();
  void Howtousethisprogram2Click();
  void AboutKELVOXSetup1Click();
  // File menu: choose a configuration file, then open or save it.
  void OpenConfiguration1Click();
  void SaveConfiguration1Click();
  // Puts a configuration file's settings and switch times into the window (nothing is sent), or
  // writes what the window holds now; false, with a box saying why, on failure or during a
  // transfer.
  bool openConfigurationFile(const QString& path);
  bool saveConfigurationFile(const QString& path);

  // Places the window in the middle of the screen it is on.
  void centreOnScreen();

  // Replaces the real boxes, for tests; the window takes ownership.
  void setMessageBoxes(std::unique_ptr<TMessageBoxes> boxes);
  // Replaces the machine's device events (adapters plugged in or pulled out), for tests.
  void setDeviceEvents(std::unique_ptr<TDeviceEvents> events);

  // State for observers and tests.
  std::uint8_t TransferStep() const { return transfer_.TransferStep(); }
  const WeekTable& weekTable() const { return weekTable_; }
  bool TimerEdited() const { return timerEdited_; }
  int selectedPort() const { return selectedPort_; }
  TSerial& serial() { return *serial_; }
  QTimer& timeoutTimer() { return *timeout_; }
  TimerPage& timerPage() { return *timerPage_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // TransferHost
  void sendString(const std::string& text) override;
  void sendChar(char c) override;
  void abortRx() override;
  void abortTx() override;
  void setMessageStartChar(char c) override;
  void startTimeout() override;
  void stopTimeout() override;
  bool timeoutActive() const override;
  int timeoutInterval() const override;
  void setTimeoutInterval(int ms) override;
  int setting(Setting s) const override;
  void writeSetting(Setting s, int value) override;
  void setProgressPosition(int position) override;
  void stepProgress() override;
  void setClockFound(const std::string& text) override;
  void setButtonsEnabled(bool enabled) override;
  void setSettingsEnabled(bool enabled) override;
  void showNoAnswer() override;
  RelayAnswer askRelayQuestion() override;
  void setDefaults() override { SetDefaults(); }
  void dayLoad() override;

  // Binds the controls' events to their handlers.
  void connectControls();
  void createSerial();
  void scanPorts();
  void onComButtonClicked(int port);
  // COMPORTSChange without its read: applies the selected port and saves it.
  void applySelectedPort();
  void savePortChoice();
  // A read or send with no port open: the ports are looked for again, as at start.
  void findPortAgain();
  // After no answer on a port the program picked, a read asks the other ports that open.
  void startPortSearch();
  void askNextPort();
  void selectAskedPort();
  void openQuietly(int port);
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

  WeekTable weekTable_;
  bool timerEdited_ = false;
  TClockTransfer transfer_{*this, weekTable_, timerEdited_};
  TMessageGate gate_;
  std::unique_ptr<TMessageBoxes> boxes_;
  TPortSettingsFile settingsFile_;
  bool saveAllowed_ = false;  // whether the port choice may still be written this run
  int selectedPort_ = 0;      // 0: none selected yet
  std::unique_ptr<TPortButtons> portButtons_;  // what the COM buttons show of the ports
  bool ownerChosePort_ = false;  // clicked, or saved in kelvox.ini at start: never changed by the program
  bool unanswered_ = false;      // the last transfer ended without a word from the port
  std::vector<int> portsToAsk_;  // the search after no answer: ports still to ask
  int searchFrom_ = 0;           // the selected port while a search runs; 0: none runs
  int progressPosition_ = 0;  // the transfer's position, which ProgressBar1 shows
  bool progressUpdateQueued_ = false;

  QTimer* timeout_ = nullptr;
  TSerial* serial_ = nullptr;
};
