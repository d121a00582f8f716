#include "KVX_Setup.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>
#include <cstdio>

#include "Serial4.h"
#include "TimerPage.h"
#include "caption_fit.h"
#include "captions.h"
#include "clock_link.h"
#include "config_file_access.h"
#include "design_look.h"
#include "device_events.h"
#include "exit_signals.h"
#include "radio_group.h"
#include "radio_keys.h"

namespace {

constexpr int kClientWidth = 427;
constexpr int kClientHeight = 377;
constexpr char kSettingsFileName[] = "kelvox.ini";
// A device event comes as the device appears; its port is looked at a moment later, when the
// serial component has also seen a device of its own go.
constexpr int kDeviceSettleMs = 100;

// The design's "MS Sans Serif", or the nearest narrow sans-serif face the machine has, so that
// the texts fit the design's pixel places; the set-up installs Liberation Sans for this.
QFont pixelFont(int pixels) {
  QFont font;
  font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                    QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("Nimbus Sans"),
                    QStringLiteral("Helvetica")});
  font.setPixelSize(pixels);
  return font;
}

// A spin editor whose number is only stepped by its arrows, never typed.
class TSpinEdit : public QSpinBox {
 public:
  TSpinEdit(const QString& name, int minimum, int maximum, int value, QWidget* parent) : QSpinBox(parent) {
    setObjectName(name);
    setRange(minimum, maximum);
    setValue(value);
    lineEdit()->setReadOnly(true);
  }
};

}  // namespace

TForm1::TForm1(QWidget* parent)
    : QMainWindow(parent),
      gate_([this](const std::string& message) { handleMessage(message); },
            [this] {
              QMetaObject::invokeMethod(
                  this, [this] { gate_.drain(); }, Qt::QueuedConnection);
            }),
      boxes_(std::make_unique<TQtMessageBoxes>()),
      settingsFile_(QString::fromLatin1(kSettingsFileName)) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QString::fromUtf8(kWindowCaption));

  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("ClientArea"));
  client->setFixedSize(kClientWidth, kClientHeight);
  client->setFont(pixelFont(8));
  paintSilver(client);
  setCentralWidget(client);

  auto* bevel = new QFrame(client);
  bevel->setObjectName(QStringLiteral("Bevel4"));
  bevel->setFrameShape(QFrame::HLine);
  bevel->setFrameShadow(QFrame::Sunken);
  bevel->setGeometry(0, 0, 425, 1);

  settings_ = new QTabWidget(client);
  settings_->setObjectName(QStringLiteral("Settings"));
  settings_->setGeometry(8, 16, 409, 281);
  settings_->setFont(pixelFont(13));
  settings_->addTab(createSettingsPage(), QStringLiteral("Settings"));
  timerPage_ = new TimerPage(weekTable_, timerEdited_, settings_);
  settings_->addTab(timerPage_, QStringLiteral("Timer"));
  settings_->setCurrentIndex(0);
  settings_->setEnabled(false);

  createBottomRow(client);
  createMenus();
  setFocusOrder();
  createSerial();
  setDeviceEvents(TDeviceEvents::forThisMachine());

  timeout_->setObjectName(QStringLiteral("Timeout"));
  connect(timeout_, &QTimer::timeout, this, &TForm1::TimeoutTimer);
  transfer_.beginStartUp();

  // Fixed size: the client area stays 427 x 377 below the menu bar.
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  captionfit::fitCaptions(client);
}

TForm1::~TForm1() {
  timeout_->stop();
  // The port goes before the widgets its handler would reach.
  delete serial_;
  serial_ = nullptr;
}

