#pragma once
// The texts of the week plan's controls and windows in one interface language: the window's
// caption sets hold one of these for each language. Pure data.
#include <QString>
#include <array>

#include "week_plan.h"

// The plan sheet's own words; each %1 stands for a value, the clock's %2 for when it was read.
struct PlanSheetWords {
  QString title;     // "KELVOX week plan"
  QString date;      // "Date: %1"
  QString from;      // "From: %1"
  QString fromFile;  // "file %1"
  QString fromClock;  // "the clock on %1, read %2"
  QString fromNowhere;  // "not read from a clock or a file"
  QString language;  // "Language: %1"
  QString relay;     // "Mains relay: %1"
  std::array<QString, 4> relayModes;  // by relay mode: "Off", "On", "Time not valid", "Timer"
  QString utc;       // "UTC offset: %1"
  QString dls;       // "Daylight saving: %1"
  QString timeout;   // "Time not valid timeout: %1"
  QString hour;      // "%1 hour"
  QString hours;     // "%1 hours"
  QString on;        // "on"
  QString off;       // "off"
};

struct PlanCaptions {
  QString overview;        // the button and menu item that open the week overview: "Week overview…"
  QString overviewTitle;   // its window: "Week overview"
  QString rule;            // the line under the chart that says how it is drawn
  QString dayMenu;         // the button that opens the day's menu: "Day…"
  QString copyDay;         // %1 the day: "Copy %1 to…"
  QString clearDay;        // %1 the day: "Clear %1"
  QString copyTitle;       // %1 the day: the copy box's caption "Copy %1 to"
  QString mondayToFriday;  // "Monday to Friday"
  QString everyDay;        // "every day"
  QString undo;            // "Undo copy or clear"
  QString exportPlan;      // "Export week plan…"
  QString exportError;     // first line of the box when the plan cannot be written; name and reason follow
  PlanWords words;         // the words of the plan's text, UTF-8
  PlanSheetWords sheet;    // the plan sheet's own words
};

// The English texts: the page's own before the first language switch, and the English caption set's.
const PlanCaptions& englishPlanCaptions();
// The texts for a language index, as the window's caption sets hold them: Dutch (0), German (1),
// English (2); "Francais", "Polski" and any other index take the English ones.
const PlanCaptions& planCaptionsFor(int language);
// The name of the clock's language setting's value: "Nederlands" .. "Polski"; the number itself
// outside 0..4.
QString planLanguageName(int language);
