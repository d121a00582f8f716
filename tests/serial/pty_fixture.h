// A pseudo-terminal standing in for the clock: its slave is linked as COM1 in a temporary
// working directory, so the component opens "COM1" and never a real port of the machine.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QString>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Serial4.h"
#include "clock_link.h"

class SerialPtyFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    oldDir_ = std::filesystem::current_path();
    char pattern[] = "/tmp/kvx-serial-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    std::filesystem::current_path(dir_);
    char slaveName[256] = {};
    ASSERT_EQ(openpty(&master_, &slave_, slaveName, nullptr, nullptr), 0);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    slavePath_ = slaveName;
    std::filesystem::create_symlink(slavePath_, "COM1");
    // Lock files go to the test's own folder, never to the machine's.
    lockFolder_ = dir_.string();
    PosixPort::setLockFolder(lockFolder_);
    // Every other port is absent, so nothing opens one of the machine's own devices.
    for (int n = 2; n <= 9; ++n)
      std::filesystem::create_symlink("/nonexistent/kvx-tty", "COM" + std::to_string(n));
    boxesSeen_ = &boxes_;
    previousHandler_ = qInstallMessageHandler(takeErrorBox);
  }

  void TearDown() override {
    qInstallMessageHandler(previousHandler_);
    boxesSeen_ = nullptr;
    PosixPort::setLockFolder("/var/lock");
    closeMaster();
    if (slave_ >= 0) close(slave_);
    std::filesystem::current_path(oldDir_);
    std::filesystem::remove_all(dir_);
  }

  // The component as the main window sets it up for the clock, opened on COM1.
  std::unique_ptr<TSerial> openClockPort() {
    auto serial = std::make_unique<TSerial>();
    makeClockLink(*serial);
    serial->setActive(true);
    return serial;
  }

  void clockSends(const std::string& bytes) {
    ASSERT_EQ(write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }

  // What the component wrote, waiting up to 2 s for `count` bytes.
  std::string clockReceives(std::size_t count) {
    std::string got;
    waitFor([&] {
      char buffer[256];
      const ssize_t n = read(master_, buffer, sizeof buffer);
      if (n > 0) got.append(buffer, static_cast<std::size_t>(n));
      return got.size() >= count;
    });
    return got;
  }

  // The lock file of the pseudo-terminal: "LCK..pts_N".
  std::string lockFile() const {
    std::string name = slavePath_.substr(std::string("/dev/").size());
    std::replace(name.begin(), name.end(), '/', '_');
    return lockFolder_ + "/LCK.." + name;
  }

  void closeMaster() {
    if (master_ >= 0) close(master_);
    master_ = -1;
  }

  // Runs the event loop until pred holds, for at most `limit`.
  static bool waitFor(const std::function<bool()>& pred,
                      std::chrono::milliseconds limit = std::chrono::milliseconds(2000)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!pred()) {
      if (std::chrono::steady_clock::now() > end) return false;
      QCoreApplication::processEvents();
      QThread::msleep(2);
    }
    return true;
  }

  // Lets the receive thread and the event loop run for a while.
  static void settle(std::chrono::milliseconds time = std::chrono::milliseconds(250)) {
    waitFor([] { return false; }, time);
  }

  // The component's error boxes, caption and text, as it writes them to the log.
  std::vector<std::pair<QString, QString>> boxes_;
  int master_ = -1;
  int slave_ = -1;
  std::string slavePath_;
  std::string lockFolder_;

 private:
  static void takeErrorBox(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    const QString caption = QStringLiteral("Error: ");
    if (type == QtWarningMsg && boxesSeen_ && message.startsWith(caption))
      boxesSeen_->emplace_back(message.left(caption.size() - 2), message.mid(caption.size()));
    else if (previousHandler_)
      previousHandler_(type, context, message);
  }
  static inline std::vector<std::pair<QString, QString>>* boxesSeen_ = nullptr;
  static inline QtMessageHandler previousHandler_ = nullptr;

  std::filesystem::path oldDir_;
  std::filesystem::path dir_;
};
