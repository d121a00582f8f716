// The "Timer" page built from its design: the builders, in the order their widgets are made.
#include "TimerPage.h"

#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabBar>
#include <climits>

#include "design_look.h"

namespace {

// The design caption of a time label before the first day load.
const QString kDesignCaption = QStringLiteral("    --");

const std::array kDayNames = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};

// The panel that holds each entry's ON/OFF pair.
const std::array<const char*, TimerPage::kEntries> kPairPanelNames = {"Panel3", "Panel4", "Panel2", "Panel5",
                                                                      "Panel6", "Panel7", "Panel8", "Panel9"};

constexpr int kRowHeight = 16;

// The seconds spinner is the one that can be typed into: any text is accepted, and a text that
// is not a whole number counts as 0.
class SecondsSpinBox : public QSpinBox {
 public:
  using QSpinBox::QSpinBox;

 protected:
  QValidator::State validate(QString&, int&) const override { return QValidator::Acceptable; }
  int valueFromText(const QString& text) const override {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? value : 0;
  }
};

// The list of switch times. Its selected row is the row the time editor works on, so once a row
// is selected one stays selected: Ctrl with a click or the space bar, which would take the
// selection off the selected row, changes nothing.
class TCheckList : public QListWidget {
 public:
  using QListWidget::QListWidget;

 protected:
  QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                       const QEvent* event) const override {
    const QItemSelectionModel::SelectionFlags command = QListWidget::selectionCommand(index, event);
    return command.testFlag(QItemSelectionModel::Deselect) ? QItemSelectionModel::NoUpdate : command;
  }
};

}  // namespace

TimerPage::TimerPage(WeekTimer& week, QWidget* parent) : QWidget(parent), week_(week) {
  setObjectName(QStringLiteral("Weekdays"));
  buildControls();
}

void TimerPage::buildControls() {
  resize(401, 249);
  paintSilver(this);
  buildHeading();

  // The tab control: a row of day tabs over a pane that holds the list and the editor.
  auto* tabControl = new QFrame(this);
  tabControl->setGeometry(8, 32, 385, 201);
  paintSilver(tabControl);
  const int top = buildDayTabs(tabControl);
  buildColumnHeads(tabControl, top);
  const int listTop = top + 22;
  buildList(tabControl, listTop);
  for (int i = 0; i < kEntries; ++i) buildRow(tabControl, i, listTop + list_->frameWidth() + i * kRowHeight);
  buildEditor(tabControl, top);
  buildPlanControls(tabControl, top);
  connectHandlers();
}

void TimerPage::buildHeading() {
  heading_ = makeLabel(QStringLiteral("Label14"), QStringLiteral("Weekday timer settings"),
                       QRect(0, 0, 401, 249), this);
  heading_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  heading_->setAutoFillBackground(true);
  QPalette headingPalette = heading_->palette();
  headingPalette.setColor(QPalette::Window, QColor(128, 128, 128));
  headingPalette.setColor(QPalette::WindowText, Qt::black);
  heading_->setPalette(headingPalette);
  QFont headingFont(QStringLiteral("Arial Black"));
  headingFont.setPixelSize(16);
  headingFont.setWeight(QFont::Black);
  heading_->setFont(headingFont);
}

int TimerPage::buildDayTabs(QWidget* tabControl) {
  tabs_ = new QTabBar(tabControl);
  tabs_->setObjectName(QStringLiteral("WeekdaysTab"));
  tabs_->setAccessibleName(QStringLiteral("Weekdays"));
  QFont tabFont = tabs_->font();
  tabFont.setPixelSize(10);
  tabs_->setFont(tabFont);
  tabs_->setExpanding(false);
  tabs_->setUsesScrollButtons(false);
  tabs_->setElideMode(Qt::ElideNone);
  // Fixed tabs of 54 pixels, as the day names of every language must fit the row of seven.
  tabs_->setStyleSheet(QStringLiteral("QTabBar::tab { width: 52px; padding: 2px 1px; }"));
  {
    const QSignalBlocker blocker(tabs_);
    for (const char* day : kDayNames) tabs_->addTab(QLatin1String(day));
    tabs_->setCurrentIndex(0);
  }
  const int top = tabs_->sizeHint().height();
  tabs_->setGeometry(0, 0, 385, top);

  auto* pane = new QFrame(tabControl);
  pane->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
  pane->setGeometry(0, top - 1, 385, 201 - top + 1);
  pane->lower();
  return top;
}

void TimerPage::buildColumnHeads(QWidget* tabControl, int top) {
  switchHead_ =
      makeLabel(QStringLiteral("Label1"), QStringLiteral("SWITCH"), QRect(8, top + 4, 76, 16), tabControl);
  timeHead_ = makeLabel(QStringLiteral("Label2"), QStringLiteral("HR : MIN : SEC"),
                        QRect(90, top + 4, 96, 16), tabControl);
  actionHead_ =
      makeLabel(QStringLiteral("Label13"), QStringLiteral("ON/OFF"), QRect(184, top + 4, 44, 16), tabControl);
  QFont headFont = font();
  headFont.setPixelSize(11);
  for (QLabel* head : {switchHead_, timeHead_, actionHead_}) head->setFont(headFont);
  actionHead_->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
}

void TimerPage::buildList(QWidget* tabControl, int listTop) {
  list_ = new TCheckList(tabControl);
  list_->setObjectName(QStringLiteral("CheckTimerNummer"));
  list_->setAccessibleName(QStringLiteral("Switch times"));
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list_->setUniformItemSizes(true);
  for (int i = 0; i < kEntries; ++i) {
    auto* item = new QListWidgetItem(QStringLiteral("Time %1").arg(i + 1), list_);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
    item->setSizeHint(QSize(70, kRowHeight));
  }
  list_->setGeometry(8, listTop, 76, kEntries * kRowHeight + 2 * list_->frameWidth());
}