QWidget* TForm1::createSettingsPage() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("TabSheet1"));
  paintSilver(page);

  // Sunken frames behind the three rows of label, spin editor and unit.
  for (int top : {136, 168, 200}) {
    auto* frame = new QFrame(page);
    frame->setFrameShape(QFrame::Panel);
    frame->setFrameShadow(QFrame::Sunken);
    frame->setGeometry(8, top, 377, 25);
  }

  const CaptionSet& design = designCaptions();
  language_ = new TRadioGroup(QStringLiteral("Language"), QStringLiteral("Language"),
                              QStringList(languageItems().begin(), languageItems().end()), page);
  language_->setGeometry(8, 16, 105, 105);
  language_->setItemIndex(2);
  relayMode_ = new TRadioGroup(QStringLiteral("RelayMode"), QStringLiteral("Mains relay mode"),
                               QStringList(design.relayItems.begin(), design.relayItems.end()), page);
  relayMode_->setGeometry(120, 16, 137, 105);
  relayMode_->setItemIndex(0);
  // Connected after the start values: creating the window runs no handler.
  connect(language_, &TRadioGroup::clicked, this, &TForm1::LanguageClick);
  connect(language_, &TRadioGroup::entered, this, &TForm1::LanguageClick);
  connect(relayMode_, &TRadioGroup::clicked, this, &TForm1::RelayModeClick);

  serialPorts_ = new QGroupBox(QStringLiteral("Serial ports"), page);
  serialPorts_->setObjectName(QStringLiteral("SerialPorts"));
  serialPorts_->setGeometry(264, 16, 121, 105);
  clockFound_ =
      makeLabel(QStringLiteral("clockfound"), QStringLiteral("-------"), QRect(80, 80, 28, 16), serialPorts_);

  // The port buttons lie on the page over the box; exclusivity is kept by COMSOFF.
  for (int i = 0; i < kPortCount; ++i) {
    const int port = i + 1;
    QRect place;
    if (port <= 4)
      place = QRect(272, 32 + 16 * i, 57, 17);
    else if (port == 5)
      place = QRect(272, 96, 49, 17);
    else
      place = QRect(328, 32 + 16 * (port - 6), 49, 17);
    auto* button = new QRadioButton(QStringLiteral("COM%1").arg(port), page);
    button->setObjectName(button->text());
    button->setFont(pixelFont(11));
    // Room for the caption; the style sheet takes the palette over, so it says the disabled grey too.
    button->setStyleSheet(QStringLiteral(
        "QRadioButton { spacing: 2px; } QRadioButton:disabled { color: rgb(128, 128, 128); }"));
    button->setGeometry(place);
    button->setAutoExclusive(false);
    button->setEnabled(false);
    connect(button, &QRadioButton::clicked, this, [this, port] { onComButtonClicked(port); });
    comButtons_[i] = button;
  }
  (new TRadioKeys(page))->setButtons({comButtons_.begin(), comButtons_.end()});

  const QStringList rowNames{QStringLiteral("Label10"), QStringLiteral("Label11"), QStringLiteral("Label12")};
  const QStringList rowTexts{QStringLiteral("Universal Time Offset (Location depentant)"),
                             QStringLiteral("Daylight saving (0=Off , 1=1hour)"),
                             QStringLiteral("Time not valid timeout")};
  const QStringList unitNames{QStringLiteral("Label4"), QStringLiteral("Label5"), QStringLiteral("Label6")};
  for (int row = 0; row < 3; ++row) {
    const int top = 136 + 32 * row;
    rowLabels_[row] = makeLabel(rowNames[row], rowTexts[row], QRect(16, top, 265, 24), page);
    unitLabels_[row] = makeLabel(unitNames[row], QStringLiteral("  hour"), QRect(328, top, 57, 24), page);
  }
  spinUtc_ = new TSpinEdit(QStringLiteral("SpinEditUTC"), -12, 12, 1, page);
  spinDls_ = new TSpinEdit(QStringLiteral("SpinEditDLS"), 0, 1, 0, page);
  spinValid_ = new TSpinEdit(QStringLiteral("SpinEditValid"), 1, 720, 1, page);
  const std::array<QSpinBox*, 3> spins{spinUtc_, spinDls_, spinValid_};
  for (int row = 0; row < 3; ++row) {
    spins[row]->setGeometry(280, 136 + 32 * row, 49, 26);
    rowLabels_[row]->setBuddy(spins[row]);  // the spin editor is named after its label, in every language
  }
  connect(spinUtc_, &QSpinBox::valueChanged, this, &TForm1::SpinEditUTCChange);
  connect(spinDls_, &QSpinBox::valueChanged, this, &TForm1::SpinEditDLSChange);
  connect(spinValid_, &QSpinBox::valueChanged, this, &TForm1::SpinEditValidChange);
  return page;
}

