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

namespace {

// Label caption of an unset entry, and the design caption before the first day load.
const QString kUnsetCaption = QStringLiteral("    ---          ");
const QString kDesignCaption = QStringLiteral("    --");
const QString kMidnight = QStringLiteral("00 :00 :00");

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

// "0" and the digit for 0..9, plain decimal otherwise.
QString twoDigits(int value) {
  return value >= 0 && value <= 9 ? QStringLiteral("0") + QString::number(value) : QString::number(value);
}

// The number a caption begins with: leading spaces skipped, then decimal digits up to the first
// character that is not one (0 when there is none).
int leadingNumber(const QString& caption) {
  qsizetype pos = 0;
  while (pos < caption.size() && caption[pos] == u' ') ++pos;
  int value = 0;
  for (int digits = 0; pos < caption.size() && caption[pos].isDigit() && digits < 9; ++pos, ++digits)
    value = value * 10 + caption[pos].digitValue();
  return value;
}

// Two characters of an entry text from 1-based position pos, as the label shows them; a
// character missing from a short text reads as "0".
QString textField(const TSwitchTime& entry, std::size_t pos) {
  QString field;
  for (std::size_t p = pos; p < pos + 2; ++p) {
    const char c = entry.at(p);
    field += c == '\0' ? QChar(u'0') : QChar(static_cast<uchar>(c));
  }
  return field;
}

// The 10-character time caption of a set entry: "HH :MM :SS".
QString timeCaption(const TSwitchTime& entry) {
  return textField(entry, 7) + QStringLiteral(" :") + textField(entry, 10) + QStringLiteral(" :") +
         textField(entry, 13);
}

// A label without an accessible name of its own: assistive technology reads what it shows.
QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QLatin1String(name));
  label->setGeometry(geometry);
  return label;
}

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

// What a time label says to assistive technology: its row and its time, or that it has none.
QString spokenTime(int entry, const QString& caption) {
  const QString time = QString(caption).remove(u' ');
  const bool set = !time.isEmpty() && time.front().isDigit();
  return QStringLiteral("Time %1, %2").arg(entry + 1).arg(set ? time : QStringLiteral("not set"));
}

}  // namespace

TimerPage::TimerPage(WeekTable& table, bool& timerEdited, QWidget* parent)
    : QWidget(parent), table_(table), timerEdited_(timerEdited) {
  setObjectName(QStringLiteral("Weekdays"));
  buildControls();
}

