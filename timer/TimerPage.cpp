#include "TimerPage.h"

#include <QAction>
#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QUndoStack>
#include <algorithm>
#include <climits>
#include <functional>

#include "copy_day_dialog.h"
#include "day_edits.h"
#include "design_look.h"
#include "week_overview.h"
#include "week_timer.h"

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

// Label caption of an unset entry.
const QString kUnsetCaption = QStringLiteral("    ---          ");

// A field as a label shows it: its characters are single bytes, Latin-1 to the toolkit.
QString shown(const std::string& field) { return QString::fromLatin1(field.data(), qsizetype(field.size())); }

// The 10-character time caption of a set entry: "HH :MM :SS".
QString timeCaption(const SwitchFields& time) {
  return shown(time.hour) + QStringLiteral(" :") + shown(time.minute) + QStringLiteral(" :") +
         shown(time.second);
}

// What a time label says to assistive technology: its row and its time, or that it has none.
QString spokenTime(int entry, const QString& caption) {
  const QString time = QString(caption).remove(u' ');
  const bool set = !time.isEmpty() && time.front().isDigit();
  return QStringLiteral("Time %1, %2").arg(entry + 1).arg(set ? time : QStringLiteral("not set"));
}

// A copy or clear: redo writes its days as the edit left them, undo as they were before it.
// Either loads the shown day again when it is one of them; what that load leaves is what an undo
// expects to find.
class DayStep : public QUndoCommand {
 public:
  using Reload = std::function<void(const std::vector<int>&)>;

  DayStep(WeekTimer& week, const WeekTable& edited, std::vector<int> days, Reload reload)
      : week_(week),
        before_(week.table()),
        edited_(edited),
        days_(std::move(days)),
        reload_(std::move(reload)) {}

  void redo() override {
    week_.setDays(edited_, days_);
    week_.setTimerEdited(true);  // written as the time editor writes
    reload_(days_);
    after_ = week_.table();
  }
  void undo() override {
    week_.setDays(before_, days_);
    reload_(days_);
  }

  // Whether the step's days still hold what it left: an undo then loses no later change.
  bool daysAsLeft() const {
    for (const int day : days_)
      for (int entry = 0; entry < WeekTable::kEntries; ++entry)
        if (!(week_.at(day, entry) == after_.at(day, entry))) return false;
    return true;
  }

 private:
  WeekTimer& week_;
  const WeekTable before_;
  const WeekTable edited_;
  WeekTable after_;
  const std::vector<int> days_;
  const Reload reload_;
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

// --- small accessors --------------------------------------------------------------------------

int TimerPage::shownDay() const { return tabs_->currentIndex(); }

const TSwitchTime& TimerPage::entryOf(int entry) const { return week_.at(shownDay(), entry); }

void TimerPage::writeEntry(int entry, const TSwitchTime& value) { week_.set(shownDay(), entry, value); }

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

void TimerPage::showTime(int entry, const SwitchFields& time) {
  rowTimes_[entry] = time;
  setTimeCaption(entry, timeCaption(time));
}

void TimerPage::showEditTime() {
  editHour_->setText(shown(editTime_.hour) + QStringLiteral(" :"));
  editMinute_->setText(shown(editTime_.minute) + QStringLiteral(" :"));
  editSecond_->setText(shown(editTime_.second));
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
    if (entryOf(i).isDeleted())
      setTimeCaption(i, kUnsetCaption);
    else
      showTime(i, entryOf(i).time());
  }
  CheckTimerNummerClick();
}

void TimerPage::CheckTimerNummerClick() {
  for (int i = 0; i < kEntries; ++i) {
    if (!isChecked(i)) {
      setTimeCaption(i, kUnsetCaption);
      uncheckPair(i);
      setPairEnabled(i, false);
      writeEntry(i, TSwitchTime::deleted(shownDay(), i));
      continue;
    }
    setPairEnabled(i, true);
    if (i == selectedRow()) {
      if (entryOf(i).isDeleted()) {
        showTime(i, SwitchFields{});  // midnight
        writeEntry(i, TSwitchTime::fresh(shownDay(), i));
      } else {
        showTime(i, entryOf(i).time());
      }
      checkAction(i, entryOf(i).isOn());
      loadEditor(rowTimes_[i]);
    }
    if (!onButtons_[i]->isChecked() && !offButtons_[i]->isChecked()) checkAction(i, entryOf(i).isOn());
  }
}

