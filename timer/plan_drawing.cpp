#include "plan_drawing.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <vector>

namespace plandraw {

void drawDay(QPainter& painter, const QRectF& bar, const DayPlan& plan, double tickBelow, double rightLimit,
             int lines) {
  painter.save();
  painter.setPen(QPen(kHourLine, 0));
  for (int hour = 0; hour <= 24; ++hour)
    painter.drawLine(QPointF(xOf(bar, hour * 3600), bar.top()), QPointF(xOf(bar, hour * 3600), bar.bottom()));
  for (const OnInterval& on : plan.on)
    painter.fillRect(QRectF(QPointF(xOf(bar, on.begin), bar.top()), QPointF(xOf(bar, on.end), bar.bottom())), kOn);
  painter.setPen(QPen(kInk, 1));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(bar);

  const QFontMetricsF metrics(painter.font());
  std::vector<double> freeFrom(static_cast<std::size_t>(std::max(1, lines)), -1e9);  // per line of times
  for (const PlanSwitch& s : plan.switches) {
    const bool conflict = std::any_of(plan.conflicts.begin(), plan.conflicts.end(),
                                      [&s](const PlanConflict& c) { return c.second == s.second; });
    const double x = xOf(bar, s.second);
    const std::string time = planTime(s.second);
    const QString text = QString::fromLatin1(time.data(), qsizetype(time.size()));
    const double width = metrics.horizontalAdvance(text);
    const double left = std::max(bar.left(), std::min(x - width / 2, rightLimit - width));
    const auto line = std::find_if(freeFrom.begin(), freeFrom.end(), [left](double free) { return left >= free; });
    const double textTop = bar.bottom() + tickBelow + double(line - freeFrom.begin()) * metrics.height();
    painter.setPen(QPen(conflict ? kConflict : kInk, conflict ? 3 : 1.5));
    painter.drawLine(QPointF(x, bar.top()), QPointF(x, bar.bottom() + tickBelow));
    if (line == freeFrom.end()) continue;
    painter.setPen(conflict ? kConflict : kInk);
    painter.drawText(QPointF(left, textTop + metrics.ascent()), text);
    *line = left + width + 4;
  }
  painter.restore();
}

void drawHours(QPainter& painter, const QRectF& bar, double top, double height) {
  painter.save();
  painter.setPen(kInk);
  // Every hour when there is room for its number, else every third or sixth.
  const double widest = QFontMetricsF(painter.font()).horizontalAdvance(QStringLiteral("24")) + 6;
  int step = 1;
  while (step < 6 && bar.width() / 24 * step < widest) step = step == 1 ? 3 : 6;
  for (int hour = 0; hour <= 24; hour += step)
    painter.drawText(QRectF(xOf(bar, hour * 3600) - 20, top, 40, height), Qt::AlignHCenter | Qt::AlignBottom,
                     QString::number(hour));
  painter.restore();
}

}  // namespace plandraw