void TimerPage::buildControls() {
  resize(401, 249);
  setAutoFillBackground(true);
  QPalette silver = palette();
  silver.setColor(QPalette::Window, QColor(192, 192, 192));
  setPalette(silver);

  heading_ = makeLabel(this, "Label14", QStringLiteral("Weekday timer settings"), QRect(0, 0, 401, 249));
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

  // The tab control: a row of day tabs over a pane that holds the list and the editor.
  auto* tabControl = new QFrame(this);
  tabControl->setGeometry(8, 32, 385, 201);
  tabControl->setAutoFillBackground(true);
  QPalette tabPalette = tabControl->palette();
  tabPalette.setColor(QPalette::Window, QColor(192, 192, 192));
  tabControl->setPalette(tabPalette);

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
    for (const char* day : {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"})
      tabs_->addTab(QLatin1String(day));
    tabs_->setCurrentIndex(0);
  }
  const int top = tabs_->sizeHint().height();
  tabs_->setGeometry(0, 0, 385, top);

  auto* pane = new QFrame(tabControl);
  pane->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
  pane->setGeometry(0, top - 1, 385, 201 - top + 1);
  pane->lower();

  switchHead_ = makeLabel(tabControl, "Label1", QStringLiteral("SWITCH"), QRect(8, top + 4, 76, 16));
  timeHead_ = makeLabel(tabControl, "Label2", QStringLiteral("HR : MIN : SEC"), QRect(90, top + 4, 96, 16));
  actionHead_ = makeLabel(tabControl, "Label13", QStringLiteral("ON/OFF"), QRect(184, top + 4, 44, 16));
  QFont headFont = font();
  headFont.setPixelSize(11);
  for (QLabel* head : {switchHead_, timeHead_, actionHead_}) head->setFont(headFont);
  actionHead_->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);

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
  const int frame = list_->frameWidth();
  const int listTop = top + 22;
  list_->setGeometry(8, listTop, 76, kEntries * kRowHeight + 2 * frame);

  for (int i = 0; i < kEntries; ++i) {
    const int rowTop = listTop + frame + i * kRowHeight;
    timeLabels_[i] = makeLabel(tabControl, "", QString(), QRect(90, rowTop, 96, kRowHeight));
    timeLabels_[i]->setObjectName(QStringLiteral("Time%1").arg(i + 1));
    setTimeCaption(i, kDesignCaption);

    // Each pair sits in a panel of its own: exclusive within the pair, independent of the others.
    auto* panel = new QFrame(tabControl);
    panel->setObjectName(QLatin1String(kPairPanelNames[i]));
    panel->setGeometry(188, rowTop, 36, kRowHeight);
    pairPanels_[i] = panel;
    onButtons_[i] = new QRadioButton(panel);
    onButtons_[i]->setObjectName(QStringLiteral("ON%1").arg(i + 1));
    onButtons_[i]->setAccessibleName(QStringLiteral("ON %1").arg(i + 1));
    onButtons_[i]->setGeometry(2, 0, 15, kRowHeight);
    offButtons_[i] = new QRadioButton(panel);
    offButtons_[i]->setObjectName(QStringLiteral("OFF%1").arg(i + 1));
    offButtons_[i]->setAccessibleName(QStringLiteral("OFF %1").arg(i + 1));
    offButtons_[i]->setGeometry(19, 0, 15, kRowHeight);

    // Runs for a user's click and for a check set by the program alike; unchecking runs nothing.
    connect(onButtons_[i], &QRadioButton::toggled, this, [this, i](bool checked) {
      if (checked) OnClick(i);
    });
    connect(offButtons_[i], &QRadioButton::toggled, this, [this, i](bool checked) {
      if (checked) OffClick(i);
    });
  }

  // The time editor.
  editHeading_ =
      makeLabel(tabControl, "Panel10", QStringLiteral("Edit selected time"), QRect(232, top + 4, 145, 20));
  editHeading_->setFrameStyle(QFrame::Panel | QFrame::Raised);
  editHeading_->setAlignment(Qt::AlignCenter);

  editPanel_ = new QFrame(tabControl);
  editPanel_->setObjectName(QStringLiteral("Panel1"));
  editPanel_->setFrameStyle(QFrame::Panel | QFrame::Raised);
  editPanel_->setGeometry(232, top + 28, 145, 100);

  QFont editFont = font();
  editFont.setPixelSize(16);
  editFont.setBold(true);
  editHour_ = makeLabel(editPanel_, "edituur", QStringLiteral("00 :"), QRect(20, 12, 40, 22));
  editMinute_ = makeLabel(editPanel_, "editmin", QStringLiteral("00 :"), QRect(60, 12, 40, 22));
  editSecond_ = makeLabel(editPanel_, "editsec", QStringLiteral("00"), QRect(100, 12, 30, 22));
  for (QLabel* label : {editHour_, editMinute_, editSecond_}) label->setFont(editFont);

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

// --- small accessors --------------------------------------------------------------------------

int TimerPage::shownDay() const { return tabs_->currentIndex(); }

TSwitchTime& TimerPage::entryOf(int entry) { return table_.at(shownDay(), entry); }

bool TimerPage::isChecked(int entry) const { return list_->item(entry)->checkState() == Qt::Checked; }

void TimerPage::setChecked(int entry, bool checked) {
  const QSignalBlocker blocker(list_);
  list_->item(entry)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

int TimerPage::selectedRow() const {
  const QList<QListWidgetItem*> selected = list_->selectedItems();
  return selected.isEmpty() ? -1 : list_->row(selected.first());
}

void TimerPage::selectRow(int entry) {
  const QSignalBlocker blocker(list_);
  list_->setCurrentRow(entry);
}

void TimerPage::selectDay(int day) {
  const QSignalBlocker blocker(tabs_);
  tabs_->setCurrentIndex(day);
}

void TimerPage::uncheckPair(int entry) {
  // Exclusive radio buttons refuse to be unchecked while exclusive.
  for (QRadioButton* button : {onButtons_[entry], offButtons_[entry]}) {
    button->setAutoExclusive(false);
    button->setChecked(false);
    button->setAutoExclusive(true);
  }
}

void TimerPage::checkAction(int entry, bool on) {
  // The partner goes off first; the click handling of the checked button runs if it was off.
  (on ? onButtons_ : offButtons_)[entry]->setChecked(true);
}

void TimerPage::setPairEnabled(int entry, bool enabled) {
  onButtons_[entry]->setEnabled(enabled);
  offButtons_[entry]->setEnabled(enabled);
}

std::string TimerPage::builtText(int entry, const QString& hour, const QString& minute, const QString& second,
                                 bool on) const {
  std::string text{'$', '2', dayDigit(shownDay()), '=', entryDigit(entry), ','};
  text += hour.toLatin1().toStdString() + ',' + minute.toLatin1().toStdString() + ',' +
          second.toLatin1().toStdString() + ',' + (on ? "ON" : "OFF");
  return text;
}

// --- captions ---------------------------------------------------------------------------------

void TimerPage::setDayNames(const std::array<QString, 7>& names) {
  const QSignalBlocker blocker(tabs_);
  for (int day = 0; day < static_cast<int>(names.size()); ++day) tabs_->setTabText(day, names[day]);
}

void TimerPage::setHeading(const QString& text) { heading_->setText(text); }

void TimerPage::setEditHeading(const QString& text) { editHeading_->setText(text); }

void TimerPage::setTimeCaption(int entry, const QString& caption) {
  timeLabels_[entry]->setText(caption);
  timeLabels_[entry]->setAccessibleName(spokenTime(entry, caption));
}

// --- day load, list procedure, write-back -----------------------------------------------------

void TimerPage::WeekdaysTabChange() {
  for (int i = 0; i < kEntries; ++i) {
    if (entryOf(i).isDeleted()) {
      setChecked(i, false);
      uncheckPair(i);
    } else {
      setChecked(i, true);
      for (int j = 0; j < kEntries; ++j) setPairEnabled(j, true);
      checkAction(i, entryOf(i).isOn());
    }
  }
  for (int i = 0; i < kEntries; ++i) {
    const TSwitchTime& entry = entryOf(i);
    setTimeCaption(i, entry.isDeleted() ? kUnsetCaption : timeCaption(entry));
  }
  CheckTimerNummerClick();
}

void TimerPage::CheckTimerNummerClick() {
  for (int i = 0; i < kEntries; ++i) {
    if (!isChecked(i)) {
      setTimeCaption(i, kUnsetCaption);
      uncheckPair(i);
      setPairEnabled(i, false);
      entryOf(i) = TSwitchTime::deleted(shownDay(), i);
      continue;
    }
    setPairEnabled(i, true);
    if (i == selectedRow()) {
      if (entryOf(i).isDeleted()) {
        setTimeCaption(i, kMidnight);
        // Time 1 and Time 6 get their new form with one space after "ON".
        entryOf(i).setText(builtText(i, "00", "00", "00", true) + (i == 0 || i == 5 ? " " : ""));
      } else {
        setTimeCaption(i, timeCaption(entryOf(i)));
      }
      checkAction(i, entryOf(i).isOn());
      const QString label = timeLabels_[i]->text();
      editHour_->setText(label.mid(0, 2) + QStringLiteral(" :"));
      editMinute_->setText(label.mid(4, 2) + QStringLiteral(" :"));
      editSecond_->setText(label.mid(8, 2));
      spinHour_->setValue(leadingNumber(editHour_->text()));
      spinMinute_->setValue(leadingNumber(editMinute_->text()));
      spinSecond_->setValue(leadingNumber(editSecond_->text()));
    }
    if (!onButtons_[i]->isChecked() && !offButtons_[i]->isChecked()) checkAction(i, entryOf(i).isOn());
  }
}

void TimerPage::StoreShownDay() {
  for (int i = 0; i < kEntries; ++i) {
    if (!isChecked(i)) continue;
    timerEdited_ = true;
    const QString label = timeLabels_[i]->text();
    entryOf(i).setText(
        builtText(i, label.mid(0, 2), label.mid(4, 2), label.mid(8, 2), onButtons_[i]->isChecked()));
  }
}

// --- time editor ------------------------------------------------------------------------------

void TimerPage::closingSteps() {
  const int row = selectedRow();
  if (row >= 0 && isChecked(row))
    setTimeCaption(row, editHour_->text() + editMinute_->text() + editSecond_->text());
  StoreShownDay();
}

void TimerPage::SpinEditUurChange() {
  if (spinHour_->value() < 0) spinHour_->setValue(23);
  if (spinHour_->value() > 23) spinHour_->setValue(0);
  editHour_->setText(twoDigits(spinHour_->value()) + QStringLiteral(" :"));
  closingSteps();
}

void TimerPage::SpinEditMinuutChange() {
  if (spinMinute_->value() < 0) {
    spinMinute_->setValue(59);
    spinHour_->setValue(spinHour_->value() - 1);
    if (spinHour_->value() == -1) spinHour_->setValue(23);
  }
  if (spinMinute_->value() > 59) {
    spinMinute_->setValue(0);
    spinHour_->setValue(spinHour_->value() + 1);
    if (spinHour_->value() == 24) spinHour_->setValue(0);
  }
  editMinute_->setText(twoDigits(spinMinute_->value()) + QStringLiteral(" :"));
  closingSteps();
}

void TimerPage::SpinEditSecondsChange() {
  if (spinSecond_->value() < 0) {
    spinSecond_->setValue(59);
    spinMinute_->setValue(spinMinute_->value() - 1);
    if (spinMinute_->value() < 0) {
      spinMinute_->setValue(59);
      spinHour_->setValue(spinHour_->value() - 1);
      if (spinHour_->value() == -1) spinHour_->setValue(23);
    }
  }
  if (spinSecond_->value() > 59) {
    spinSecond_->setValue(0);
    spinMinute_->setValue(spinMinute_->value() + 1);
    if (spinMinute_->value() > 59) {
      spinMinute_->setValue(0);
      spinHour_->setValue(spinHour_->value() + 1);
      if (spinHour_->value() == 24) spinHour_->setValue(0);
    }
  }
  editSecond_->setText(twoDigits(spinSecond_->value()));
  closingSteps();
}

// --- ON/OFF pairs -----------------------------------------------------------------------------

void TimerPage::OnClick(int entry) {
  TSwitchTime& switchTime = entryOf(entry);
  std::string text = switchTime.text();
  if (text.size() < 17) {
    // A short text (only a malformed reply makes one) is rebuilt in full rather than patched.
    text = builtText(entry, textField(switchTime, 7), textField(switchTime, 10), textField(switchTime, 13),
                     true);
  } else {
    text[16] = 'N';
    if (text.size() > 17) text[17] = '\r';
  }
  switchTime.setText(text);
  setChecked(entry, true);
  selectRow(entry);
}

void TimerPage::OffClick(int entry) {
  TSwitchTime& switchTime = entryOf(entry);
  std::string text = switchTime.text();
  if (text.size() < 17) {
    text = builtText(entry, textField(switchTime, 7), textField(switchTime, 10), textField(switchTime, 13),
                     false);
  } else {
    text[16] = 'F';
    if (text.size() == 17)
      text += 'F';
    else
      text[17] = 'F';
  }
  switchTime.setText(text);
  setChecked(entry, true);
  selectRow(entry);
}
