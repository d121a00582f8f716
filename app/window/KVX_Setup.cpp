#include "KVX_Setup.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QLabel>
#include <QLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <utility>

#include "Serial4.h"
#include "TimerPage.h"
#include "caption_fit.h"
#include "captions.h"
#include "clock_link.h"
#include "device_events.h"
#include "exit_signals.h"
#include "clock_search.h"
#include "connection_check.h"
#include "port_buttons.h"
#include "radio_group.h"

TForm1::TForm1(const TWorkingFolder& folder, std::unique_ptr<TPortList> ports, const TTestTimes& testTimes,
               QWidget* parent)
    : QMainWindow(parent),
      testTimes_(testTimes),
      gate_([this](const TReceivedMessage& message) { handleMessage(message); },
            [this] {
              QMetaObject::invokeMethod(
                  this, [this] { gate_.drain(); }, Qt::QueuedConnection);
            }),
      boxes_(std::make_unique<TQtMessageBoxes>()),
      folder_(folder),
      settingsFile_(folder.settingsFile()),
      portList_(std::move(ports)) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QString::fromUtf8(kWindowCaption));

  // Bound once every control holds its start value: creating the window runs no handler.
  setupControls(this, weekTimer_);
  connectControls();
  verifyAfterSending_->setChecked(folder_.dialogFolderFile().verifyAfterSending());
  connect(verifyAfterSending_, &QAction::toggled, this,
          [this](bool on) { folder_.dialogFolderFile().rememberVerifyAfterSending(on); });
  createSerial();
  portButtons_ = std::make_unique<TPortButtons>(comButtons_, portMenu_, findClock_,
                                                [this](const TPortEntry& entry) { onPortChosen(entry); });
  setDeviceEvents(TDeviceEvents::forThisMachine());
  facts_ = machineSystemFacts();

  session_.timer().setObjectName(QStringLiteral("Timeout"));
  session_.setListener(this);
  session_.transfer().beginStartUp();

  // Fixed size: the client area stays 427 x 377 below the menu bar.
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  captionfit::fitCaptions(centralWidget());
}

TForm1::~TForm1() {
  session_.stopReplyTime();
  session_.dropSearch();
  compare_.reset();
  check_.reset();
  // The port goes before the widgets its handler would reach.
  delete serial_;
  serial_ = nullptr;
}

void TForm1::connectControls() {
  connect(language_, &TRadioGroup::clicked, this, &TForm1::LanguageClick);
  connect(language_, &TRadioGroup::entered, this, &TForm1::LanguageClick);
  connect(relayMode_, &TRadioGroup::clicked, this, &TForm1::RelayModeClick);
  connect(timerPage_, &TimerPage::exportRequested, this, &TForm1::ExportWeekPlanClick);
  for (int port = 1; port <= kPortCount; ++port)
    connect(comButtons_[port - 1], &QRadioButton::clicked, this, [this, port] { onComButtonClicked(port); });
  connect(spinUtc_, &QSpinBox::valueChanged, this, &TForm1::SpinEditUTCChange);
  connect(spinDls_, &QSpinBox::valueChanged, this, &TForm1::SpinEditDLSChange);
  connect(spinValid_, &QSpinBox::valueChanged, this, &TForm1::SpinEditValidChange);
  connect(readClock_, &QPushButton::clicked, this, &TForm1::ReadClockClick);
  connect(sendToClock_, &QPushButton::clicked, this, &TForm1::SendToClockClick);

  connect(openConfig_, &QAction::triggered, this, &TForm1::OpenConfiguration1Click);
  connect(saveConfig_, &QAction::triggered, this, &TForm1::SaveConfiguration1Click);
  connect(compareWithClock_, &QAction::triggered, this, &TForm1::CompareWithClock1Click);
  connect(sendToEveryClock_, &QAction::triggered, this, &TForm1::SendToEveryClock1Click);
  connect(findClock_, &QAction::triggered, this, &TForm1::FindTheClockClick);
  connect(quit_, &QAction::triggered, this, &TForm1::Quit1Click);
  connect(settingsHelp_, &QAction::triggered, this, &TForm1::Howtousethisprogram1Click);
  connect(timerHelp_, &QAction::triggered, this, &TForm1::Howtousethisprogram2Click);
  connect(about_, &QAction::triggered, this, &TForm1::AboutKELVOXSetup1Click);
  connect(connectionCheck_, &QAction::triggered, this, &TForm1::ConnectionCheck1Click);
}

void TForm1::createSerial() {
  serial_ = new TSerial(this);
  serial_->setPortFolder(folder_.path());
  session_.line().attach(serial_);
  makeClockLink(*serial_);
  listenTo(*serial_);
  createCompare();
}

