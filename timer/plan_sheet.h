#pragma once
// The week plan on paper, for the cabinet door: one A4 page with the settings, the date, where the
// configuration came from, the overview's chart and text, and the table of the 56 switch times.
// Drawn with a painter only, so it is made without a window or a display.
#include <QByteArray>
#include <QDateTime>
#include <QString>

#include "config_file.h"
#include "week_plan.h"

struct PlanSheetInfo {
  QString origin;     // where the configuration came from: the port and the clock, or a file
  QDateTime date;     // when the sheet was made
  QString rule;       // the line that says how the chart is drawn
  PlanWords words = englishPlanWords();
};

// The sheet as the whole contents of a file: PDF when fileName ends in ".pdf", PNG when in ".png"
// (in any case); empty, with the reason in error, for any other name or when it cannot be made.
QByteArray planSheetFile(const QString& fileName, const TClockConfig& config, const PlanSheetInfo& info,
                         QString& error);
