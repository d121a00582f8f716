// Messages held while a box is open: handed on in order once it closes, and only so many of
// them, so that a device that keeps talking cannot grow the program without limit.
#include "message_gate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(MessageGate, HoldsAtMostItsLimitWhileABoxIsOpenAndHandsThemOnInOrder) {
  std::vector<std::string> handled;
  int drainsAsked = 0;
  TMessageGate gate([&](const TReceivedMessage& m) { handled.push_back(m.text); }, [&] { ++drainsAsked; });

  gate.deliver(std::string("before"));
  {
    const TMessageGate::BoxOpen box(gate);
    for (int i = 0; i < 1000; ++i) gate.deliver(std::to_string(i));
    EXPECT_EQ(gate.heldCount(), TMessageGate::kMaxHeld);
  }
  EXPECT_EQ(drainsAsked, 1);
  gate.drain();
  ASSERT_EQ(handled.size(), 1 + TMessageGate::kMaxHeld);
  EXPECT_EQ(handled[1], "0");
  EXPECT_EQ(handled.back(), std::to_string(TMessageGate::kMaxHeld - 1));  // the rest was dropped
  EXPECT_EQ(gate.heldCount(), 0u);

  gate.deliver(std::string("after"));
  EXPECT_EQ(handled.back(), "after");
}

}  // namespace
