// A test that starts the emulator in a scratch folder and talks to it through its port link.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "emulator_process.h"
#include "port_client.h"
#include "temp_dir.h"

using Replies = std::vector<std::string>;

class ClockOnPortTest : public ::testing::Test {
 protected:
  void startClock(std::vector<std::string> args = {}) {
    clock = std::make_unique<EmulatorProcess>(dir.path(), std::move(args));
    ASSERT_TRUE(clock->start());
    port = std::make_unique<PortClient>(clock->linkPath());
    ASSERT_TRUE(port->isOpen());
  }

  // Starts `count` clocks, COM1 on, in one emulator, each logging and saving where a one-clock
  // emulator on its port would: files[i] reads clock i+1's log and saved file, ports[i] talks to it.
  // args: options for all clocks, then any "--for COMn ..." of the test.
  void startClocks(int count, const std::vector<std::string>& args = {}) {
    std::vector<std::string> all = {"--count", std::to_string(count)};
    all.insert(all.end(), args.begin(), args.end());
    for (int n = 1; n <= count; ++n) {
      files.push_back(std::make_unique<EmulatorProcess>(dir.path(), std::vector<std::string>{}, n));
      all.insert(all.end(), {"--for", "COM" + std::to_string(n), "--log", files.back()->logPath(), "--save",
                             files.back()->savePath()});
    }
    ASSERT_NO_FATAL_FAILURE(startClock(all));
    ports.push_back(std::move(port));
    for (int n = 2; n <= count; ++n) {
      ports.push_back(std::make_unique<PortClient>(files[n - 1]->linkPath()));
      ASSERT_TRUE(ports.back()->isOpen()) << "COM" << n;
    }
  }

  TempDir dir;
  std::unique_ptr<EmulatorProcess> clock;
  std::unique_ptr<PortClient> port;
  std::vector<std::unique_ptr<EmulatorProcess>> files;  // never started
  std::vector<std::unique_ptr<PortClient>> ports;
};
