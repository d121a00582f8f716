// Message framing: the framer fed byte by byte, and the component's framing over a real
// pseudo-terminal where it is the component's own (one read, a close and reopen).
#include "message_framer.h"
#include "pty_fixture.h"

namespace {

using Messages = std::vector<std::string>;

// The delimiters as they stand while `bytes` arrive.
struct Arrival {
  char startChar;
  char endChar;
  std::uint16_t appendCount;
  std::string bytes;
  std::optional<char> secondStartChar = std::nullopt;
};

Messages feed(MessageFramer& framer, const Arrival& a) {
  Messages out;
  for (char b : a.bytes)
    if (framer.feed(b, a.startChar, a.endChar, a.appendCount, a.secondStartChar))
      out.push_back(framer.message());
  return out;
}

TEST(SerialFramerTest, CutsMessagesFromStartToEnd) {
  const struct {
    const char* what;
    std::vector<Arrival> arrivals;
    Messages expected;
  } cases[] = {
      {"leading bytes are dropped", {{'$', '\r', 0, "xx$1=5\r"}}, {"$1=5\r"}},
      {"a second start restarts the message", {{'$', '\r', 0, "$ab$cd\r"}}, {"$cd\r"}},
      {"an end with nothing begun, and bytes after a message, are dropped",
       {{'$', '\r', 0, "\r$1\r\rjunk\r\r$2\r"}},
       {"$1\r", "$2\r"}},
      {"two messages in a row come in order", {{'$', '\r', 0, "$A\r$B\r"}}, {"$A\r", "$B\r"}},
      {"appended bytes are taken whatever they are",
       {{'$', '\r', 2, "$A\r$x$B\r\rz"}},
       {"$A\r$x", "$B\r\rz"}},
      {"delimiters apply from the next byte (as while the week is read)",
       {{'$', '\r', 0, "$1=5\r$21"}, {'=', '\r', 0, "=0,12,30,00,ON\r"}},
       {"$1=5\r", "=0,12,30,00,ON\r"}},
      {"a start equal to the end restarts at every such byte", {{'=', '=', 0, "=a=b="}}, {}},
      {"a second start character begins a message as the first does",
       {{'=', '\r', 0, "$2=S12:30:00 ON\r$error\r", '$'}},
       {"=S12:30:00 ON\r", "$error\r"}},
  };
  for (const auto& c : cases) {
    MessageFramer framer;
    Messages got;
    for (const Arrival& a : c.arrivals)
      for (const std::string& m : feed(framer, a)) got.push_back(m);
    EXPECT_EQ(got, c.expected) << c.what;
  }
}

TEST(SerialFramerTest, OverlongMessageIsDroppedUntilTheNextStart) {
  MessageFramer framer;
  const auto feedClock = [&](const std::string& bytes) { return feed(framer, {'$', '\r', 0, bytes}); };
  const std::string longest = "$" + std::string(MessageFramer::kMaxMessage - 2, 'x') + "\r";
  EXPECT_EQ(feedClock(longest), Messages({longest}));

  EXPECT_TRUE(feedClock("$" + std::string(2 * MessageFramer::kMaxMessage, 'x') + "\r").empty());
  EXPECT_EQ(framer.state(), MessageFramer::State::Idle);
  EXPECT_LE(framer.message().capacity(), 2 * MessageFramer::kMaxMessage);
  EXPECT_EQ(feedClock("$ok\r"), Messages({"$ok\r"}));
  EXPECT_TRUE(feedClock("\r").empty());  // no second delivery of the last message
}

class SerialFramingTest : public SerialPtyFixture {
 protected:
  void SetUp() override {
    SerialPtyFixture::SetUp();
    serial_ = openClockPort();
    ASSERT_TRUE(serial_->Active());
    serial_->OnMessage = [this](TSerial* sender, const std::string& m) {
      messages_.push_back(m);
      damaged_.push_back(sender->messageDamaged());
      beforeLastSend_.push_back(sender->messageBeforeLastSend());
      beforeFirstSend_.push_back(sender->messageBeforeFirstSend());
    };
  }
  void TearDown() override {
    serial_.reset();
    SerialPtyFixture::TearDown();
  }
  Messages receive(std::size_t count) {
    waitFor([&] { return messages_.size() >= count; });
    return messages_;
  }

  // A pseudo-terminal never marks a byte, and under PARMRK it doubles every \377 it passes on:
  // with the marking turned off behind the component's back, the test writes the marks a
  // serial driver would write.
  void writeMarksLikeADriver() {
    termios t{};
    ASSERT_EQ(tcgetattr(slave_, &t), 0);
    t.c_iflag &= ~(PARMRK | INPCK);
    ASSERT_EQ(tcsetattr(slave_, TCSANOW, &t), 0);
  }

