// The day steps of the "Timer" page: copy and clear a day, each one step for Ctrl+Z, the day's
// menu that offers them, and the week overview.
#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QUndoStack>
#include <algorithm>
#include <functional>

#include "TimerPage.h"
#include "copy_day_dialog.h"
#include "day_edits.h"
#include "week_overview.h"
#include "week_timer.h"

namespace {

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
