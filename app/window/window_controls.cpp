#include "window_controls.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSpinBox>
#include <QTabWidget>
#include <vector>

#include "TimerPage.h"
#include "captions.h"
#include "design_look.h"
#include "every_clock_texts.h"
#include "port_diagnosis_texts.h"
#include "radio_group.h"
#include "radio_keys.h"

namespace {

// --- The design: names, texts and places (left, top, width, height) within the parent --------

// A control as the design places it.
struct Design {
  const char* name;
  const char* text;
  QRect place;
};

constexpr int kClientWidth = 427;
constexpr int kClientHeight = 377;

// On the window.
constexpr Design kBevel{"Bevel4", "", QRect(0, 0, 425, 1)};
constexpr Design kSettings{"Settings", "", QRect(8, 16, 409, 281)};
constexpr Design kReadClock{"ReadClock", "Read clock", QRect(8, 304, 89, 33)};
constexpr Design kSendToClock{"SendToClock", "Send to clock", QRect(112, 304, 305, 33)};
constexpr Design kShape{"Shape1", "", QRect(8, 344, 409, 33)};
constexpr Design kZeroPercent{"StaticText1", "0%", QRect(16, 352, 18, 17)};
constexpr Design kProgressBar{"ProgressBar1", "", QRect(32, 352, 353, 17)};
constexpr Design kFullPercent{"StaticText2", "100%", QRect(384, 352, 30, 17)};

// On the page "Settings".
constexpr Design kLanguage{"Language", "Language", QRect(8, 16, 105, 105)};
constexpr Design kRelayMode{"RelayMode", "Mains relay mode", QRect(120, 16, 137, 105)};
constexpr Design kSerialPorts{"SerialPorts", "Serial ports", QRect(264, 16, 121, 105)};
constexpr Design kClockFound{"clockfound", "-------", QRect(80, 80, 28, 16)};  // in SerialPorts

// COM1 .. COM9: two columns over the SerialPorts box, children of the page.
constexpr std::array<QRect, kComButtons> kComButtonPlaces{
    QRect(272, 32, 57, 17), QRect(272, 48, 57, 17), QRect(272, 64, 57, 17), QRect(272, 80, 57, 17),
    QRect(272, 96, 49, 17),  //
    QRect(328, 32, 49, 17), QRect(328, 48, 49, 17), QRect(328, 64, 49, 17), QRect(328, 80, 49, 17)};

// The three rows of label, spin editor and unit, each in a sunken frame.
struct SettingRow {
  QRect frame;
  Design label;
  Design spin;
  int minimum, maximum, value;
  Design unit;
};
constexpr std::array<SettingRow, 3> kSettingRows{{
    {QRect(8, 136, 377, 25), {"Label10", "Universal Time Offset (Location depentant)", QRect(16, 136, 265, 24)},
     {"SpinEditUTC", "", QRect(280, 136, 49, 26)}, -12, 12, 1, {"Label4", "  hour", QRect(328, 136, 57, 24)}},
    {QRect(8, 168, 377, 25), {"Label11", "Daylight saving (0=Off , 1=1hour)", QRect(16, 168, 265, 24)},
     {"SpinEditDLS", "", QRect(280, 168, 49, 26)}, 0, 1, 0, {"Label5", "  hour", QRect(328, 168, 57, 24)}},
    {QRect(8, 200, 377, 25), {"Label12", "Time not valid timeout", QRect(16, 200, 265, 24)},
     {"SpinEditValid", "", QRect(280, 200, 49, 26)}, 1, 720, 1, {"Label6", "  hour", QRect(328, 200, 57, 24)}},
}};

// ------------------------------------------------------------------------------------------------

QString latin1(const char* text) { return QString::fromLatin1(text); }

QLabel* labelFor(const Design& design, QWidget* parent) {
  return makeLabel(latin1(design.name), latin1(design.text), design.place, parent);
}

// The design's "MS Sans Serif", or the nearest narrow sans-serif face the machine has (on Windows
// Microsoft Sans Serif, else Arial or Segoe UI), so that the texts fit the design's pixel places;
// the set-up installs Liberation Sans for this.
QFont pixelFont(int pixels) {
  QFont font;
  font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                    QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("Segoe UI"),
                    QStringLiteral("Nimbus Sans"), QStringLiteral("Helvetica")});
  font.setPixelSize(pixels);
  return font;
}