void TForm1::listenTo(TSerial& serial) {
  serial.setObjectName(QStringLiteral("Serial1"));
  serial.OnMessage = [this](TSerial* sender, const std::string& message) { Serial1Message(sender, message); };
  serial.OnDeviceLost = [this](TSerial*) { showPortInUse(); };
}

void TForm1::createCompare() {
  compare_ = std::make_unique<TClockCompare>(
      *serial_, [this](std::optional<TransferFailure> failure, const TClockConfig& clock) {
        compareEnded(failure, clock);
      },
      testTimes_);
}

void TForm1::centreOnScreen() {
  adjustSize();
  const QScreen* screen = this->screen();
  if (!screen) return;
  QRect frame = frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  move(frame.topLeft());
}

void TForm1::setMessageBoxes(std::unique_ptr<TMessageBoxes> boxes) { boxes_ = std::move(boxes); }

// --- Transfer -------------------------------------------------------------------------------

void TForm1::ReadClockClick() {
  // A port the search picked that has gone silent: the clock may hang elsewhere now.
  if (!serial_->Active())
    findPortAgain();
  else if (unanswered_ && !ownerChosePort_)
    startSearch();
  session_.transfer().ReadClockClick();
}

void TForm1::SendToClockClick() {
  // Settings go only to the selected port: never to one the clock has not answered on or the
  // owner has not chosen.
  if (!serial_->Active() && serial_->lostDevice()) {
    serial_->setActive(true);
    showPortInUse();
  }
  if (!serial_->Active() && selected_) applySelectedPort();
  session_.transfer().SendToClockClick();
}

void TForm1::Serial1Message(TSerial* sender, const std::string& message) {
  // Asked now: the port tells it only while this handler runs. A call with no port (as from a
  // test) knows nothing more of the message.
  if (sender == nullptr)
    receive(message);
  else
    receive({message, sender->messageBeforeLastSend(), sender->messageDamaged()});
}

void TForm1::receive(const TReceivedMessage& message) {
  // What arrives while the no-answer box of an ended transfer is open belongs to that transfer:
  // handled after the box, it would change settings nobody asked for.
  emit messageArrived();
  if (session_.transfer().ending()) return;
  gate_.deliver(message);
}

void TForm1::handleMessage(const TReceivedMessage& message) {
  if (compare_->running() && session_.transfer().idle()) {
    compare_->message(message.text, message.beforeLastWrite, message.damaged);
    return;
  }
  session_.deliver(message.text, message.beforeLastWrite, message.damaged);
  // After every message handled while no transfer runs, the end of a send among them (it ends as
  // soon as its last command is written), the window is usable and the bar empty; a send that is
  // read back keeps it busy until the read-back has ended.
  if (session_.transfer().idle() && !verifyPending_) showIdle();
}

void TForm1::TimeoutTimer() { session_.transfer().TimeoutTimer(); }


int TForm1::setting(Setting s) const {
  switch (s) {
    case Setting::Language:
      return language_->ItemIndex();
    case Setting::RelayMode:
      return relayMode_->ItemIndex();
    case Setting::UtcOffset:
      return spinUtc_->value();
    case Setting::DaylightSaving:
      return spinDls_->value();
    case Setting::ValidTimeout:
      return spinValid_->value();
  }
  return 0;
}

void TForm1::writeSetting(Setting s, int value) {
  switch (s) {
    case Setting::Language:
      language_->setItemIndex(value);
      break;
    case Setting::RelayMode:
      relayMode_->setItemIndex(value);
      break;
    case Setting::UtcOffset:
      spinUtc_->setValue(value);
      break;
    case Setting::DaylightSaving:
      spinDls_->setValue(value);
      break;
    case Setting::ValidTimeout:
      spinValid_->setValue(value);
      break;
  }
}

void TForm1::setProgressPosition(int position) {
  progressPosition_ = std::clamp(position, progressBar_->minimum(), progressBar_->maximum());
  showProgressSoon();
}

void TForm1::progressed(int /*done*/, int /*total*/) {
  setProgressPosition(progressPosition_ + 1);  // one step of ProgressBar1 per step of the transfer
}

void TForm1::showProgressSoon() {
  // QProgressBar repaints at once when its value changes, which inside the message handler held
  // back the next command by about 0.1 ms. The bar follows once the handler is done, one update
  // for a whole burst of steps.
  if (progressUpdateQueued_) return;
  progressUpdateQueued_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        progressUpdateQueued_ = false;
        progressBar_->setValue(progressPosition_);
      },
      Qt::QueuedConnection);
}

