#include "startup_read_hook.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "KVX_Setup.h"

namespace {

constexpr int kGiveUpMs = 30000;  // a run that never ends (a box left open) ends the test too

// How the run ends. The first ending decides: a failure already printed is never turned into a
// success.
class RunEnding {
 public:
  void quit(int status) {
    if (ended_) return;
    ended_ = true;
    std::fflush(stdout);
    // From inside a handler too: the exit is taken up by the main loop.
    QTimer::singleShot(0, [status] { QCoreApplication::exit(status); });
  }

 private:
  bool ended_ = false;
};

// Nobody is there to close a box: what it says is printed. In a send any box means the run has
// failed; after a bare start-up read the no-answer box comes before the read's end is reported.
class PrintedBoxes : public TMessageBoxes {
 public:
  PrintedBoxes(std::shared_ptr<RunEnding> ending, bool boxEndsRun)
      : ending_(std::move(ending)), boxEndsRun_(boxEndsRun) {}

  void showPlain(const QString& text) override {
    print("box", text);
    if (boxEndsRun_) ending_->quit(1);
  }
  RelayAnswer askRelay(const QString& text) override {
    print("relay question answered No", text);
    return RelayAnswer::No;
  }

 private:
  static void print(const char* what, QString text) {
    std::printf("%s: %s\n", what, qPrintable(text.replace(QLatin1Char('\n'), QLatin1Char(' '))));
  }

  std::shared_ptr<RunEnding> ending_;
  bool boxEndsRun_;
};

// The page control is enabled once the first read has ended, by the clock's answer or by the
// no-answer time-out; clockfound then says which.
class StartupReadWatch : public QObject {
 public:
  StartupReadWatch(std::shared_ptr<RunEnding> ending, TForm1& form, QTabWidget* pages, QLabel* clockFound,
                   QPushButton* send, QString sendFile)
      : QObject(pages),
        ending_(std::move(ending)),
        form_(form),
        clockFound_(clockFound),
        send_(send),
        sendFile_(std::move(sendFile)) {
    pages->installEventFilter(this);
  }

  void giveUp() {
    std::printf("the run did not end within %d s\n", kGiveUpMs / 1000);
    ending_->quit(1);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!readEnded_ && event->type() == QEvent::EnabledChange && static_cast<QWidget*>(watched)->isEnabled()) {
      readEnded_ = true;
      // After the handler that enabled the page, which sets clockfound last.
      QTimer::singleShot(0, this, [this] { readEnded(); });
    }
    return false;
  }

 private:
  void readEnded() {
    const bool answered = clockFound_->text() == QLatin1String("OK");
    std::printf("start-up read ended: clockfound %s\n", qPrintable(clockFound_->text()));
    if (sendFile_.isEmpty() || !answered) return ending_->quit(answered ? 0 : 1);
    if (!form_.openConfigurationFile(sendFile_)) return;  // its box has said why
    // With "Verify after sending", after the read-back; a difference has ended the run with its box.
    connect(&form_, &TForm1::sendEnded, this, [this] {
      std::printf("send ended: the clock acknowledged the last command\n");
      ending_->quit(0);
    });
    send_->click();
  }

  std::shared_ptr<RunEnding> ending_;
  TForm1& form_;
  QLabel* clockFound_;
  QPushButton* send_;
  QString sendFile_;
  bool readEnded_ = false;
};

}  // namespace

void quitAfterStartupReadWhenAsked(TForm1& form, const TStartupReadHook& hook) {
  const QString& sendFile = hook.sendFile;
  if (!hook.quitAfterRead && sendFile.isEmpty()) return;
  const auto ending = std::make_shared<RunEnding>();
  auto* pages = form.findChild<QTabWidget*>(QStringLiteral("Settings"));
  auto* clockFound = form.findChild<QLabel*>(QStringLiteral("clockfound"));
  auto* send = form.findChild<QPushButton*>(QStringLiteral("SendToClock"));
  if (pages == nullptr || clockFound == nullptr || send == nullptr) {
    std::fputs("start-up read hook: the window lacks its Settings page, clockfound or SendToClock\n", stderr);
    ending->quit(1);
    return;
  }
  // A box left open would hold the run until the give-up limit.
  form.setMessageBoxes(std::make_unique<PrintedBoxes>(ending, !sendFile.isEmpty()));
  auto* watch = new StartupReadWatch(ending, form, pages, clockFound, send, sendFile);
  QTimer::singleShot(kGiveUpMs, watch, [watch] { watch->giveUp(); });
}