// A spin editor whose number is only stepped by its arrows, never typed.
class TSpinEdit : public QSpinBox {
 public:
  TSpinEdit(const SettingRow& row, QWidget* parent) : QSpinBox(parent) {
    setObjectName(latin1(row.spin.name));
    setRange(row.minimum, row.maximum);
    setValue(row.value);
    lineEdit()->setReadOnly(true);
  }
};

QPushButton* makeButton(const Design& design, QWidget* parent) {
  auto* button = new QPushButton(latin1(design.text), parent);
  button->setObjectName(latin1(design.name));
  button->setGeometry(design.place);
  button->setFont(pixelFont(13));
  button->setEnabled(false);
  return button;
}

QAction* addItem(QMenu* menu, const QString& text, const char* name) {
  QAction* item = menu->addAction(text);
  item->setObjectName(latin1(name));
  return item;
}

}  // namespace

void TWindowControls::setupControls(QMainWindow* window, WeekTimer& week) {
  QWidget* client = createClientArea(window);

  auto* bevel = new QFrame(client);
  bevel->setObjectName(latin1(kBevel.name));
  bevel->setFrameShape(QFrame::HLine);
  bevel->setFrameShadow(QFrame::Sunken);
  bevel->setGeometry(kBevel.place);

  settings_ = new QTabWidget(client);
  settings_->setObjectName(latin1(kSettings.name));
  settings_->setGeometry(kSettings.place);
  settings_->setFont(pixelFont(13));
  settings_->addTab(createSettingsPage(), QStringLiteral("Settings"));
  timerPage_ = new TimerPage(week, settings_);
  settings_->addTab(timerPage_, QStringLiteral("Timer"));
  settings_->setCurrentIndex(0);
  settings_->setEnabled(false);

  createBottomRow(client);
  createMenus(window);
  setFocusOrder();
}

void TWindowControls::showCaptions(const CaptionSet& set) {
  language_->setTitle(set.language);
  relayMode_->setTitle(set.relayMode);
  rowLabels_[0]->setText(set.label10);
  rowLabels_[1]->setText(set.label11);
  rowLabels_[2]->setText(set.label12);
  timerPage_->setHeading(set.label14);
  serialPorts_->setTitle(set.serialPorts);
  for (QLabel* unit : unitLabels_) unit->setText(set.hourUnit);
  sendToClock_->setText(set.sendToClock);
  readClock_->setText(set.readClock);

  timerPage_->setDayNames(set.days);  // keeps the selected tab, so it still names the shown day

  timerPage_->setEditHeading(set.panel10);
  timerPage_->setPlanCaptions(set.plan);
  settings_->setTabText(0, set.tabSheet1);
  settings_->setTabText(1, set.weekdays);

  fileMenu_->setTitle(set.fileMenu);
  helpMenu_->setTitle(set.helpMenu);
  quit_->setText(set.quit);
  howToUseMenu_->setTitle(set.howToUse);
  about_->setText(set.about);
  settingsHelp_->setText(set.settingsHelpItem);
  timerHelp_->setText(set.timerHelpItem);
  openConfig_->setText(set.openConfig);
  saveConfig_->setText(set.saveConfig);
  compareWithClock_->setText(set.compareWithClock);

  // New relay items keep the chosen mode; selecting it again raises RelayModeClick once.
  const int relay = relayMode_->ItemIndex();
  relayMode_->setItems(QStringList(set.relayItems.begin(), set.relayItems.end()));
  relayMode_->setItemIndex(relay);
}

QWidget* TWindowControls::createClientArea(QMainWindow* window) {
  auto* client = new QWidget(window);
  client->setObjectName(QStringLiteral("ClientArea"));
  client->setFixedSize(kClientWidth, kClientHeight);
  client->setFont(pixelFont(8));
  paintSilver(client);
  window->setCentralWidget(client);
  return client;
}

