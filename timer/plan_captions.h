#pragma once
// The texts of the week plan's controls and windows in one interface language: the window's
// caption sets hold one of these for each language. Pure data.
#include <QString>

#include "week_plan.h"

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
};

// The English texts: the page's own before the first language switch, and the English caption set's.
inline const PlanCaptions& englishPlanCaptions() {
  static const PlanCaptions captions{
      QStringLiteral("Week overview…"),
      QStringLiteral("Week overview"),
      QStringLiteral("Switch times act in time order through the week, each setting the relay ON or OFF at "
                     "its second; the state carries over midnight and from Sunday into Monday. No switch "
                     "time: OFF all week. Two times of one day at one second that disagree are a conflict "
                     "(red): the later one in the list acts."),
      QStringLiteral("Day…"),
      QStringLiteral("&Copy %1 to…"),
      QStringLiteral("C&lear %1"),
      QStringLiteral("Copy %1 to"),
      QStringLiteral("Monday to Friday"),
      QStringLiteral("every day"),
      QStringLiteral("&Undo copy or clear"),
      QStringLiteral("&Export week plan…"),
      QStringLiteral("The week plan cannot be saved:"),
      englishPlanWords(),
  };
  return captions;
}
