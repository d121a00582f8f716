// kelvox-setup --send against the paced emulator, with the read-back that verifies the send and
// with --no-verify: the whole command from start to end, against the wire floor of what went over
// the line. Prints figures; asserts nothing.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_support.h"
#include "emulator_process.h"

namespace {

constexpr int kRounds = 5;

struct Run {
  double seconds = -1;  // the command from start to end; -1: it failed
  bench::Traffic traffic;
};

Run sendOnce(const QString& folder, EmulatorProcess& clock, const QStringList& arguments) {
  const std::size_t logBefore = clock.log().size();
  QProcess process;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
    environment.remove(QString::fromLatin1(name));
  process.setProcessEnvironment(environment);
  process.setWorkingDirectory(folder);
  QElapsedTimer timer;
  timer.start();
  process.start(QStringLiteral(KVX_SETUP_PATH), arguments);
  if (!process.waitForFinished(20000) || process.exitStatus() != QProcess::NormalExit ||
      process.exitCode() != 0) {
    std::printf("kelvox-setup %s failed: %s", arguments.join(u' ').toLocal8Bit().constData(),
                process.readAllStandardError().constData());
    return {};
  }
  Run run;
  run.seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
  run.traffic = bench::trafficIn(clock.log().substr(logBefore));
  return run;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  std::printf("kvx_bench_send_verify: kelvox-setup --send against the paced kelvox-clock-emulator\n");
  QTemporaryDir folder;
  const QString file = folder.filePath(QStringLiteral("send.cfg"));
  // The emulator's own configuration, saved by a read: what is sent then is a whole week.
  EmulatorProcess clock(folder.path().toStdString(), {"--pace", "--save="});
  if (!clock.start()) {
    std::printf("the emulator did not start\n");
    return 0;
  }
  if (sendOnce(folder.path(), clock,
               {QStringLiteral("--read"), file, QStringLiteral("--port"), QStringLiteral("1")})
          .seconds < 0)
    return 0;
  bench::heading("kelvox-setup --send, paced clock, 19200 baud 8E1 (median of 5 runs each)");
  double verifiedLine = 0;
  for (const bool verify : {true, false}) {
    QStringList arguments{QStringLiteral("--send"), file, QStringLiteral("--port"), QStringLiteral("1")};
    if (!verify) arguments << QStringLiteral("--no-verify");
    std::vector<double> wall, lineTime, floor;
    bench::Traffic traffic;
    for (int round = 0; round < kRounds; ++round) {
      const Run run = sendOnce(folder.path(), clock, arguments);
      if (run.seconds < 0) return 0;
      traffic = run.traffic;
      wall.push_back(run.seconds);
      // The pseudo-terminal hands the program's commands over at once; on the cable they take
      // their 11 bits a byte as well.
      lineTime.push_back(run.seconds + traffic.toClock * bench::kSecondsPerByte);
      floor.push_back(traffic.both() * bench::kSecondsPerByte);
    }
    const std::string name = verify ? "send, verified" : "send, --no-verify";
    const double l = bench::quantile(lineTime, 0.5), f = bench::quantile(floor, 0.5);
    bench::row(name + ": bytes to clock / from clock",
               std::to_string(traffic.toClock) + " / " + std::to_string(traffic.fromClock));
    bench::row(name + ": wire floor (all bytes x 11 / 19200)", bench::format("%.1f ms", f * 1000));
    bench::row(name + ": command, start to end", bench::format("%.1f ms", bench::quantile(wall, 0.5) * 1000));
    bench::row(name + ": time, commands at line speed", bench::format("%.1f ms", l * 1000));
    bench::row(name + ": ratio to the wire floor", bench::format("%.3f", l / f));
    if (verify)
      verifiedLine = l;
    else
      bench::row("what the read-back costs", bench::format("%.1f ms", (verifiedLine - l) * 1000));
  }
  return 0;
}