QWidget* TWindowControls::createSettingsPage() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("TabSheet1"));
  paintSilver(page);

  for (const SettingRow& row : kSettingRows) {
    auto* frame = new QFrame(page);
    frame->setFrameShape(QFrame::Panel);
    frame->setFrameShadow(QFrame::Sunken);
    frame->setGeometry(row.frame);
  }

  const CaptionSet& design = designCaptions();
  language_ = new TRadioGroup(latin1(kLanguage.name), latin1(kLanguage.text),
                              QStringList(languageItems().begin(), languageItems().end()), page);
  language_->setGeometry(kLanguage.place);
  language_->setItemIndex(2);
  relayMode_ = new TRadioGroup(latin1(kRelayMode.name), latin1(kRelayMode.text),
                               QStringList(design.relayItems.begin(), design.relayItems.end()), page);
  relayMode_->setGeometry(kRelayMode.place);
  relayMode_->setItemIndex(0);

  serialPorts_ = new QGroupBox(latin1(kSerialPorts.text), page);
  serialPorts_->setObjectName(latin1(kSerialPorts.name));
  serialPorts_->setGeometry(kSerialPorts.place);
  clockFound_ = labelFor(kClockFound, serialPorts_);

  // The port buttons lie on the page over the box; the window keeps them exclusive itself.
  for (std::size_t i = 0; i < comButtons_.size(); ++i) {
    auto* button = new QRadioButton(QStringLiteral("COM%1").arg(i + 1), page);
    button->setObjectName(button->text());
    button->setFont(pixelFont(11));
    // Room for the caption; the style sheet takes the palette over, so it says the disabled grey too.
    button->setStyleSheet(QStringLiteral(
        "QRadioButton { spacing: 2px; } QRadioButton:disabled { color: rgb(128, 128, 128); }"));
    button->setGeometry(kComButtonPlaces[i]);
    button->setAutoExclusive(false);
    button->setEnabled(false);
    comButtons_[i] = button;
  }
  (new TRadioKeys(page))->setButtons({comButtons_.begin(), comButtons_.end()});

  for (std::size_t row = 0; row < kSettingRows.size(); ++row) {
    rowLabels_[row] = labelFor(kSettingRows[row].label, page);
    unitLabels_[row] = labelFor(kSettingRows[row].unit, page);
  }
  spinUtc_ = new TSpinEdit(kSettingRows[0], page);
  spinDls_ = new TSpinEdit(kSettingRows[1], page);
  spinValid_ = new TSpinEdit(kSettingRows[2], page);
  const std::array<QSpinBox*, 3> spins{spinUtc_, spinDls_, spinValid_};
  for (std::size_t row = 0; row < kSettingRows.size(); ++row) {
    spins[row]->setGeometry(kSettingRows[row].spin.place);
    rowLabels_[row]->setBuddy(spins[row]);  // the spin editor is named after its label, in every language
  }
  return page;
}

void TWindowControls::createBottomRow(QWidget* client) {
  readClock_ = makeButton(kReadClock, client);
  sendToClock_ = makeButton(kSendToClock, client);
  QPalette blue = sendToClock_->palette();
  // Blue while usable; disabled it greys like any button.
  blue.setColor(QPalette::Active, QPalette::ButtonText, QColor(0, 128, 255));
  blue.setColor(QPalette::Inactive, QPalette::ButtonText, QColor(0, 128, 255));
  sendToClock_->setPalette(blue);

  auto* shape = new QFrame(client);
  shape->setObjectName(latin1(kShape.name));
  shape->setGeometry(kShape.place);
  shape->setStyleSheet(QStringLiteral("#Shape1 { background: rgb(192,192,192); border: 1px solid black; }"));

  labelFor(kZeroPercent, client);
  progressBar_ = new QProgressBar(client);
  progressBar_->setObjectName(latin1(kProgressBar.name));
  progressBar_->setGeometry(kProgressBar.place);
  progressBar_->setRange(0, 60);
  progressBar_->setValue(0);
  progressBar_->setTextVisible(false);
  progressBar_->setAccessibleName(QStringLiteral("Progress"));
  labelFor(kFullPercent, client);
}