void TForm1::readStarted() {
  verifyPending_ = false;
  lastFailure_.reset();
  setButtonsEnabled(false);
}

void TForm1::sendStarted() {
  verifyPending_ = verifyAfterSending_->isChecked();
  lastFailure_.reset();
  setProgressPosition(0);
  setButtonsEnabled(false);
}

void TForm1::entryRead(int /*day*/, int /*entry*/) { clockFound_->setText(QStringLiteral("OK")); }

void TForm1::showIdle() {
  setButtonsEnabled(true);
  setProgressPosition(0);
}

void TForm1::setButtonsEnabled(bool enabled) {
  readClock_->setEnabled(enabled);
  sendToClock_->setEnabled(enabled);
  openConfig_->setEnabled(enabled);
  saveConfig_->setEnabled(enabled);
  compareWithClock_->setEnabled(enabled);
  sendToEveryClock_->setEnabled(enabled);
  connectionCheck_->setEnabled(enabled);
}

void TForm1::failed(TransferFailure why, const std::string& lastAcknowledged) {
  // Only silence sends the next read looking on other ports: an error reply, a second answer or
  // damaged characters come from something on this one.
  unanswered_ = why == TransferFailure::NoAnswer && lastAcknowledged.empty();
  verifyPending_ = false;
  causeLines_ = unanswered_ ? unansweredCauses() : QStringList();
  // No clock answered the search: nothing is selected, nothing saved, and the port list stays.
  if (session_.search() && !session_.search()->found()) endSearch();
  lastFailure_ = why;
  showFailure(failureText(why));
  setProgressPosition(0);
  settings_->setEnabled(true);
  setButtonsEnabled(true);
  clockFound_->setText(QStringLiteral("----"));
}

QString TForm1::failureText(TransferFailure why) const {
  // An error reply and a reply beyond the count say the clock's state is not known: to the
  // owner that is the no-answer message. Damaged characters point at the cable instead.
  return why == TransferFailure::LineError ? lineErrorText(language()) : noAnswerText(language());
}

void TForm1::showFailure(const QString& text) {
  if (text.isEmpty()) return;
  // With no port at all the cause is not the clock: say what to look at.
  const QString noPort = ports_.empty() && unanswered_ ? noPortText(language()) : QString();
  QStringList lines{text};
  if (!noPort.isEmpty()) lines << noPort;
  lines << causeLines_;  // below it, each port that did not serve with its cause and fix
  showHeldBox(displayLines(lines.join(QStringLiteral("\r\n"))));
}

RelayAnswer TForm1::askRelayQuestion() {
  const TMessageGate::BoxOpen hold(gate_);
  return boxes_->askRelay(displayLines(relayQuestionText(language())));
}

void TForm1::sendFinished() {
  emit sendAcknowledged();
  if (std::exchange(verifyPending_, false))
    verifySend();
  else
    emit sendEnded();
}

void TForm1::readFinished() {
  weekTimer_.transferWrote();
  timerPage_->WeekdaysTabChange();  // the day load: the Timer page shows the received times
  unanswered_ = false;
  planOrigin_ = {PlanOrigin::Kind::Clock, selected_ ? selected_->name : QStringLiteral("?"),
                 QDateTime::currentDateTime()};
  // The read ran until now, the settle time after its last entry included.
  showIdle();
  settings_->setEnabled(true);
}

void TForm1::showHeldBox(const QString& text) {
  const TMessageGate::BoxOpen hold(gate_);
  boxes_->showPlain(text);
}

int TForm1::language() const { return language_->ItemIndex(); }

// --- Start-up ---------------------------------------------------------------------------------

void TForm1::SetDefaults() {
  weekTimer_.setTimerEdited(false);
  settingsFile_ = folder_.settingsFile();
  scanPorts();
  weekTimer_.setAllDeleted();
  timerPage_->selectDay(0);
  timerPage_->WeekdaysTabChange();
  LanguageClick();
  settings_->setCurrentIndex(0);
}

// --- Ending by a signal -----------------------------------------------------------------------

void TForm1::endBySignal(int signal) {
  if (!session_.transfer().idle() && !session_.transfer().ending()) {
    // The clock may now hold part of a send: say how far it came.
    const std::string& last = session_.transfer().lastAcknowledged();
    std::fprintf(stderr, "%s during a %s: the last command the clock acknowledged was %s\n",
                 TExitSignals::name(signal), session_.transfer().sending() ? "send to the clock" : "read of the clock",
                 last.empty() ? "none" : ("\"" + last + "\"").c_str());
  }
  close();                               // closes the port: its exclusive use and its lock file end
  QCoreApplication::exit(128 + signal);  // also ends a box that is open
}
