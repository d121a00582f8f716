#include "startup_read_hook.h"

#include <QCoreApplication>
#include <QLabel>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>

#include "KVX_Setup.h"

namespace {

constexpr char kVariable[] = "KELVOX_SETUP_QUIT_AFTER_STARTUP_READ";
constexpr int kGiveUpMs = 30000;  // a read that never ends (a box left open) ends the test too

// The page control is enabled once the first read has ended, by the clock's answer or by the
// no-answer time-out; clockfound then says which.
class StartupReadWatch : public QObject {
 public:
  StartupReadWatch(QTabWidget* pages, QLabel* clockFound) : QObject(pages), clockFound_(clockFound) {
    pages->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::EnabledChange && static_cast<QWidget*>(watched)->isEnabled()) {
      // After the handler that enabled the page, which sets clockfound last.
      QTimer::singleShot(0, this, [this] { finish(); });
    }
    return false;
  }

 public:
  void finish() {
    std::printf("start-up read ended: clockfound %s\n", qPrintable(clockFound_->text()));
    std::fflush(stdout);
    QCoreApplication::exit(clockFound_->text() == QLatin1String("OK") ? 0 : 1);
  }

  void giveUp() {
    std::printf("start-up read did not end within %d s\n", kGiveUpMs / 1000);
    std::fflush(stdout);
    QCoreApplication::exit(1);
  }

 private:
  QLabel* clockFound_;
};

}  // namespace

void quitAfterStartupReadWhenAsked(TForm1& form) {
  if (qEnvironmentVariableIsEmpty(kVariable)) return;
  auto* pages = form.findChild<QTabWidget*>(QStringLiteral("Settings"));
  auto* clockFound = form.findChild<QLabel*>(QStringLiteral("clockfound"));
  if (pages == nullptr || clockFound == nullptr) {
    std::fputs("start-up read hook: the window has no Settings page or clockfound label\n", stderr);
    QTimer::singleShot(0, [] { QCoreApplication::exit(1); });
    return;
  }
  auto* watch = new StartupReadWatch(pages, clockFound);
  QTimer::singleShot(kGiveUpMs, watch, [watch] { watch->giveUp(); });
}
