#pragma once
// The drawing of a day of the week plan, with a painter only (no widgets): the week overview's
// rows draw it on the screen and the plan sheet on paper, so both show the same.
#include <QColor>
#include <QRectF>

#include "week_plan.h"

class QPainter;

namespace plandraw {

// The colours, fixed so that they keep their contrast on white whatever the style.
inline const QColor kBackground{255, 255, 255};
inline const QColor kOn{26, 86, 168};        // the relay is ON
inline const QColor kConflict{179, 38, 30};  // entries of one second disagree
inline const QColor kInk{31, 31, 31};        // names, ticks and times
inline const QColor kHourLine{200, 200, 200};

// Where a second of the day lies on a bar that spans the 24 hours.
inline double xOf(const QRectF& bar, int second) { return bar.left() + bar.width() * second / kSecondsPerDay; }

// The bar of one day: hour marks, the ON intervals filled, a tick for each switch time reaching
// `tickBelow` under the bar with its time there, on the first of `lines` lines of times where it
// does not overlap the time before it (left out where none is free), conflicts in their colour.
// The painter's font sets the size of the times.
void drawDay(QPainter& painter, const QRectF& bar, const DayPlan& plan, double tickBelow, double rightLimit,
             int lines = 2);
// The hour numbers over a bar's span, on the line of height `height` at `top`.
void drawHours(QPainter& painter, const QRectF& bar, double top, double height);

}  // namespace plandraw
