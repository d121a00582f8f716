#include "plan_json.h"

#include <QJsonArray>

#include "config_compare.h"
#include "week_plan.h"

namespace {

QString timeText(int second) { return QString::fromStdString(planTime(second)); }

QJsonObject dayObject(int day, const DayPlan& plan) {
  QJsonArray switches, on, conflicts, unusable;
  for (const PlanSwitch& s : plan.switches)
    switches.append(QJsonObject{{QStringLiteral("entry"), s.entry + 1},
                                {QStringLiteral("time"), timeText(s.second)},
                                {QStringLiteral("action"), s.on ? QStringLiteral("ON") : QStringLiteral("OFF")}});
  for (const OnInterval& interval : plan.on)
    on.append(QJsonObject{{QStringLiteral("from"), timeText(interval.begin)}, {QStringLiteral("to"), timeText(interval.end)}});
  for (const PlanConflict& c : plan.conflicts) {
    QJsonArray entries;
    for (const int entry : c.entries) entries.append(entry + 1);
    conflicts.append(QJsonObject{{QStringLiteral("time"), timeText(c.second)},
                                 {QStringLiteral("entries"), entries},
                                 {QStringLiteral("decides"), c.decides + 1}});
  }
  for (const int entry : plan.unusable) unusable.append(entry + 1);
  return {{QStringLiteral("day"), QString::fromLatin1(dayName(day))},
          {QStringLiteral("switch_times"), switches},
          {QStringLiteral("on"), on},
          {QStringLiteral("conflicts"), conflicts},
          {QStringLiteral("unusable"), unusable}};
}

}  // namespace

QJsonObject planDocument(const QString& file, const TClockConfig& config) {
  QJsonObject settings;
  for (const Setting s : kAllSettings) settings.insert(QString::fromLatin1(settingName(s)), config.setting(s));
  const WeekPlan plan = weekPlan(config.week);
  QJsonArray days;
  for (int day = 0; day < WeekTable::kDays; ++day) days.append(dayObject(day, plan[static_cast<std::size_t>(day)]));
  return {{QStringLiteral("schema"), 1},
          {QStringLiteral("file"), file},
          {QStringLiteral("settings"), settings},
          {QStringLiteral("days"), days},
          {QStringLiteral("error"), QJsonValue(QJsonValue::Null)}};
}

QJsonObject planFailure(const QString& file, const QString& error) {
  return {{QStringLiteral("schema"), 1}, {QStringLiteral("file"), file}, {QStringLiteral("error"), error}};
}
