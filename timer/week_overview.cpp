#include "week_overview.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QShowEvent>
#include <QVBoxLayout>

#include "plan_drawing.h"
#include "week_timer.h"

namespace {

constexpr int kRightMargin = 14;
constexpr int kNameGap = 6;

QString fromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

// The span of the 24 hours, shared by the rows and the axis above them.
QRectF span(const QRect& rect, int nameWidth, double top, double height) {
  const double left = nameWidth + kNameGap;
  return {left, top, std::max(1.0, rect.width() - left - kRightMargin), height};
}

// The hour numbers above the rows.
class HourAxis : public QWidget {
 public:
  explicit HourAxis(QWidget* parent) : QWidget(parent) {
    setMinimumHeight(fontMetrics().height() + 4);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
  }
  void setNameWidth(int width) {
    nameWidth_ = width;
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    plandraw::drawHours(painter, span(rect(), nameWidth_, 0, height()), 0, height());
  }

 private:
  int nameWidth_ = 80;
};

}  // namespace

// --- one day ----------------------------------------------------------------------------------

WeekDayRow::WeekDayRow(int day, QWidget* parent) : QWidget(parent), day_(day) {
  setFocusPolicy(Qt::StrongFocus);
  setCursor(Qt::PointingHandCursor);
}

void WeekDayRow::showDay(const DayPlan& plan, const QString& name, const QString& line) {
  plan_ = plan;
  name_ = name;
  setAccessibleName(line);
  setToolTip(line);
  update();
}

void WeekDayRow::setNameWidth(int width) {
  nameWidth_ = width;
  update();
}

QSize WeekDayRow::sizeHint() const { return {560, 4 * fontMetrics().height() + 8}; }
QSize WeekDayRow::minimumSizeHint() const { return {300, 3 * fontMetrics().height() + 8}; }

QRectF WeekDayRow::barRect() const {
  // The bar takes the upper part; the times of the ticks go under it.
  const double barHeight = std::max(6.0, height() - 2.0 * fontMetrics().height() - 8.0);
  return span(rect(), nameWidth_, 3, barHeight);
}

double WeekDayRow::xOf(int second) const { return plandraw::xOf(barRect(), second); }

void WeekDayRow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), plandraw::kBackground);
  const QRectF bar = barRect();

  painter.setPen(plandraw::kInk);
  painter.drawText(QRectF(4, bar.top(), nameWidth_, bar.height()), Qt::AlignLeft | Qt::AlignVCenter, name_);

  plandraw::drawDay(painter, bar, plan_, 4, width() - 2);

  if (hasFocus()) {
    painter.setPen(QPen(plandraw::kInk, 1, Qt::DotLine));
    painter.drawRect(rect().adjusted(1, 1, -2, -2));
  }
}

void WeekDayRow::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit chosen(day_);
}

void WeekDayRow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space)
    emit chosen(day_);
  else
    QWidget::keyPressEvent(event);
}

// --- the window -------------------------------------------------------------------------------

WeekOverview::WeekOverview(const WeekTimer& week, QWidget* parent)
    : QWidget(parent, Qt::Window), table_(week.table()) {
  setObjectName(QStringLiteral("WeekOverview"));
  connect(&week, &WeekTimer::dayChanged, this, &WeekOverview::refresh);
  auto* layout = new QVBoxLayout(this);
  layout->setSpacing(2);
  axis_ = new HourAxis(this);
  layout->addWidget(axis_);
  for (int day = 0; day < WeekTable::kDays; ++day) {
    rows_[day] = new WeekDayRow(day, this);
    rows_[day]->setObjectName(QStringLiteral("WeekRow%1").arg(day + 1));
    connect(rows_[day], &WeekDayRow::chosen, this, &WeekOverview::dayChosen);
    layout->addWidget(rows_[day], 1);
  }
  rule_ = new QLabel(this);
  rule_->setObjectName(QStringLiteral("WeekRule"));
  rule_->setWordWrap(true);
  layout->addWidget(rule_);
  text_ = new QLabel(this);
  text_->setObjectName(QStringLiteral("WeekText"));
  text_->setTextFormat(Qt::PlainText);
  text_->setWordWrap(true);
  text_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  text_->setFocusPolicy(Qt::StrongFocus);
  layout->addWidget(text_);
  setCaptions(englishPlanCaptions());
  resize(720, 640);
}

void WeekOverview::setCaptions(const PlanCaptions& captions) {
  captions_ = captions;
  setWindowTitle(captions.overviewTitle);
  rule_->setText(captions.rule);
  int nameWidth = 0;
  for (const std::string& day : captions.words.days)
    nameWidth = std::max(nameWidth, rows_[0]->fontMetrics().horizontalAdvance(fromUtf8(day)));
  for (WeekDayRow* row : rows_) row->setNameWidth(nameWidth + 4);
  static_cast<HourAxis*>(axis_)->setNameWidth(nameWidth + 4);
  redraw();
}

void WeekOverview::refresh() {
  if (!drawn_ || !(table_ == shown_)) redraw();
}

void WeekOverview::showEvent(QShowEvent* event) {
  refresh();
  QWidget::showEvent(event);
}

void WeekOverview::redraw() {
  shown_ = table_;
  drawn_ = true;
  const WeekPlan plan = weekPlan(table_);
  QStringList lines;
  for (int day = 0; day < WeekTable::kDays; ++day) {
    const QString line = fromUtf8(dayPlanLine(plan[day], day, captions_.words));
    rows_[day]->showDay(plan[day], fromUtf8(captions_.words.days[day]), line);
    lines << line;
  }
  text_->setText(lines.join(u'\n'));
}
