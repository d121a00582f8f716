#include "week_overview.h"

#include <QFocusEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QShowEvent>
#include <QToolTip>
#include <QVBoxLayout>

// Contrast against the white rows, above the 4.5:1 that text needs (tests/timer measures it).
const QColor WeekDayRow::kBackground{255, 255, 255};
const QColor WeekDayRow::kOn{26, 86, 168};         // the relay is ON
const QColor WeekDayRow::kConflict{179, 38, 30};   // entries of one second disagree
const QColor WeekDayRow::kInk{31, 31, 31};         // names, ticks and times

namespace {

constexpr int kRightMargin = 14;
constexpr int kNameGap = 6;
const QColor kHourLine{200, 200, 200};  // the hour marks: a guide, not content

QString fromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

// The span of the 24 hours, shared by the rows and the axis above them.
QRectF span(const QRect& rect, int nameWidth, double top, double height) {
  const double left = nameWidth + kNameGap;
  return {left, top, std::max(1.0, rect.width() - left - kRightMargin), height};
}

double xIn(const QRectF& bar, int second) { return bar.left() + bar.width() * second / kSecondsPerDay; }

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
    painter.setPen(WeekDayRow::kInk);
    const QRectF bar = span(rect(), nameWidth_, 0, height());
    // Every hour when there is room for its number, else every third or sixth.
    const int widest = fontMetrics().horizontalAdvance(QStringLiteral("24")) + 6;
    int step = 1;
    while (step < 6 && bar.width() / 24 * step < widest) step = step == 1 ? 3 : 6;
    for (int hour = 0; hour <= 24; hour += step) {
      const double x = xIn(bar, hour * 3600);
      painter.drawText(QRectF(x - 20, 0, 40, height()), Qt::AlignHCenter | Qt::AlignBottom,
                       QString::number(hour));
    }
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

QSize WeekDayRow::sizeHint() const { return {560, 3 * fontMetrics().height() + 8}; }
QSize WeekDayRow::minimumSizeHint() const { return {300, 2 * fontMetrics().height() + 8}; }

QRectF WeekDayRow::barRect() const {
  // The bar takes the upper part; the times of the ticks go under it.
  const double barHeight = std::max(6.0, height() - fontMetrics().height() - 8.0);
  return span(rect(), nameWidth_, 3, barHeight);
}

double WeekDayRow::xOf(int second) const { return xIn(barRect(), second); }

void WeekDayRow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), kBackground);
  const QRectF bar = barRect();

  painter.setPen(kInk);
  painter.drawText(QRectF(4, bar.top(), nameWidth_, bar.height()), Qt::AlignLeft | Qt::AlignVCenter, name_);

  painter.setPen(QPen(kHourLine, 0));
  for (int hour = 0; hour <= 24; ++hour) painter.drawLine(QPointF(xIn(bar, hour * 3600), bar.top()),
                                                          QPointF(xIn(bar, hour * 3600), bar.bottom()));
  for (const OnInterval& on : plan_.on)
    painter.fillRect(QRectF(QPointF(xOf(on.begin), bar.top()), QPointF(xOf(on.end), bar.bottom())), kOn);
  painter.setPen(QPen(kInk, 1));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(bar);

  // Ticks reach under the bar, where their times stand; a time that would overlap the one
  // before it is left out of the drawing (the tool tip and the text below name every one).
  const QFontMetrics metrics = fontMetrics();
  double freeFrom = -1e9;
  for (const PlanSwitch& s : plan_.switches) {
    bool conflict = false;
    for (const PlanConflict& c : plan_.conflicts) conflict = conflict || c.second == s.second;
    const double x = xOf(s.second);
    painter.setPen(QPen(conflict ? kConflict : kInk, conflict ? 3 : 1.5));
    painter.drawLine(QPointF(x, bar.top()), QPointF(x, bar.bottom() + 4));
    const QString time = fromUtf8(planTime(s.second));
    const double textWidth = metrics.horizontalAdvance(time);
    const double left = std::max(bar.left(), std::min(x - textWidth / 2, width() - textWidth - 2));
    if (left < freeFrom) continue;
    painter.setPen(conflict ? kConflict : kInk);
    painter.drawText(QPointF(left, bar.bottom() + 4 + metrics.ascent()), time);
    freeFrom = left + textWidth + 4;
  }

  if (hasFocus()) {
    painter.setPen(QPen(kInk, 1, Qt::DotLine));
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

WeekOverview::WeekOverview(const WeekTable& table, QWidget* parent) : QWidget(parent, Qt::Window), table_(table) {
  setObjectName(QStringLiteral("WeekOverview"));
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
  resize(680, 420);
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
  text_->setAccessibleName(captions_.overviewTitle);
}