void TForm1::createBottomRow(QWidget* client) {
  readClock_ = new QPushButton(QStringLiteral("Read clock"), client);
  readClock_->setObjectName(QStringLiteral("ReadClock"));
  readClock_->setGeometry(8, 304, 89, 33);
  readClock_->setFont(pixelFont(13));
  readClock_->setEnabled(false);
  connect(readClock_, &QPushButton::clicked, this, &TForm1::ReadClockClick);

  sendToClock_ = new QPushButton(QStringLiteral("Send to clock"), client);
  sendToClock_->setObjectName(QStringLiteral("SendToClock"));
  sendToClock_->setGeometry(112, 304, 305, 33);
  sendToClock_->setFont(pixelFont(13));
  QPalette blue = sendToClock_->palette();
  // Blue while usable; disabled it greys like any button.
  blue.setColor(QPalette::Active, QPalette::ButtonText, QColor(0, 128, 255));
  blue.setColor(QPalette::Inactive, QPalette::ButtonText, QColor(0, 128, 255));
  sendToClock_->setPalette(blue);
  sendToClock_->setEnabled(false);
  connect(sendToClock_, &QPushButton::clicked, this, &TForm1::SendToClockClick);

  auto* shape = new QFrame(client);
  shape->setObjectName(QStringLiteral("Shape1"));
  shape->setGeometry(8, 344, 409, 33);
  shape->setStyleSheet(QStringLiteral("#Shape1 { background: rgb(192,192,192); border: 1px solid black; }"));

  makeLabel(QStringLiteral("StaticText1"), QStringLiteral("0%"), QRect(16, 352, 18, 17), client);
  progressBar_ = new QProgressBar(client);
  progressBar_->setObjectName(QStringLiteral("ProgressBar1"));
  progressBar_->setGeometry(32, 352, 353, 17);
  progressBar_->setRange(0, 60);
  progressBar_->setValue(0);
  progressBar_->setTextVisible(false);
  progressBar_->setAccessibleName(QStringLiteral("Progress"));
  makeLabel(QStringLiteral("StaticText2"), QStringLiteral("100%"), QRect(384, 352, 30, 17), client);
}

void TForm1::createMenus() {
  menuBar()->setObjectName(QStringLiteral("MainMenu2"));
  const CaptionSet& design = designCaptions();

  fileMenu_ = menuBar()->addMenu(QStringLiteral("File"));
  fileMenu_->setObjectName(QStringLiteral("MainMenu"));
  // Open and save come before Exit; like the buttons, they wait for the start-up read.
  openConfig_ = fileMenu_->addAction(design.openConfig);
  openConfig_->setObjectName(QStringLiteral("OpenConfiguration1"));
  openConfig_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  openConfig_->setEnabled(false);
  connect(openConfig_, &QAction::triggered, this, &TForm1::OpenConfiguration1Click);
  saveConfig_ = fileMenu_->addAction(design.saveConfig);
  saveConfig_->setObjectName(QStringLiteral("SaveConfiguration1"));
  saveConfig_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  saveConfig_->setEnabled(false);
  connect(saveConfig_, &QAction::triggered, this, &TForm1::SaveConfiguration1Click);
  quit_ = fileMenu_->addAction(QStringLiteral("E&xit"));
  quit_->setObjectName(QStringLiteral("Quit1"));
  quit_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_X));
  connect(quit_, &QAction::triggered, this, &TForm1::Quit1Click);

  helpMenu_ = menuBar()->addMenu(QStringLiteral("Help"));
  helpMenu_->setObjectName(QStringLiteral("Help1"));
  howToUseMenu_ = helpMenu_->addMenu(QStringLiteral("How to use this program"));
  howToUseMenu_->setObjectName(QStringLiteral("Howtousethisprogram1"));
  settingsHelp_ = howToUseMenu_->addAction(QStringLiteral("Settings"));
  settingsHelp_->setObjectName(QStringLiteral("Se1"));
  connect(settingsHelp_, &QAction::triggered, this, &TForm1::Howtousethisprogram1Click);
  timerHelp_ = howToUseMenu_->addAction(QStringLiteral("Timer"));
  timerHelp_->setObjectName(QStringLiteral("Timer1"));
  connect(timerHelp_, &QAction::triggered, this, &TForm1::Howtousethisprogram2Click);
  about_ = helpMenu_->addAction(QStringLiteral("About KELVOX Setup"));
  about_->setObjectName(QStringLiteral("AboutKELVOXSetup1"));
  connect(about_, &QAction::triggered, this, &TForm1::AboutKELVOXSetup1Click);

  // Ctrl+F and Ctrl+H only open their menus.
  const auto opener = [this](QMenu* menu, QKeyCombination keys) {
    auto* shortcut = new QShortcut(QKeySequence(keys), this);
    connect(shortcut, &QShortcut::activated, this,
            [this, menu] { menuBar()->setActiveAction(menu->menuAction()); });
  };
  opener(fileMenu_, Qt::CTRL | Qt::Key_F);
  opener(helpMenu_, Qt::CTRL | Qt::Key_H);
}

