#include "show_plan.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <cstdio>

#include "argument_text.h"
#include "config_file_access.h"
#include "json_output.h"
#include "plan_json.h"
#include "plan_captions.h"
#include "plan_sheet.h"
#include "program_name.h"
#include "safe_write.h"
#include "week_plan.h"

namespace {

const QString kShowOption = QStringLiteral("show");
const QString kExportOption = QStringLiteral("export");

void fail(const QString& line) {
  std::fprintf(stderr, "%s: %s\n", kProgram, line.toLocal8Bit().constData());
}

std::optional<std::filesystem::path> absolutePath(const QString& name, const TStartFolder& start,
                                                  QString& error) {
  std::error_code noFolder;
  auto path = start.absolute(argumentBytes(name), noFolder);
  if (!noFolder) return path;
  error = shownName(name) + QStringLiteral(": the start folder cannot be found");
  return std::nullopt;
}

// The day's switch times in time order, then each set entry that is no time of day: a day with
// such an entry is not one without switch times.
std::string daySwitchTimes(const DayPlan& day, const PlanWords& words) {
  if (day.unusable.empty()) return switchTimesText(day, words);
  std::string text = day.switches.empty() ? std::string() : switchTimesText(day, words) + ", ";
  for (std::size_t i = 0; i < day.unusable.size(); ++i) {
    std::string entry = words.entry;
    entry.replace(entry.find("%1"), 2, std::to_string(day.unusable[i] + 1));
    text += (i ? ", " : "") + entry + " (no time of day)";
  }
  return text;
}

}  // namespace

void addShowOptions(QCommandLineParser& parser) {
  parser.addOption({kShowOption,
                    QStringLiteral("Print the configuration file <file>'s settings and, for each day, its switch "
                                   "times and when the relay is ON in timer mode; without a window."),
                    QStringLiteral("file")});
  parser.addOption({kExportOption,
                    QStringLiteral("With --show: also write the week plan to <plan>, a PDF or a PNG picture by "
                                   "its extension (.pdf or .png)."),
                    QStringLiteral("plan")});
}

bool showRequested(const QCommandLineParser& parser) {
  return parser.isSet(kShowOption) || parser.isSet(kExportOption);
}

std::optional<TShowRequest> showRequest(const QCommandLineParser& parser, const TStartFolder& start,
                                        QString& error) {
  if (!parser.isSet(kShowOption)) {
    error = QStringLiteral("--export goes with --show only.");
    return std::nullopt;
  }
  if (parser.values(kShowOption).size() > 1 || parser.values(kExportOption).size() > 1) {
    error = QStringLiteral("Each option may be given once.");
    return std::nullopt;
  }
  if (!parser.positionalArguments().isEmpty()) {
    error = QStringLiteral("Unexpected argument '%1'.").arg(shownName(parser.positionalArguments().first()));
    return std::nullopt;
  }
  for (const QString& option : {kShowOption, kExportOption}) {
    if (parser.isSet(option) && parser.value(option).isEmpty()) {
      error = QStringLiteral("--%1 needs a file name.").arg(option);
      return std::nullopt;
    }
  }
  TShowRequest request;
  request.file = shownName(parser.value(kShowOption));
  const auto path = absolutePath(parser.value(kShowOption), start, error);
  if (!path) return std::nullopt;
  request.path = *path;
  if (parser.isSet(kExportOption)) {
    const QString plan = parser.value(kExportOption);
    if (!plan.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive) &&
        !plan.endsWith(QLatin1String(".png"), Qt::CaseInsensitive)) {
      error = QStringLiteral("--export takes a name ending in .pdf or .png, not '%1'.").arg(shownName(plan));
      return std::nullopt;
    }
    request.exportFile = shownName(plan);
    const auto exportPath = absolutePath(plan, start, error);
    if (!exportPath) return std::nullopt;
    request.exportPath = *exportPath;
  }
  return request;
}

std::string showText(const TClockConfig& config) {
  std::string text;
  for (const Setting setting : kAllSettings)
    text += std::string(settingName(setting)) + " = " + std::to_string(config.setting(setting)) + '\n';
  const WeekPlan plan = weekPlan(config.week);
  const PlanWords& words = englishPlanWords();
  for (int day = 0; day < WeekTable::kDays; ++day) {
    text += words.days[day] + " switch times: " + daySwitchTimes(plan[day], words) + '\n';
    text += dayPlanLine(plan[day], day, words) + '\n';
  }
  return text;
}

int runShow(const TShowRequest& request, const std::function<void()>& startApplication) {
  const auto failed = [&request](const QString& line) {
    fail(line);
    if (request.json) printJson(planFailure(request.file, line));
    return 1;
  };
  TClockConfig config;
  if (const TProblem problem = loadConfigFile(request.path, config); problem.failed())
    return failed(request.file + QStringLiteral(": ") + QString::fromStdString(problem.text));
  startApplication();
  if (!request.exportFile.isEmpty()) {
    // In the language the file's own language setting selects, as the window's captions follow it.
    const PlanSheetInfo info{{PlanOrigin::Kind::File, request.file, {}},
                             QDateTime::currentDateTime(),
                             planCaptionsFor(config.setting(Setting::Language))};
    QString error;
    const QByteArray sheet = planSheetFile(request.exportFile, config, info, error);
    if (sheet.isEmpty()) return failed(request.exportFile + QStringLiteral(": ") + error);
    if (const TProblem problem = writeWholeFile(request.exportPath, std::string_view(sheet.data(), sheet.size()));
        problem.failed())
      return failed(request.exportFile + QStringLiteral(": ") + QString::fromLocal8Bit(problem.text));
  }
  if (request.json) return printJson(planDocument(request.file, config)) ? 0 : 1;
  const std::string text = showText(config);
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
  return 0;
}