void TimerPage::StoreShownDay() {
  for (int i = 0; i < kEntries; ++i) {
    if (!isChecked(i)) continue;
    week_.setTimerEdited(true);
    writeEntry(i, TSwitchTime::set(shownDay(), i, rowTimes_[i], onButtons_[i]->isChecked()));
  }
}

// --- time editor ------------------------------------------------------------------------------

void TimerPage::loadEditor(const SwitchFields& time) {
  editTime_ = time;
  showEditTime();
  // Each spinner whose value changes runs its change handling here, which may change the fields.
  spinHour_->setValue(fieldValue(editTime_.hour));
  spinMinute_->setValue(fieldValue(editTime_.minute));
  spinSecond_->setValue(fieldValue(editTime_.second));
}

void TimerPage::closingSteps() {
  showEditTime();
  const int row = selectedRow();
  if (row >= 0 && isChecked(row)) showTime(row, editTime_);
  StoreShownDay();
}

void TimerPage::SpinEditUurChange() {
  if (spinHour_->value() < 0) spinHour_->setValue(23);
  if (spinHour_->value() > 23) spinHour_->setValue(0);
  editTime_.hour = twoDigitField(spinHour_->value());
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
  editTime_.minute = twoDigitField(spinMinute_->value());
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
  editTime_.second = twoDigitField(spinSecond_->value());
  closingSteps();
}

// --- ON/OFF pairs -----------------------------------------------------------------------------

void TimerPage::OnClick(int entry) { actionClick(entry, true); }

void TimerPage::OffClick(int entry) { actionClick(entry, false); }

void TimerPage::actionClick(int entry, bool on) {
  TSwitchTime action = entryOf(entry);
  action.setOn(on, shownDay(), entry);
  writeEntry(entry, action);
  setChecked(entry, true);
  selectRow(entry);
}

// --- the day's controls -----------------------------------------------------------------------

void TimerPage::buildPlanControls(QWidget* tabControl, int top) {
  dayUndo_ = new QUndoStack(this);
  overviewButton_ = new QPushButton(tabControl);
  overviewButton_->setObjectName(QStringLiteral("WeekOverviewButton"));
  overviewButton_->setGeometry(232, top + 132, 145, 21);
  connect(overviewButton_, &QPushButton::clicked, this, &TimerPage::openOverview);
  dayMenuButton_ = new QPushButton(tabControl);
  dayMenuButton_->setObjectName(QStringLiteral("DayMenuButton"));
  dayMenuButton_->setGeometry(232, top + 156, 145, 21);
  // Built afresh for the shown day each time it opens.
  connect(dayMenuButton_, &QPushButton::clicked, this, [this] {
    QMenu* menu = dayMenu(shownDay());
    menu->exec(dayMenuButton_->mapToGlobal(QPoint(0, dayMenuButton_->height())));
  });

  // A right click on a day tab opens that day's menu.
  tabs_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(tabs_, &QTabBar::customContextMenuRequested, this, [this](const QPoint& at) {
    const int day = tabs_->tabAt(at);
    if (day >= 0) dayMenu(day)->exec(tabs_->mapToGlobal(at));
  });
  addShortcuts();
  setPlanCaptions(englishPlanCaptions());
}

void TimerPage::addShortcuts() {
  // The same steps from the keyboard, for the shown day, anywhere on the page.
  const std::pair<QKeySequence, std::function<void()>> shortcuts[] = {
      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), [this] { askCopyDay(shownDay()); }},
      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Delete), [this] { clearDay(shownDay()); }},
      {QKeySequence(Qt::CTRL | Qt::Key_Z), [this] { undoDayStep(); }},
      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O), [this] { openOverview(); }},
  };
  for (const auto& [keys, step] : shortcuts) {
    auto* action = new QAction(this);
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(action);
    connect(action, &QAction::triggered, this, step);
  }
}

