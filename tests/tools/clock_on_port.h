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

  TempDir dir;
  std::unique_ptr<EmulatorProcess> clock;
  std::unique_ptr<PortClient> port;
};
