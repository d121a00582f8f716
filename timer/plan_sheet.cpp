#include "plan_sheet.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <cstdlib>

#include "plan_drawing.h"

namespace {

// The page in the painter's units: A4 at 96 units to the inch.
constexpr double kPageWidth = 794, kPageHeight = 1123, kMargin = 48;
constexpr int kResolution = 96;
constexpr double kPngScale = 2;  // the picture's pixels to a unit

QString utf8(const std::string& text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

QFont pixelFont(double size, bool bold = false) {
  QFont font(QStringLiteral("Sans Serif"));
  font.setPixelSize(int(size));
  font.setBold(bold);
  // No ligatures: the words of the PDF stay plain letters for a reader that copies or searches them.
  font.setStyleStrategy(QFont::PreferNoShaping);
  return font;
}

// Writes lines from the top, each of the painter's font height; gives the next free line.
double writeLines(QPainter& painter, double top, const QStringList& lines, double width) {
  const QFontMetricsF metrics(painter.font());
  for (const QString& line : lines) {
    const QRectF room(kMargin, top, width, kPageHeight);
    const QRectF used = painter.boundingRect(room, Qt::TextWordWrap, line);
    painter.drawText(room, Qt::TextWordWrap, line);
    top += std::max(used.height(), metrics.height());
  }
  return top;
}

// An entry as the table shows it: its time and action as stored, or a dash when deleted.
QString entryCell(const TSwitchTime& entry) {
  if (entry.isDeleted()) return QStringLiteral("\u2013");
  const SwitchFields time = entry.time();
  return QString::fromLatin1((time.hour + ':' + time.minute + ':' + time.second).c_str()) +
         (entry.isOn() ? QStringLiteral(" ON") : QStringLiteral(" OFF"));
}

// Hours in the sheet's words: "+1 hour", "-5 hours", "72 hours"; signed for an offset.
QString hoursText(int hours, const PlanSheetWords& words, bool signedOffset) {
  const QString number = signedOffset && hours > 0 ? QStringLiteral("+%1").arg(hours) : QString::number(hours);
  return (std::abs(hours) == 1 ? words.hour : words.hours).arg(number);
}

QString originText(const PlanOrigin& origin, const PlanSheetWords& words) {
  switch (origin.kind) {
    case PlanOrigin::Kind::File:
      return words.fromFile.arg(origin.name);
    case PlanOrigin::Kind::Clock:
      return words.fromClock.arg(origin.name, origin.read.toString(QStringLiteral("yyyy-MM-dd HH:mm")));
    case PlanOrigin::Kind::Nowhere:
      break;
  }
  return words.fromNowhere;
}

QString settingsLine(const TClockConfig& config, const PlanSheetWords& words) {
  const int relay = config.setting(Setting::RelayMode);
  const QString relayText = relay >= 0 && relay < int(words.relayModes.size())
                                ? words.relayModes[std::size_t(relay)]
                                : QString::number(relay);
  return QStringList{words.language.arg(planLanguageName(config.setting(Setting::Language))),
                     words.relay.arg(relayText),
                     words.utc.arg(hoursText(config.setting(Setting::UtcOffset), words, true)),
                     words.dls.arg(config.setting(Setting::DaylightSaving) ? words.on : words.off),
                     words.timeout.arg(hoursText(config.setting(Setting::ValidTimeout), words, false))}
      .join(QStringLiteral(" \u00b7 "));
}

void drawSheet(QPainter& painter, const TClockConfig& config, const PlanSheetInfo& info) {
  painter.fillRect(QRectF(0, 0, kPageWidth, kPageHeight), plandraw::kBackground);
  painter.setPen(plandraw::kInk);
  const double width = kPageWidth - 2 * kMargin;
  const WeekPlan plan = weekPlan(config.week);

  const PlanWords& words = info.captions.words;

  painter.setFont(pixelFont(20, true));
  double top = writeLines(painter, kMargin, {info.captions.sheet.title}, width) + 4;
  painter.setFont(pixelFont(11));
  top = writeLines(painter, top, planSheetHeading(config, info), width) + 12;

  // The chart: the hours over seven rows.
  double nameWidth = 0;
  for (const std::string& day : words.days)
    nameWidth = std::max(nameWidth, QFontMetricsF(painter.font()).horizontalAdvance(utf8(day)));
  const QRectF span(kMargin + nameWidth + 8, top, width - nameWidth - 16, 16);
  plandraw::drawHours(painter, span, top, 16);
  top += 18;
  painter.setFont(pixelFont(8));
  for (int day = 0; day < WeekTable::kDays; ++day) {
    const QRectF bar(span.left(), top, span.width(), 22);
    painter.setFont(pixelFont(11));
    painter.setPen(plandraw::kInk);
    painter.drawText(QRectF(kMargin, top, nameWidth, 22), Qt::AlignVCenter, utf8(words.days[day]));
    painter.setFont(pixelFont(8));
    plandraw::drawDay(painter, bar, plan[day], 3, kPageWidth - kMargin);
    top += 44;
  }

  painter.setFont(pixelFont(10));
  painter.setPen(plandraw::kInk);
  top = writeLines(painter, top, {info.captions.rule}, width) + 8;
  QStringList lines;
  for (int day = 0; day < WeekTable::kDays; ++day) lines << utf8(dayPlanLine(plan[day], day, words));
  top = writeLines(painter, top, lines, width) + 16;

  // The table of the 56 switch times, as the Timer page lists them.
  const double cellWidth = (width - nameWidth - 8) / WeekTable::kEntries;
  const double rowHeight = 18;
  painter.setFont(pixelFont(10, true));
  for (int entry = 0; entry < WeekTable::kEntries; ++entry)
    painter.drawText(QRectF(kMargin + nameWidth + 8 + entry * cellWidth, top, cellWidth, rowHeight), Qt::AlignVCenter,
                     utf8(words.entry).arg(entry + 1));
  painter.setFont(pixelFont(10));
  for (int day = 0; day < WeekTable::kDays; ++day) {
    top += rowHeight;
    painter.drawLine(QPointF(kMargin, top), QPointF(kPageWidth - kMargin, top));
    painter.drawText(QRectF(kMargin, top, nameWidth, rowHeight), Qt::AlignVCenter, utf8(words.days[day]));
    for (int entry = 0; entry < WeekTable::kEntries; ++entry)
      painter.drawText(QRectF(kMargin + nameWidth + 8 + entry * cellWidth, top, cellWidth, rowHeight),
                       Qt::AlignVCenter, entryCell(config.week.at(day, entry)));
  }
}

}  // namespace

QStringList planSheetHeading(const TClockConfig& config, const PlanSheetInfo& info) {
  const PlanSheetWords& words = info.captions.sheet;
  return {words.date.arg(info.date.toString(QStringLiteral("yyyy-MM-dd HH:mm"))),
          words.from.arg(originText(info.origin, words)), settingsLine(config, words)};
}

QByteArray planSheetFile(const QString& fileName, const TClockConfig& config, const PlanSheetInfo& info,
                         QString& error) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  if (fileName.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)) {
    QPdfWriter pdf(&buffer);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageMargins(QMarginsF());
    pdf.setResolution(kResolution);
    pdf.setTitle(info.captions.sheet.title);
    pdf.setCreator(QStringLiteral("KELVOX setup program"));
    QPainter painter;
    if (!painter.begin(&pdf)) {
      error = QStringLiteral("the PDF could not be made");
      return {};
    }
    drawSheet(painter, config, info);
    painter.end();
  } else if (fileName.endsWith(QLatin1String(".png"), Qt::CaseInsensitive)) {
    QImage image(int(kPageWidth * kPngScale), int(kPageHeight * kPngScale), QImage::Format_RGB32);
    image.setDevicePixelRatio(kPngScale);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    drawSheet(painter, config, info);
    painter.end();
    if (!image.save(&buffer, "PNG")) {
      error = QStringLiteral("the picture could not be made");
      return {};
    }
  } else {
    error = QStringLiteral("the name must end in .pdf or .png");
    return {};
  }
  return buffer.data();
}
