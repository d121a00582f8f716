#pragma once
// The week plan on paper, for the cabinet door: one A4 page with the settings, the date, where the
// configuration came from, the overview's chart and text, and the table of the 56 switch times.
// Drawn with a painter only, so it is made without a window or a display.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include "config_file.h"
#include "plan_captions.h"
#include "week_plan.h"

// Where the configuration came from.
struct PlanOrigin {
  enum class Kind { Nowhere, File, Clock };
  Kind kind = Kind::Nowhere;
  QString name;    // the file, or the port the clock was read on
  QDateTime read;  // when the clock was read
};

struct PlanSheetInfo {
  PlanOrigin origin;
  QDateTime date;  // when the sheet was made
  PlanCaptions captions = englishPlanCaptions();  // the sheet's language
};

// The sheet's lines above the chart, in its language: the date, where the configuration came
// from, and the five settings in words ("Language: English · Mains relay: Timer · ...").
QStringList planSheetHeading(const TClockConfig& config, const PlanSheetInfo& info);

// The sheet as the whole contents of a file: PDF when fileName ends in ".pdf", PNG when in ".png"
// (in any case); empty, with the reason in error, for any other name or when it cannot be made.
QByteArray planSheetFile(const QString& fileName, const TClockConfig& config, const PlanSheetInfo& info,
                         QString& error);