void TWindowControls::createMenus(QMainWindow* window) {
  QMenuBar* bar = window->menuBar();
  bar->setObjectName(QStringLiteral("MainMenu2"));
  const CaptionSet& design = designCaptions();

  fileMenu_ = bar->addMenu(QStringLiteral("File"));
  fileMenu_->setObjectName(QStringLiteral("MainMenu"));
  // Open and save come before Exit; like the buttons, they wait for the start-up read.
  openConfig_ = addItem(fileMenu_, design.openConfig, "OpenConfiguration1");
  openConfig_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  openConfig_->setEnabled(false);
  saveConfig_ = addItem(fileMenu_, design.saveConfig, "SaveConfiguration1");
  saveConfig_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  saveConfig_->setEnabled(false);
  // Reads the clock without touching the window: usable whenever no transfer runs.
  compareWithClock_ = addItem(fileMenu_, design.compareWithClock, "CompareWithClock1");
  compareWithClock_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
  compareWithClock_->setEnabled(false);
  // Sends what the window holds to the clock on every port at once, in a dialog of its own.
  sendToEveryClock_ = addItem(fileMenu_, everyClockTexts(kEnglishIndex).menuItem, "SendToEveryClock1");
  sendToEveryClock_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
  sendToEveryClock_->setEnabled(false);
  // After the 61 commands of "Send to clock", the clock is read back and compared.
  verifyAfterSending_ = addItem(fileMenu_, verifyAfterSendingText(kEnglishIndex), "VerifyAfterSending1");
  verifyAfterSending_->setCheckable(true);
  verifyAfterSending_->setChecked(true);
  quit_ = addItem(fileMenu_, QStringLiteral("E&xit"), "Quit1");
  quit_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_X));

  // Between File and Help: the ports present and the search for the clock. Usable from the
  // start-up tick on, like the COM buttons.
  portMenu_ = bar->addMenu(portMenuText(kEnglishIndex));
  portMenu_->setObjectName(QStringLiteral("PortMenu"));
  portMenu_->setEnabled(false);
  findClock_ = addItem(portMenu_, findClockText(kEnglishIndex), "FindTheClock1");
  findClock_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));

  helpMenu_ = bar->addMenu(QStringLiteral("Help"));
  helpMenu_->setObjectName(QStringLiteral("Help1"));
  howToUseMenu_ = helpMenu_->addMenu(QStringLiteral("How to use this program"));
  howToUseMenu_->setObjectName(QStringLiteral("Howtousethisprogram1"));
  settingsHelp_ = addItem(howToUseMenu_, QStringLiteral("Settings"), "Se1");
  timerHelp_ = addItem(howToUseMenu_, QStringLiteral("Timer"), "Timer1");
  // Looks at every port and says why each did not serve: usable whenever no transfer runs.
  connectionCheck_ = addItem(helpMenu_, connectionCheckItemText(kEnglishIndex), "ConnectionCheck1");
  connectionCheck_->setEnabled(false);
  about_ = addItem(helpMenu_, QStringLiteral("About KELVOX Setup"), "AboutKELVOXSetup1");

  // Ctrl+F and Ctrl+H only open their menus.
  const auto opener = [window, bar](QMenu* menu, QKeyCombination keys) {
    auto* shortcut = new QShortcut(QKeySequence(keys), window);
    QObject::connect(shortcut, &QShortcut::activated, window,
                     [bar, menu] { bar->setActiveAction(menu->menuAction()); });
  };
  opener(fileMenu_, Qt::CTRL | Qt::Key_F);
  opener(portMenu_, Qt::CTRL | Qt::Key_P);
  opener(helpMenu_, Qt::CTRL | Qt::Key_H);
}

void TWindowControls::setFocusOrder() {
  QWidget::setTabOrder(settings_, sendToClock_);
  QWidget::setTabOrder(sendToClock_, readClock_);
  // The radio items themselves: a group box takes no place of its own in the Tab order.
  std::vector<QWidget*> page(language_->buttons().begin(), language_->buttons().end());
  page.insert(page.end(), relayMode_->buttons().begin(), relayMode_->buttons().end());
  page.insert(page.end(), {spinUtc_, spinDls_, spinValid_});
  page.insert(page.end(), comButtons_.begin(), comButtons_.end());
  for (std::size_t i = 1; i < page.size(); ++i) QWidget::setTabOrder(page[i - 1], page[i]);
}

void TWindowControls::describePortInUse(const QString& text) {
  for (QWidget* widget : {static_cast<QWidget*>(serialPorts_), static_cast<QWidget*>(clockFound_)}) {
    widget->setToolTip(text);
    widget->setAccessibleDescription(text);
  }
}
