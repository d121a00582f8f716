#include <QDateTime>
#include <QFileDialog>

#include "KVX_Setup.h"
#include "TimerPage.h"
#include "captions.h"
#include "local_files.h"
#include "plan_captions.h"
#include "plan_sheet.h"
#include "safe_write.h"

// --- The week plan on paper ---------------------------------------------------------------------

bool TForm1::exportWeekPlan(const QString& path) {
  const PlanCaptions& captions = planCaptionsFor(language());
  PlanSheetInfo info{planOrigin_, QDateTime::currentDateTime(), captions};
  QString error;
  const QByteArray sheet = planSheetFile(path, heldConfiguration(), info, error);
  if (!sheet.isEmpty()) {
    const TProblem problem =
        writeWholeFile(localPath(path), std::string_view(sheet.data(), sheet.size()), WriteMode::ReplaceOnly);
    if (!problem.failed()) return true;
    const QString said = fileProblemText(problem.kind, language());
    error = said.isEmpty() ? QString::fromStdString(problem.text) : said;
  }
  showHeldBox(captions.exportError + QStringLiteral("\n") + path + QStringLiteral(": ") + error);
  return false;
}

void TForm1::ExportWeekPlanClick() {
  QString caption = planCaptionsFor(language()).exportPlan;
  caption.remove(QLatin1Char('&'));
  caption.remove(QChar(0x2026));  // the ellipsis
  QString chosenFilter;
  QString path = QFileDialog::getSaveFileName(this, caption, QString(), QStringLiteral("PDF (*.pdf);;PNG (*.png)"),
                                              &chosenFilter);
  if (path.isEmpty()) return;
  // A name without either extension takes the one of the chosen kind.
  if (!path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive) &&
      !path.endsWith(QLatin1String(".png"), Qt::CaseInsensitive))
    path += chosenFilter.startsWith(QLatin1String("PNG")) ? QStringLiteral(".png") : QStringLiteral(".pdf");
  exportWeekPlan(path);
}
