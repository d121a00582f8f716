// Saves pictures of the window after it has read the emulator's clock: the Settings page and the
// Timer page in English, then both pages in Dutch and the Settings page in German (the letters
// outside ASCII among them). Usage: kvx_window_pictures [FOLDER] (default docs); the files are
// window-settings.png, window-timer.png, window-dutch-settings.png, window-dutch-timer.png and
// window-german-settings.png; last the week overview after Monday is copied to the other
// working days and Friday ends later, window-week-overview.png.
#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QSpinBox>
#include <QTabWidget>
#include <chrono>
#include <cstdio>

#include "TimerPage.h"
#include "week_overview.h"
#include "bench_support.h"
#include "evidence_support.h"
#include "radio_group.h"

namespace {

bool save(QWidget& window, const QString& path) {
  const bool saved = window.grab().save(path);
  std::printf("%s %s\n", saved ? "saved" : "could not save", qPrintable(path));
  return saved;
}

}  // namespace

int main(int argc, char** argv) {
  bench::useOffscreenPlatform();
  QApplication app(argc, argv);
  // The folder is taken before the window's scratch folder becomes the current directory.
  const QDir out(QDir::current().absoluteFilePath(argc > 1 ? QString::fromLocal8Bit(argv[1]) : "docs"));
  if (!out.mkpath(QStringLiteral("."))) {
    std::printf("cannot create %s\n", qPrintable(out.path()));
    return 1;
  }

  evidence::WindowOnClock w;
  if (!w.startClock()) {
    std::printf("the emulator did not start\n");
    return 1;
  }
  w.createWindow();
  w.startUp();
  if (!evidence::runUntil([&] { return w.transferDone(0); }, std::chrono::seconds(10))) {
    std::printf("the read did not end\n");
    return 1;
  }
  bool saved = save(w.form(), out.filePath(QStringLiteral("window-settings.png")));

  // The Timer page on Monday, its third switch time selected in the editor.
  w.child<QTabWidget>("Settings")->setCurrentIndex(1);
  w.form().timerPage().timeList()->setCurrentRow(2);
  w.form().timerPage().CheckTimerNummerClick();
  evidence::idleFor(std::chrono::milliseconds(50));
  saved = save(w.form(), out.filePath(QStringLiteral("window-timer.png"))) && saved;

  // The same window in Dutch and in German.
  auto* language = w.child<TRadioGroup>("Language");
  language->setItemIndex(0);
  saved = save(w.form(), out.filePath(QStringLiteral("window-dutch-timer.png"))) && saved;
  w.child<QTabWidget>("Settings")->setCurrentIndex(0);
  saved = save(w.form(), out.filePath(QStringLiteral("window-dutch-settings.png"))) && saved;
  language->setItemIndex(1);
  saved = save(w.form(), out.filePath(QStringLiteral("window-german-settings.png"))) && saved;

  // The week overview in English, Monday's times copied to Tuesday .. Friday, Friday's OFF later
  // and Saturday switched on into Sunday.
  language->setItemIndex(2);
  TimerPage& page = w.form().timerPage();
  page.copyDay(0, {1, 2, 3, 4});
  page.selectDay(4);
  page.WeekdaysTabChange();
  page.timeList()->setCurrentRow(1);
  page.CheckTimerNummerClick();
  page.hourSpin()->setValue(23);
  page.openOverview();
  WeekOverview* overview = page.overview();
  overview->resize(720, 640);
  evidence::idleFor(std::chrono::milliseconds(50));
  saved = save(*overview, out.filePath(QStringLiteral("window-week-overview.png"))) && saved;
  return saved ? 0 : 1;
}
