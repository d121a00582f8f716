#include "doctor_run.h"

#include <QCommandLineParser>
#include <cstdio>

#include "connection_check.h"
#include "desktop.h"
#include "exit_signals.h"

namespace {

const QString kDoctorOption = QStringLiteral("doctor");
constexpr int kEnglish = 2;

}  // namespace

void addDoctorOption(QCommandLineParser& parser) {
  parser.addOption({kDoctorOption,
                    QStringLiteral("Looks for the clock on every port and says for each port why it did not "
                                   "answer, and the fix; exit code 0 when a clock answers. Without a window.")});
}

bool doctorRequested(const QCommandLineParser& parser) { return parser.isSet(kDoctorOption); }

int runDoctor(const TPortList& list, const TSystemFacts& facts) {
  TConnectionCheck check(list.ports());
  // Ctrl+C ends the look at once, and every port is closed in order.
  bool interrupted = false;
  const TExitSignals interrupts([&](int) {
    interrupted = true;
    check.interrupt();
  });
  check.run();
  QString text;
  for (const QString& line : connectionCheckLines(check, facts, kEnglish)) text += line + u'\n';
  desktop::write(stdout, text);
  if (std::fflush(stdout) != 0) return 1;
  return check.clockAnswered() && !interrupted ? 0 : 1;
}
