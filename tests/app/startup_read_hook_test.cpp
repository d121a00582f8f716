// The test hook of the installed program: a start-up read that nobody answers ends the run as a
// failure after the no-answer time-out, with the box printed instead of waiting to be closed.
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <QProcess>
#include <QTemporaryDir>
#include <filesystem>

namespace {

TEST(StartupReadHook, ReadWithoutAnswerEndsTheRunAsAFailure) {
  int master = -1, slave = -1;
  char slaveName[256] = {};
  ASSERT_EQ(openpty(&master, &slave, slaveName, nullptr, nullptr), 0);  // a clock that stays silent
  QTemporaryDir home;
  const std::filesystem::path folder = home.path().toStdString() + "/.config/kelvox-setup";
  std::filesystem::create_directories(folder);
  std::filesystem::create_symlink(slaveName, folder / "COM1");
  for (int n = 2; n <= 9; ++n)
    std::filesystem::create_symlink("/nonexistent/kvx-tty", folder / ("COM" + std::to_string(n)));

  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove(QStringLiteral("XDG_CONFIG_HOME"));
  env.insert(QStringLiteral("HOME"), home.path());
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  env.insert(QStringLiteral("KELVOX_SETUP_QUIT_AFTER_STARTUP_READ"), QStringLiteral("1"));
  // A time-out is all this needs, a shorter one than the designed one, and no wait before it.
  env.insert(QStringLiteral("KELVOX_SETUP_REPLY_TIMEOUT_MS"), QStringLiteral("1500"));
  env.insert(QStringLiteral("KELVOX_SETUP_FIRST_TICK_MS"), QStringLiteral("200"));
  QProcess program;
  program.setProcessEnvironment(env);
  program.setWorkingDirectory(home.path());
  program.start(QStringLiteral(KVX_SETUP_PROGRAM), {});
  // Well inside the hook's own limit for a run that does not end.
  const bool ended = program.waitForFinished(20000);
  if (!ended) {
    program.kill();
    program.waitForFinished();
  }
  close(slave);
  close(master);
  ASSERT_TRUE(ended) << "the run waited for the box to be closed";

  EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(program.exitCode(), 1);
  const QString out = QString::fromLocal8Bit(program.readAllStandardOutput());
  EXPECT_TRUE(out.startsWith(QStringLiteral("box: "))) << out.toStdString();
  EXPECT_TRUE(out.endsWith(QStringLiteral("start-up read ended: clockfound ----\n"))) << out.toStdString();
}

}  // namespace
