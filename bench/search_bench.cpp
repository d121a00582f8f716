// kelvox-setup --read without --port, in a folder of 16 ports: 15 silent pseudo-terminals
// (COM1..COM15) and the emulated clock on the last, COM16. The search asks every port at once,
// so it should cost about what one port costs, not 15 reply time-outs; beside it the same read
// with --port 16, and the search when no port answers, which ends after one reply time-out.
// Prints figures; asserts nothing.
#include <pty.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "emulator_process.h"

namespace {

constexpr int kRounds = 5;
constexpr int kPorts = 16;

// The whole command in seconds, and whether it ended with `status`.
double readOnce(const QString& folder, const QStringList& arguments, int status) {
  QProcess process;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) environment.remove(QString::fromLatin1(name));
  // Only the folder's ports: the machine's own are not part of the figure.
  environment.insert(QStringLiteral("KELVOX_SETUP_FOLDER_PORTS_ONLY"), QStringLiteral("1"));
  process.setProcessEnvironment(environment);
  process.setWorkingDirectory(folder);
  QElapsedTimer timer;
  timer.start();
  process.start(QStringLiteral(KVX_SETUP_PATH), arguments);
  if (!process.waitForFinished(20000) || process.exitCode() != status) {
    std::printf("kelvox-setup %s: %s", arguments.join(u' ').toLocal8Bit().constData(),
                process.readAllStandardError().constData());
    return -1;
  }
  return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? -1 : values[values.size() / 2];
}

void print(const char* what, const std::vector<double>& runs) {
  std::printf("  %-52s median %7.1f ms (of %zu)\n", what, median(runs) * 1000, runs.size());
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  std::printf("kvx_bench_search: kelvox-setup --read over %d ports, the clock on the last\n", kPorts);
  QTemporaryDir folder;
  std::vector<int> fds;
  for (int port = 1; port < kPorts; ++port) {
    int master = -1, slave = -1;
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) return 0;
    fds.insert(fds.end(), {master, slave});
    QFile::link(QString::fromLatin1(name), folder.filePath(QStringLiteral("COM%1").arg(port)));
  }
  std::vector<double> searched, direct, silent;
  {
    EmulatorProcess clock(folder.path().toStdString(), {"--save="}, kPorts);
    if (!clock.start()) {
      std::printf("the emulator did not start\n");
      return 0;
    }
    for (int round = 0; round < kRounds; ++round) {
      if (const double s = readOnce(folder.path(), {"--read", "read.cfg"}, 0); s >= 0) searched.push_back(s);
      if (const double s = readOnce(folder.path(), {"--read", "read.cfg", "--port", "16"}, 0); s >= 0)
        direct.push_back(s);
    }
  }
  for (int round = 0; round < 2; ++round)
    if (const double s = readOnce(folder.path(), {"--read", "read.cfg"}, 1); s >= 0) silent.push_back(s);
  print("search over 16 ports, the clock on COM16", searched);
  print("--port 16, no search", direct);
  std::printf("  the search costs %.1f ms over the direct read\n", (median(searched) - median(direct)) * 1000);
  print("search over 15 silent ports (one reply time-out: 3000 ms)", silent);
  for (int fd : fds) ::close(fd);
  return 0;
}