void TimerPage::buildRow(QWidget* tabControl, int entry, int rowTop) {
  const QString number = QString::number(entry + 1);
  timeLabels_[entry] =
      makeLabel(QStringLiteral("Time") + number, QString(), QRect(90, rowTop, 96, kRowHeight), tabControl);
  setTimeCaption(entry, kDesignCaption);

  // Each pair sits in a panel of its own: exclusive within the pair, independent of the others.
  auto* panel = new QFrame(tabControl);
  panel->setObjectName(QLatin1String(kPairPanelNames[entry]));
  panel->setGeometry(188, rowTop, 36, kRowHeight);
  pairPanels_[entry] = panel;
  onButtons_[entry] = new QRadioButton(panel);
  onButtons_[entry]->setObjectName(QStringLiteral("ON") + number);
  onButtons_[entry]->setAccessibleName(QStringLiteral("ON ") + number);
  onButtons_[entry]->setGeometry(2, 0, 15, kRowHeight);
  offButtons_[entry] = new QRadioButton(panel);
  offButtons_[entry]->setObjectName(QStringLiteral("OFF") + number);
  offButtons_[entry]->setAccessibleName(QStringLiteral("OFF ") + number);
  offButtons_[entry]->setGeometry(19, 0, 15, kRowHeight);

  // Runs for a user's click and for a check set by the program alike; unchecking runs nothing.
  connect(onButtons_[entry], &QRadioButton::toggled, this, [this, entry](bool checked) {
    if (checked) OnClick(entry);
  });
  connect(offButtons_[entry], &QRadioButton::toggled, this, [this, entry](bool checked) {
    if (checked) OffClick(entry);
  });
}

void TimerPage::buildEditor(QWidget* tabControl, int top) {
  editHeading_ = makeLabel(QStringLiteral("Panel10"), QStringLiteral("Edit selected time"),
                           QRect(232, top + 4, 145, 20), tabControl);
  editHeading_->setFrameStyle(QFrame::Panel | QFrame::Raised);
  editHeading_->setAlignment(Qt::AlignCenter);

  editPanel_ = new QFrame(tabControl);
  editPanel_->setObjectName(QStringLiteral("Panel1"));
  editPanel_->setFrameStyle(QFrame::Panel | QFrame::Raised);
  editPanel_->setGeometry(232, top + 28, 145, 100);

  QFont editFont = font();
  editFont.setPixelSize(16);
  editFont.setBold(true);
  editHour_ = makeLabel(QStringLiteral("edituur"), QString(), QRect(20, 12, 40, 22), editPanel_);
  editMinute_ = makeLabel(QStringLiteral("editmin"), QString(), QRect(60, 12, 40, 22), editPanel_);
  editSecond_ = makeLabel(QStringLiteral("editsec"), QString(), QRect(100, 12, 30, 22), editPanel_);
  for (QLabel* label : {editHour_, editMinute_, editSecond_}) label->setFont(editFont);
  showEditTime();
  buildSpinners();
}

void TimerPage::buildSpinners() {
  spinHour_ = new QSpinBox(editPanel_);
  spinHour_->setObjectName(QStringLiteral("SpinEditUur"));
  spinHour_->setAccessibleName(QStringLiteral("Hours"));
  spinHour_->setRange(-99999999, 99999999);
  spinMinute_ = new QSpinBox(editPanel_);
  spinMinute_->setObjectName(QStringLiteral("SpinEditMinuut"));
  spinMinute_->setAccessibleName(QStringLiteral("Minutes"));
  spinMinute_->setRange(-1, 60);
  spinSecond_ = new SecondsSpinBox(editPanel_);
  spinSecond_->setObjectName(QStringLiteral("SpinEditSeconds"));
  spinSecond_->setAccessibleName(QStringLiteral("Seconds"));
  spinSecond_->setRange(INT_MIN, INT_MAX);
  spinSecond_->setLocale(QLocale::c());
  spinSecond_->setKeyboardTracking(true);  // every typed change is a change of the value
  // Only the arrows change the hours and minutes.
  for (QSpinBox* spin : {spinHour_, spinMinute_}) spin->findChild<QLineEdit*>()->setReadOnly(true);
  spinHour_->setGeometry(22, 44, 17, 41);
  spinMinute_->setGeometry(62, 44, 17, 41);
  spinSecond_->setGeometry(102, 44, 17, 41);
}

void TimerPage::connectHandlers() {
  // Change handling runs at once, nested inside whatever set the value.
  connect(spinHour_, &QSpinBox::valueChanged, this, &TimerPage::SpinEditUurChange, Qt::DirectConnection);
  connect(spinMinute_, &QSpinBox::valueChanged, this, &TimerPage::SpinEditMinuutChange, Qt::DirectConnection);
  connect(spinSecond_, &QSpinBox::valueChanged, this, &TimerPage::SpinEditSecondsChange,
          Qt::DirectConnection);

  connect(tabs_, &QTabBar::currentChanged, this, [this] { WeekdaysTabChange(); });
  // A check mark changed by the user belongs to the selected row, as a click on the box selects
  // its row first (a key press can toggle a row that only has the focus).
  connect(list_, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
    const int row = list_->row(item);
    if (row != selectedRow()) selectRow(row);
    CheckTimerNummerClick();
  });
  connect(list_, &QListWidget::itemClicked, this, [this] { CheckTimerNummerClick(); });
  connect(list_, &QListWidget::itemDoubleClicked, this, [this] { CheckTimerNummerClick(); });
  // Moving the selection with the keys counts as a click on the newly selected row.
  connect(list_, &QListWidget::itemSelectionChanged, this, [this] { CheckTimerNummerClick(); });
}
