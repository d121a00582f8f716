#pragma once
// The real kelvox-setup, run as a user's script runs it: without a display, standard error no terminal.
#include <signal.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <chrono>
#include <csignal>
#include <functional>

#include "window_support.h"

struct RunResult {
  int exitCode;
  QString stderrText;
  QByteArray stdoutBytes = {};
};

// Runs kelvox-setup in the current folder (the test's CurrentFolder) without a display; standard
// error is no terminal.
// terminateWhen: sends SIGTERM once it holds, as a user's Ctrl-C would end the program.
// ignored: the program starts with that signal ignored, as nohup starts it for SIGHUP.
// A clock that falls silent needs only that a time-out happens: the reply time-out is 1 s, a third
// of the designed one, which still leaves a busy machine time between two replies, unless the
// caller gives another.
inline RunResult runSetup(const QStringList& arguments, const std::function<bool()>& terminateWhen = nullptr,
                          int signal = SIGTERM, bool ignored = false,
                          std::chrono::milliseconds replyTimeout = std::chrono::milliseconds(1000)) {
  QProcess process;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.remove(QStringLiteral("DISPLAY"));
  environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
  environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
  environment.insert(QStringLiteral("KELVOX_SETUP_REPLY_TIMEOUT_MS"), QString::number(replyTimeout.count()));
  process.setProcessEnvironment(environment);
  if (ignored) process.setChildProcessModifier([signal] { std::signal(signal, SIG_IGN); });
  process.start(QStringLiteral(KVX_SETUP_PATH), arguments);
  if (terminateWhen && waitUntil([&] { return terminateWhen() || process.state() == QProcess::NotRunning; }))
    ::kill(static_cast<pid_t>(process.processId()), signal);
  if (!process.waitForFinished(20000)) return {-1, QStringLiteral("did not end")};
  return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
          QString::fromLocal8Bit(process.readAllStandardError()), process.readAllStandardOutput()};
}

