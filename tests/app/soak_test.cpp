// Many read-and-send cycles against the emulator: memory and open descriptors must stay flat.
// About 40 ms a cycle. It also catches a reply lost by the receive wait now and then.
#include <gtest/gtest.h>

#include <cstdio>

#include "evidence_support.h"

namespace {

using namespace std::chrono_literals;

// AddressSanitizer keeps freed memory in quarantine (up to 256 MB), so resident memory rises there
// by design; the descriptors still count.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMemoryIsMeaningful = false;
#else
constexpr bool kMemoryIsMeaningful = true;
#endif

struct Footprint {
  long rssKb;
  int descriptors;
};

Footprint footprint() { return {evidence::statusKb("VmRSS"), evidence::openDescriptors()}; }

TEST(Soak, TwoHundredReadAndSendCyclesKeepMemoryAndDescriptorsFlat) {
  constexpr int kCycles = 200;
  constexpr int kWarmUp = 50;  // allocator pools and caches have settled by then
  constexpr long kRssToleranceKb = 1024;

  evidence::WindowOnClock w;
  ASSERT_TRUE(w.startClock());
  w.createWindow();
  w.startUp();
  ASSERT_TRUE(evidence::runUntil([&] { return w.transferDone(0); }, 5s));
  const Footprint start = footprint();

  Footprint warm{};
  const auto began = std::chrono::steady_clock::now();
  for (int cycle = 1; cycle <= kCycles; ++cycle) {
    ASSERT_TRUE(w.read()) << "read of cycle " << cycle << ": " << w.describe();
    ASSERT_TRUE(w.send()) << "send of cycle " << cycle << ": " << w.describe();
    if (cycle == kWarmUp) warm = footprint();
  }
  const double perCycleMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - began).count() / kCycles;
  const Footprint end = footprint();

  std::printf("soak: %d cycles, %.1f ms per read-and-send cycle\n", kCycles, perCycleMs);
  std::printf("soak: VmRSS %ld kB at start, %ld kB after %d cycles, %ld kB after %d\n", start.rssKb,
              warm.rssKb, kWarmUp, end.rssKb, kCycles);
  std::printf("soak: open descriptors %d at start, %d after %d cycles, %d after %d\n", start.descriptors,
              warm.descriptors, kWarmUp, end.descriptors, kCycles);
  EXPECT_TRUE(w.boxes().plain.empty());
  if (kMemoryIsMeaningful) {
    EXPECT_LE(end.rssKb - warm.rssKb, kRssToleranceKb) << "resident memory rises";
  }
  EXPECT_EQ(end.descriptors, warm.descriptors) << "descriptors leak";
  EXPECT_EQ(end.descriptors, start.descriptors);
}

}  // namespace