  std::unique_ptr<TSerial> serial_;
  Messages messages_;
  std::vector<bool> damaged_;
  std::vector<bool> beforeLastSend_;
  std::vector<bool> beforeFirstSend_;
};

TEST_F(SerialFramingTest, TwoMessagesInOneReadComeAsTwoEventsInOrder) {
  clockSends("$A\r$B\r");
  EXPECT_EQ(receive(2), Messages({"$A\r", "$B\r"}));
}

TEST_F(SerialFramingTest, SecondStartCharAppliesFromTheNextByte) {
  serial_->setMessageStartChar('=');
  serial_->setMessageSecondStartChar('$');
  clockSends("=A\r$error\r");
  EXPECT_EQ(receive(2), Messages({"=A\r", "$error\r"}));
  serial_->setMessageSecondStartChar(std::nullopt);
  messages_.clear();
  clockSends("$error\r=B\r");
  EXPECT_EQ(receive(1), Messages({"=B\r"}));
}

TEST_F(SerialFramingTest, AMessageWithADamagedByteOrAfterOneIsMarkedDamaged) {
  writeMarksLikeADriver();
  using namespace std::string_literals;
  // A damaged "k"; a real 0xFF; damage between messages (it may have hit a start character).
  clockSends("$ok\r$o\377\0k\r$\377\377\r\377\0x$ok\r$ok\r"s);
  EXPECT_EQ(receive(5), Messages({"$ok\r", "$ok\r", "$\377\r", "$ok\r", "$ok\r"}));
  EXPECT_EQ(damaged_, std::vector<bool>({false, true, false, true, false}));
}

TEST_F(SerialFramingTest, AMessageWaitingBeforeAWriteIsToldFromOneAfterIt) {
  // The receive thread has taken the reply, or it still waits in the queue: either way it came
  // before the write.
  clockSends("$A\r");
  QThread::msleep(50);
  serial_->SendString("$1\r");
  EXPECT_EQ(receive(1), Messages({"$A\r"}));
  clockReceives(3);
  clockSends("$B\r");
  EXPECT_EQ(receive(2), Messages({"$A\r", "$B\r"}));
  EXPECT_EQ(beforeLastSend_, std::vector<bool>({true, false}));
}

// Talk that came before the port's first write answers nothing asked on it, however many writes
// follow; an open starts the count again.
TEST_F(SerialFramingTest, AMessageBeforeTheFirstWriteSinceTheOpenIsToldApart) {
  clockSends("$A\r");
  receive(1);
  serial_->SendString("$\r");
  clockReceives(2);
  clockSends("$B\r");
  receive(2);
  serial_->SendString("$\r");
  clockReceives(2);
  clockSends("$C\r");
  receive(3);
  serial_->setActive(false);
  serial_->setActive(true);
  clockSends("$D\r");
  EXPECT_EQ(receive(4), Messages({"$A\r", "$B\r", "$C\r", "$D\r"}));
  EXPECT_EQ(beforeFirstSend_, std::vector<bool>({true, false, false, true}));
}

// On a line, no answer can come back before the bytes it answers have left at the line's rate:
// 200 bytes of 11 bits take 115 ms at 19200 baud. A pseudo-terminal passes them on at once, so
// the test counts the wire time as a real port does. The first answer is written right after the
// command, the second well after its time on the wire, so a busy machine only widens the margins.
TEST_F(SerialFramingTest, AReplySoonerThanTheWritesTimeOnTheLineCannotAnswerIt) {
  serial_->setWireTimeCounts(true);
  const std::string command = "$" + std::string(197, 'x') + "\r\n";
  serial_->SendString(command);
  clockSends("$ok\r");  // at once: a second answer to the command before, not this one's
  clockReceives(command.size());
  receive(1);
  serial_->SendString(command);
  clockReceives(command.size());
  QThread::msleep(250);
  clockSends("$ok\r");
  receive(2);
  EXPECT_EQ(beforeLastSend_, std::vector<bool>({true, false}));
}

TEST_F(SerialFramingTest, MessageBegunGoesOnAfterReopen) {
  clockSends("$ab");
  settle();
  serial_->setActive(false);
  serial_->setActive(true);
  clockSends("c\r");
  EXPECT_EQ(receive(1), Messages({"$abc\r"}));
}

}  // namespace