void TForm1::setFocusOrder() {
  setTabOrder(settings_, sendToClock_);
  setTabOrder(sendToClock_, readClock_);
  // The radio items themselves: a group box takes no place of its own in the Tab order.
  std::vector<QWidget*> page(language_->buttons().begin(), language_->buttons().end());
  page.insert(page.end(), relayMode_->buttons().begin(), relayMode_->buttons().end());
  page.insert(page.end(), {spinUtc_, spinDls_, spinValid_});
  page.insert(page.end(), comButtons_.begin(), comButtons_.end());
  for (std::size_t i = 1; i < page.size(); ++i) setTabOrder(page[i - 1], page[i]);
}

void TForm1::createSerial() {
  serial_ = new TSerial(this);
  serial_->setObjectName(QStringLiteral("Serial1"));
  makeClockLink(*serial_);
  serial_->OnMessage = [this](TSerial* sender, const std::string& message) {
    Serial1Message(sender, message);
  };
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

void TForm1::setDeviceEvents(std::unique_ptr<TDeviceEvents> events) {
  deviceEvents_ = std::move(events);
  deviceEvents_->setHandler([this](TDeviceEvents::Change, const std::string&) {
    QTimer::singleShot(kDeviceSettleMs, this, &TForm1::devicesChanged);
  });
}

// --- Transfer -------------------------------------------------------------------------------

void TForm1::ReadClockClick() {
  if (!serial_->Active())
    findPortAgain();
  else
    startPortSearch();
  transfer_.ReadClockClick();
}

void TForm1::SendToClockClick() {
  if (!serial_->Active()) findPortAgain();
  transfer_.SendToClockClick();
}

void TForm1::Serial1Message(TSerial* /*sender*/, const std::string& message) {
  // What arrives while the no-answer box of an ended transfer is open belongs to that transfer:
  // handled after the box, it would change settings nobody asked for.
  if (transfer_.ending()) return;
  gate_.deliver(message);
}

void TForm1::handleMessage(const std::string& message) {
  transfer_.Serial1Message(message);
  // After every message handled while no transfer runs, the end of a send among them (it ends as
  // soon as its last command is written), the window is usable and the bar empty.
  if (transfer_.idle()) showIdle();
}

void TForm1::TimeoutTimer() { transfer_.TimeoutTimer(); }

void TForm1::sendString(const std::string& text) { serial_->SendString(text); }
void TForm1::sendChar(char c) { serial_->SendChar(c); }
void TForm1::abortRx() { serial_->AbortRx(); }
void TForm1::abortTx() { serial_->AbortTx(); }
void TForm1::setMessageStartChar(char c) { serial_->setMessageStartChar(c); }

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

void TForm1::readStarted() { setButtonsEnabled(false); }

void TForm1::sendStarted() {
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
}

void TForm1::failed(TransferFailure /*why*/, const std::string& lastAcknowledged) {
  unanswered_ = lastAcknowledged.empty();
  showNoAnswer();
  setProgressPosition(0);
  settings_->setEnabled(true);
  setButtonsEnabled(true);
  clockFound_->setText(QStringLiteral("----"));
}

void TForm1::showNoAnswer() {
  if (searchFrom_ != 0) {
    if (unanswered_ && !portsToAsk_.empty()) {
      // No box yet: the next port is asked once this ending is through.
      QMetaObject::invokeMethod(this, &TForm1::askNextPort, Qt::QueuedConnection);
      return;
    }
    if (unanswered_) {
      openQuietly(searchFrom_);  // none answered: back to the port that was selected
      searchFrom_ = 0;
      portsToAsk_.clear();
    } else {
      selectAskedPort();  // the clock answered there, if not in full
    }
  }
  const QString text = noAnswerText(language());
  if (!text.isEmpty()) showHeldBox(displayLines(text));
}

RelayAnswer TForm1::askRelayQuestion() {
  const TMessageGate::BoxOpen hold(gate_);
  return boxes_->askRelay(displayLines(relayQuestionText(language())));
}

void TForm1::readFinished() {
  timerPage_->WeekdaysTabChange();  // the day load: the Timer page shows the received times
  unanswered_ = false;
  if (searchFrom_ != 0) selectAskedPort();
  setButtonsEnabled(true);
  settings_->setEnabled(true);
}

void TForm1::selectAskedPort() {
  // The clock is on the port asked last: it is selected and saved as a click would.
  searchFrom_ = 0;
  portsToAsk_.clear();
  selectedPort_ = serial_->Port();
  COMSOFF();
  comButtons_[selectedPort_ - 1]->setChecked(true);
  savePortChoice();
}

void TForm1::showHeldBox(const QString& text) {
  const TMessageGate::BoxOpen hold(gate_);
  boxes_->showPlain(text);
}

int TForm1::language() const { return language_->ItemIndex(); }

// --- Start-up ---------------------------------------------------------------------------------

void TForm1::SetDefaults() {
  timerEdited_ = false;
  settingsFile_ = TPortSettingsFile(QString::fromLatin1(kSettingsFileName));
  scanPorts();
  weekTable_.setAllDeleted();
  timerPage_->selectDay(0);
  timerPage_->WeekdaysTabChange();
  LanguageClick();
  settings_->setCurrentIndex(0);
}

// --- Port selection ---------------------------------------------------------------------------

void TForm1::scanPorts() {
  // Probing a port closes the one probed before it; failures are silent (neNone).
  chooser_.scan(*serial_);
  showPortButtons(true);
  const bool fileReadable = settingsFile_.canRead();
  saveAllowed_ = true;
  if (fileReadable) {
    // A saved port is selected even when its button stays disabled.
    if (const int saved = settingsFile_.savedPort(); saved != 0) {
      ownerChosePort_ = true;
      COMClick(saved);
    }
  } else if (const int first = chooser_.firstOpened(); first != 0) {
    COMClick(first);
  }
  serial_->AbortRx();
}

void TForm1::showPortButtons(bool reportFailures) {
  // Each button's tool tip names the device behind it, and a port that did not open says why
  // there (and at start on standard error): greyed buttons alone leave the user guessing.
  for (int port = 1; port <= kPortCount; ++port) {
    QString tip =
        QStringLiteral("COM%1 (%2)").arg(port).arg(QString::fromStdString(TSerial::deviceForPort(port)));
    const bool inUse = serial_->Active() && serial_->Port() == port;
    if (port > kScannedPorts) {
      tip += QStringLiteral(": not tried; the clock is looked for on COM1 to COM%1").arg(kScannedPorts);
    } else if (!inUse && !chooser_.opened(port)) {
      tip += QStringLiteral(": ") + QString::fromStdString(chooser_.failure(port));
      if (reportFailures) std::fprintf(stderr, "%s\n", qPrintable(tip));
    }
    if (port <= kScannedPorts) comButtons_[port - 1]->setEnabled(inUse || chooser_.opened(port));
    comButtons_[port - 1]->setToolTip(tip);
  }
}

void TForm1::devicesChanged() {
  // The port in use stays as it is; the others are opened for a moment on a port of their own.
  TSerial probe;
  probe.setNotifyErrors(neNone);
  for (int port = 1; port <= kScannedPorts; ++port)
    if (!serial_->Active() || serial_->Port() != port) chooser_.probe(probe, port);
  probe.setActive(false);
  showPortButtons(false);
}

void TForm1::findPortAgain() {
  // A device unplugged and plugged in again comes back under its port's name: open it anew
  // (the name is resolved again) with the settings it had.
  if (serial_->lostDevice()) {
    serial_->setActive(true);
    if (serial_->Active()) return;
  }
  // As at start, but the configuration stays: the port the owner chose, else the first that
  // opens. If none does, the read or send ends in the no-answer message as on any closed port.
  chooser_.scan(*serial_);
  serial_->setActive(false);
  showPortButtons(false);
  const int port = ownerChosePort_ ? selectedPort_ : chooser_.firstOpened();
  if (port == 0) return;
  selectedPort_ = port;
  COMSOFF();
  comButtons_[port - 1]->setChecked(true);
  applySelectedPort();
}

void TForm1::startPortSearch() {
  if (!unanswered_ || ownerChosePort_ || selectedPort_ == 0 || searchFrom_ != 0) return;
  devicesChanged();  // which of the other ports open now
  portsToAsk_ = chooser_.othersThan(serial_->Port());
  if (portsToAsk_.empty()) return;
  searchFrom_ = selectedPort_;
  openQuietly(portsToAsk_.front());
  portsToAsk_.erase(portsToAsk_.begin());
}

void TForm1::askNextPort() {
  if (searchFrom_ == 0 || portsToAsk_.empty()) return;
  openQuietly(portsToAsk_.front());
  portsToAsk_.erase(portsToAsk_.begin());
  transfer_.ReadClockClick();
}

void TForm1::openQuietly(int port) {
  // The port is asked without being selected: its button and kelvox.ini change only once the
  // clock answers there.
  serial_->setActive(false);
  serial_->setPort(port);
  serial_->setActive(true);
  if (serial_->Active()) serial_->AbortRx();
}

void TForm1::onComButtonClicked(int port) {
  ownerChosePort_ = true;
  if (port == selectedPort_) {
    // A click on the selected port changes nothing, unless its device has gone away: then it is
    // applied again. Keep its mark, which the click took off.
    comButtons_[port - 1]->setChecked(true);
    if (serial_->lostDevice() && !serial_->Active()) COMPORTSChange();
    return;
  }
  COMClick(port);
}

void TForm1::COMClick(int port) {
  if (port < 1 || port > kPortCount) return;
  selectedPort_ = port;
  COMSOFF();
  comButtons_[port - 1]->setChecked(true);  // a program check runs no click handler
  COMPORTSChange();
}

void TForm1::COMSOFF() {
  for (int port = 1; port <= kPortCount; ++port)
    if (port != selectedPort_) comButtons_[port - 1]->setChecked(false);
}

void TForm1::COMPORTSChange() {
  // A new selection ends a search for the clock that was running.
  searchFrom_ = 0;
  portsToAsk_.clear();
  applySelectedPort();
  transfer_.ReadClockClick();
}

void TForm1::applySelectedPort() {
  serial_->setActive(false);
  for (int port = 1; port <= kPortCount; ++port)
    if (comButtons_[port - 1]->isChecked()) serial_->setPort(port);
  setClockLine(*serial_);    // the port is closed: this only stores the clock's line
  serial_->setActive(true);  // a port that cannot be opened stays closed, silently
  serial_->AbortRx();
  serial_->setRxEventMode(rxMessage);
  if (saveAllowed_) {
    transfer_.portChanged();
    savePortChoice();
  }
}

void TForm1::savePortChoice() {
  if (!saveAllowed_) return;
  // After a failed write the choice is not saved again, nor the message shown again, this run.
  saveAllowed_ = settingsFile_.write(serial_->Port());
  if (!saveAllowed_) {
    const QString text = iniWriteErrorText(language());
    if (!text.isEmpty()) showHeldBox(displayLines(text));
  }
}

void TForm1::FormClose() { serial_->setActive(false); }

void TForm1::closeEvent(QCloseEvent* event) {
  FormClose();
  event->accept();
}

void TForm1::Quit1Click() { close(); }

void TForm1::endBySignal(int signal) {
  if (!transfer_.idle() && !transfer_.ending()) {
    // The clock may now hold part of a send: say how far it came.
    const std::string& last = transfer_.lastAcknowledged();
    std::fprintf(stderr, "%s during a %s: the last command the clock acknowledged was %s\n",
                 TExitSignals::name(signal), transfer_.sending() ? "send to the clock" : "read of the clock",
                 last.empty() ? "none" : ("\"" + last + "\"").c_str());
  }
  close();                               // closes the port: its exclusive use and its lock file end
  QCoreApplication::exit(128 + signal);  // also ends a box that is open
}

// --- Languages and help -----------------------------------------------------------------------

void TForm1::LanguageClick() {
  const CaptionSet* set = captionSetFor(language_->ItemIndex());
  if (!set) return;

  language_->setTitle(set->language);
  relayMode_->setTitle(set->relayMode);
  rowLabels_[0]->setText(set->label10);
  rowLabels_[1]->setText(set->label11);
  rowLabels_[2]->setText(set->label12);
  timerPage_->setHeading(set->label14);
  serialPorts_->setTitle(set->serialPorts);
  for (QLabel* unit : unitLabels_) unit->setText(set->hourUnit);
  sendToClock_->setText(set->sendToClock);
  readClock_->setText(set->readClock);

  timerPage_->setDayNames(set->days);  // keeps the selected tab, so it still names the shown day

  timerPage_->setEditHeading(set->panel10);
  settings_->setTabText(0, set->tabSheet1);
  settings_->setTabText(1, set->weekdays);

  fileMenu_->setTitle(set->fileMenu);
  helpMenu_->setTitle(set->helpMenu);
  quit_->setText(set->quit);
  howToUseMenu_->setTitle(set->howToUse);
  about_->setText(set->about);
  settingsHelp_->setText(set->settingsHelpItem);
  timerHelp_->setText(set->timerHelpItem);
  openConfig_->setText(set->openConfig);
  saveConfig_->setText(set->saveConfig);

  // New relay items keep the chosen mode; selecting it again raises RelayModeClick once.
  const int relay = relayMode_->ItemIndex();
  relayMode_->setItems(QStringList(set->relayItems.begin(), set->relayItems.end()));
  relayMode_->setItemIndex(relay);

  captionfit::fitCaptions(centralWidget());
}

void TForm1::showHelp(HelpTopic topic) {
  // The help boxes hold nothing back: a read running meanwhile goes on.
  const QString text = helpText(topic, language());
  if (!text.isEmpty()) boxes_->showPlain(displayLines(text));
}

void TForm1::Howtousethisprogram1Click() { showHelp(HelpTopic::Settings); }
void TForm1::Howtousethisprogram2Click() { showHelp(HelpTopic::Timer); }
void TForm1::AboutKELVOXSetup1Click() { showHelp(HelpTopic::About); }

// --- Configuration files ------------------------------------------------------------------------

bool TForm1::configurationFilesAllowed() const { return transfer_.idle() && readClock_->isEnabled(); }

TClockConfig TForm1::heldConfiguration() const {
  TClockConfig config;
  for (const Setting s : kAllSettings) config.setSetting(s, setting(s));
  config.week = weekTable_;
  return config;
}

bool TForm1::openConfigurationFile(const QString& path) {
  if (!configurationFilesAllowed()) return false;
  TClockConfig config;
  QString error;
  if (!loadConfigFile(path, config, error)) {
    showHeldBox(configOpenErrorText(language()) + QStringLiteral("\n") + path + QStringLiteral(": ") + error);
    return false;
  }
  // Through the controls, as a read writes them: the language first, so the interface follows it.
  for (const Setting s : kAllSettings) writeSetting(s, config.setting(s));
  weekTable_ = config.week;
  timerPage_->WeekdaysTabChange();
  // Showing the day may rebuild its entries from the editor (a text with a CR or a blank after
  // "ON" becomes plain); the window holds the file's texts, so a send carries them as saved.
  weekTable_ = config.week;
  timerEdited_ = true;
  return true;
}

bool TForm1::saveConfigurationFile(const QString& path) {
  if (!configurationFilesAllowed()) return false;
  QString error;
  if (saveConfigFile(path, heldConfiguration(), error)) return true;
  showHeldBox(configSaveErrorText(language()) + QStringLiteral("\n") + path + QStringLiteral(": ") + error);
  return false;
}

QString TForm1::chooseConfigurationFile(QAction* menuItem, bool forSaving) {
  QString caption = menuItem->text().remove(QLatin1Char('&'));
  caption.remove(QChar(0x2026));  // the ellipsis
  const QString filter = QStringLiteral("KELVOX (*.cfg);;* (*)");
  return forSaving ? QFileDialog::getSaveFileName(this, caption, QString(), filter)
                   : QFileDialog::getOpenFileName(this, caption, QString(), filter);
}

void TForm1::OpenConfiguration1Click() {
  if (!configurationFilesAllowed()) return;
  const QString path = chooseConfigurationFile(openConfig_, false);
  if (!path.isEmpty()) openConfigurationFile(path);
}

void TForm1::SaveConfiguration1Click() {
  if (!configurationFilesAllowed()) return;
  const QString path = chooseConfigurationFile(saveConfig_, true);
  if (!path.isEmpty()) saveConfigurationFile(path);
}