void TimerPage::setPlanCaptions(const PlanCaptions& captions) {
  planCaptions_ = captions;
  overviewButton_->setText(captions.overview);
  dayMenuButton_->setText(captions.dayMenu);
  if (overview_) overview_->setCaptions(captions);
}

QMenu* TimerPage::dayMenu(int day) {
  delete dayMenu_;
  dayMenu_ = new QMenu(this);
  dayMenu_->setObjectName(QStringLiteral("DayMenu"));
  const std::string& name = planCaptions_.words.days.at(static_cast<std::size_t>(day));
  const QString dayName = QString::fromUtf8(name.data(), qsizetype(name.size()));
  const auto add = [this](const QString& text, QKeySequence keys, auto step) {
    QAction* action = dayMenu_->addAction(text, this, step);
    action->setShortcut(keys);  // shown beside the item; the page's own actions take the keys
    return action;
  };
  add(planCaptions_.copyDay.arg(dayName), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C),
      [this, day] { askCopyDay(day); });
  add(planCaptions_.clearDay.arg(dayName), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Delete),
      [this, day] { clearDay(day); });
  add(planCaptions_.undo, QKeySequence(Qt::CTRL | Qt::Key_Z), [this] {
    undoDayStep();
  })->setEnabled(dayUndo_->canUndo());
  dayMenu_->addSeparator();
  add(planCaptions_.overview, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O), [this] { openOverview(); });
  add(planCaptions_.exportPlan, QKeySequence(), [this] { emit exportRequested(); });
  return dayMenu_;
}

// --- copy, clear, undo ------------------------------------------------------------------------

void TimerPage::askCopyDay(int day) {
  CopyDayDialog box(day, planCaptions_, this);
  if (box.exec() == QDialog::Accepted) copyDay(day, box.chosenDays());
}

void TimerPage::copyDay(int source, const std::vector<int>& targets) {
  WeekTable edited = week_.table();
  pushDayStep(edited, ::copyDay(edited, source, targets));
}

void TimerPage::clearDay(int day) {
  WeekTable edited = week_.table();
  ::clearDay(edited, day);
  pushDayStep(edited, {day});
}

void TimerPage::pushDayStep(const WeekTable& edited, const std::vector<int>& days) {
  if (days.empty()) return;
  dayUndo_->push(
      new DayStep(week_, edited, days, [this](const std::vector<int>& written) { reloadIfShown(written); }));
}

void TimerPage::reloadIfShown(const std::vector<int>& days) {
  if (std::find(days.begin(), days.end(), shownDay()) != days.end()) WeekdaysTabChange();
}

bool TimerPage::undoDayStep() {
  if (!dayUndo_->canUndo()) return false;
  const auto* step = static_cast<const DayStep*>(dayUndo_->command(dayUndo_->index() - 1));
  if (!step->daysAsLeft()) {
    dayUndo_->clear();  // the days went on without the step: nothing before it can come back
    return false;
  }
  dayUndo_->undo();
  return true;
}

// --- the overview -----------------------------------------------------------------------------

void TimerPage::openOverview() {
  if (!overview_) {
    overview_ = new WeekOverview(week_, this);
    overview_->setCaptions(planCaptions_);
    connect(overview_, &WeekOverview::dayChosen, this, [this](int day) {
      // The Timer page comes to the front with the chosen day, as a click on its tab shows it.
      for (QWidget* w = parentWidget(); w; w = w->parentWidget())
        if (auto* pages = qobject_cast<QTabWidget*>(w)) pages->setCurrentWidget(this);
      tabs_->setCurrentIndex(day);
      window()->activateWindow();
    });
  }
  overview_->show();
  overview_->raise();
  overview_->activateWindow();
}
