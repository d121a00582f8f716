// Message framing: received bytes fed through a real pseudo-terminal, whole and in pieces.
#include <initializer_list>

#include "message_framer.h"
#include "pty_fixture.h"

namespace {

using Messages = std::vector<std::string>;

class SerialFramingTest : public SerialPtyFixture {
 protected:
  void SetUp() override {
    SerialPtyFixture::SetUp();
    serial_ = openClockPort();
    ASSERT_TRUE(serial_->Active());
    serial_->OnMessage = [this](TSerial*, const std::string& m) { messages_.push_back(m); };
  }
  void TearDown() override {
    serial_.reset();
    SerialPtyFixture::TearDown();
  }
  // Each piece arrives on its own, as a separate receive event.
  void clockSendsInPieces(std::initializer_list<std::string> pieces) {
    for (const auto& piece : pieces) {
      clockSends(piece);
      settle(std::chrono::milliseconds(30));
    }
  }
  Messages receive(std::size_t count) {
    waitFor([&] { return messages_.size() >= count; });
    return messages_;
  }

  std::unique_ptr<TSerial> serial_;
  Messages messages_;
};

TEST_F(SerialFramingTest, CutsFromStartToEndWholeOrInPieces) {
  clockSends("xx$1=5\r");
  EXPECT_EQ(receive(1), Messages({"$1=5\r"}));
  clockSendsInPieces({"x", "x", "$", "1", "=", "5", "\r"});
  EXPECT_EQ(receive(2), Messages({"$1=5\r", "$1=5\r"}));
}

TEST_F(SerialFramingTest, SecondStartRestartsTheMessage) {
  clockSendsInPieces({"$ab", "$cd", "\r"});
  EXPECT_EQ(receive(1), Messages({"$cd\r"}));
}

TEST_F(SerialFramingTest, EndWithNothingBegunIsDropped) {
  clockSends("\r$1\r\rjunk\r");
  clockSendsInPieces({"\r", "$2\r"});
  // The last message comes after all the rest, so nothing else can still be on its way.
  EXPECT_EQ(receive(2), Messages({"$1\r", "$2\r"}));
}

TEST_F(SerialFramingTest, TwoMessagesInOneReadComeInOrder) {
  clockSends("$A\r$B\r");
  EXPECT_EQ(receive(2), Messages({"$A\r", "$B\r"}));
}

TEST_F(SerialFramingTest, AppendedBytesAreTakenWhateverTheyAre) {
  serial_->setMessageAppendCount(2);
  clockSends("$A\r$x");
  clockSendsInPieces({"$B", "\r", "\r", "z"});
  EXPECT_EQ(receive(2), Messages({"$A\r$x", "$B\r\rz"}));
}

TEST_F(SerialFramingTest, DelimitersApplyFromTheNextByte) {
  serial_->setMessageStartChar('=');  // as while the week is read
  clockSends("$21=0,12,30,00,ON\r");
  EXPECT_EQ(receive(1), Messages({"=0,12,30,00,ON\r"}));

  serial_->setMessageEndChar('=');  // start equal to end: every such byte restarts
  clockSends("=a=b=");
  settle();
  EXPECT_EQ(messages_.size(), 1u);
}

TEST_F(SerialFramingTest, MessageBegunGoesOnAfterReopen) {
  clockSends("$ab");
  settle();
  serial_->setActive(false);
  serial_->setActive(true);
  clockSends("c\r");
  EXPECT_EQ(receive(1), Messages({"$abc\r"}));
}

TEST(SerialFramerTest, OverlongMessageIsDroppedUntilTheNextStart) {
  MessageFramer framer;
  const auto feed = [&](const std::string& bytes) {
    Messages out;
    for (char b : bytes)
      if (framer.feed(b, '$', '\r', 0)) out.push_back(framer.message());
    return out;
  };
  const std::string longest = "$" + std::string(MessageFramer::kMaxMessage - 2, 'x') + "\r";
  EXPECT_EQ(feed(longest), Messages({longest}));

  EXPECT_TRUE(feed("$" + std::string(2 * MessageFramer::kMaxMessage, 'x') + "\r").empty());
  EXPECT_EQ(framer.state(), MessageFramer::State::Idle);
  EXPECT_LE(framer.message().capacity(), 2 * MessageFramer::kMaxMessage);
  EXPECT_EQ(feed("$ok\r"), Messages({"$ok\r"}));
  EXPECT_TRUE(feed("\r").empty());  // no second delivery of the last message
}

}  // namespace
