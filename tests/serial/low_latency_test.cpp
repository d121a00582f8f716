// Low latency asked of the serial driver on open and given back on close. A pseudo-terminal has
// no serial flags (an open of one goes on silently, as every pty test shows), so the driver's
// TIOCGSERIAL / TIOCSSERIAL stand in here.
#include "low_latency.h"

#include <gtest/gtest.h>
#include <linux/serial.h>

#include <cerrno>

namespace {

struct StandInDriver {
  bool hasFlags = true;  // false: a pseudo-terminal or a UART without them
  bool takesFlags = true;
  int flags = 0;
  int sets = 0;
};
StandInDriver driver;

int getFlags(int, int& flags) {
  if (!driver.hasFlags) return ENOTTY;
  flags = driver.flags;
  return 0;
}
int setFlags(int, int flags) {
  ++driver.sets;
  if (!driver.takesFlags) return EPERM;
  driver.flags = flags;
  return 0;
}

TEST(LowLatency, AskedForOnOpenAndGivenBackOnCloseOnlyWhereTheDriverHasIt) {
  constexpr int kOther = ASYNC_SPD_HI;  // a flag of the driver's that stays as it is
  const struct {
    const char* driver;
    StandInDriver before;
    int whileOpen;
    int afterClose;
    int sets;
  } cases[] = {
      {"FTDI, timer at its default", {true, true, kOther, 0}, kOther | ASYNC_LOW_LATENCY, kOther, 2},
      {"already low latency", {true, true, ASYNC_LOW_LATENCY, 0}, ASYNC_LOW_LATENCY, ASYNC_LOW_LATENCY, 0},
      {"no serial flags (pseudo-terminal)", {false, true, 0, 0}, 0, 0, 0},
      {"driver refuses the change", {true, false, kOther, 0}, kOther, kOther, 1},
  };
  for (const auto& c : cases) {
    driver = c.before;
    TLowLatency lowLatency({&getFlags, &setFlags});
    lowLatency.request(3);
    EXPECT_EQ(driver.flags, c.whileOpen) << c.driver;
    lowLatency.restore(3);
    lowLatency.restore(3);  // a second close gives nothing back twice
    EXPECT_EQ(driver.flags, c.afterClose) << c.driver;
    EXPECT_EQ(driver.sets, c.sets) << c.driver;
  }
}

}  // namespace
