// The receive thread: events on the main thread, closing and destroying from handlers,
// a vanished device, and the two receive modes.
#include <sys/ioctl.h>
#include <time.h>

#include <QApplication>
#include <QTimer>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <iterator>
#include <mutex>
#include <thread>
#include <vector>

#include "port_event_waiter.h"
#include "pty_fixture.h"
#include "tx_room_wait.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class SerialThreadTest : public SerialPtyFixture {};

// How many events wait in the queue for an object: QObject counts them in its data, which a class
// derived from it may reach.
struct QueuedEvents : QObject {
  static int of(const QObject& object) { return (object.*&QueuedEvents::d_ptr)->postedEvents.loadAcquire(); }
};

double processCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

TEST_F(SerialThreadTest, EventsRunOnTheMainThread) {
  auto serial = openClockPort();
  QThread* const mainThread = QCoreApplication::instance()->thread();
  std::vector<QThread*> threads;
  serial->OnMessage = [&](TSerial* sender, const std::string&) {
    EXPECT_EQ(sender, serial.get());
    threads.push_back(QThread::currentThread());
  };
  serial->OnTxEmpty = [&](TSerial*) { threads.push_back(QThread::currentThread()); };
  serial->SendString("$\r");
  clockSends("$1=5\r");
  ASSERT_TRUE(waitFor([&] { return threads.size() >= 2; }));
  for (QThread* t : threads) EXPECT_EQ(t, mainThread);
}

// A stream of acknowledgements, all of the same length, is delivered in full.
TEST_F(SerialThreadTest, EqualRepliesArrivingOneAfterAnotherAreAllDelivered) {
  auto serial = openClockPort();
  int delivered = 0;
  serial->OnMessage = [&](TSerial*, const std::string& m) {
    EXPECT_EQ(m, "$ok\r");
    ++delivered;
  };
  for (int reply = 1; reply <= 20; ++reply) {
    clockSends("$ok\r");
    ASSERT_TRUE(waitFor([&] { return delivered == reply; })) << "reply " << reply << " was not delivered";
  }
}

// A reply that arrives after the queue was read must be reported even when it brings the queue
// back to the length the wait saw before (a lost acknowledgement ended a send in "no answer").
TEST(SerialEventWait, ArrivalAfterTheQueueWasReadIsReported) {
  int master = -1, slave = -1;
  ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
  termios raw{};
  tcgetattr(slave, &raw);
  cfmakeraw(&raw);
  tcsetattr(slave, TCSANOW, &raw);
  PortEventWaiter waiter;
  char buffer[4];
  // The pseudo-terminal passes bytes on asynchronously: wait until they are queued.
  const auto queued = [&](int bytes) {
    for (int tries = 0; tries < 2000; ++tries) {
      int n = 0;
      if (ioctl(slave, FIONREAD, &n) == 0 && n == bytes) return true;
      std::this_thread::sleep_for(1ms);
    }
    return false;
  };
  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(::write(master, "$ok\r", 4), 4);
    ASSERT_TRUE(queued(4));
    std::mutex mutex;
    std::condition_variable returned;
    bool waitReturned = false;
    std::thread waker([&] {
      std::unique_lock lock(mutex);
      // Ends a wait that missed the bytes, which alone is still waiting then.
      if (!returned.wait_for(lock, 300ms, [&] { return waitReturned; })) waiter.wake();
    });
    const PortEvents seen = waiter.wait(slave, 1, false);
    {
      std::lock_guard lock(mutex);
      waitReturned = true;
    }
    returned.notify_all();
    waker.join();
    EXPECT_TRUE(seen.events & PortEvents::kRxChar) << "round " << round;
    ASSERT_EQ(::read(slave, buffer, sizeof buffer), 4);  // as the receive thread reads a message
    waiter.noteRead(4);
  }
  ::close(master);
  ::close(slave);
}

// Real ports answer the modem status calls, which pseudo-terminals refuse; a stand-in answers
// them here and counts the wait's passes. The lines cost a pass every slice only while watched.
TEST(SerialEventWait, ModemLinesAreWatchedOnlyWhenAsked) {
  int master = -1, slave = -1;
  ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
  const struct {
    bool watch;
    bool ctsRises;
    int minPasses, maxPasses;
  } cases[] = {{false, false, 1, 2}, {false, true, 1, 2}, {true, false, 5, 30}, {true, true, 2, 30}};
  struct Seen {
    std::atomic<int> passes{0}, lines{0};
    bool cts = false;
  };
  Seen seen[std::size(cases)];
  // Each case waits on a thread of its own, all in the same 600 ms.
  std::vector<std::thread> runs;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    runs.emplace_back([&c = cases[i], &s = seen[i], slave] {
      PortStatusCalls standIn{[&](int, int& bits) { return bits = s.lines, 0; },
                              [](int, int& count) { return count = 0, 0; },
                              [&](int, int& count) {
                                ++s.passes;
                                return count = 0, 0;
                              }};
      PortEventWaiter waiter(standIn);
      std::thread other([&] {
        std::this_thread::sleep_for(300ms);
        if (c.ctsRises) s.lines = TIOCM_CTS;
        std::this_thread::sleep_for(300ms);
        waiter.wake();
      });
      s.cts = waiter.wait(slave, 1, c.watch).events & PortEvents::kCts;
      other.join();
    });
  }
  for (std::thread& run : runs) run.join();
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    EXPECT_EQ(seen[i].cts, c.watch && c.ctsRises) << c.watch << c.ctsRises;
    EXPECT_GE(seen[i].passes, c.minPasses) << c.watch << c.ctsRises;
    EXPECT_LE(seen[i].passes, c.maxPasses) << c.watch << c.ctsRises;
  }
  ::close(master);
  ::close(slave);
}

TEST_F(SerialThreadTest, ClosingInsideAHandlerIsBoundedAndReopenReadsOn) {
  auto serial = openClockPort();
  std::vector<std::string> messages;
  Clock::duration closeTook{};
  serial->OnMessage = [&](TSerial* s, const std::string& m) {
    messages.push_back(m);
    if (messages.size() != 1) return;
    const auto start = Clock::now();
    s->setActive(false);  // the thread is waiting for this very handler
    closeTook = Clock::now() - start;
    s->setActive(true);
  };
  clockSends("$1\r");
  ASSERT_TRUE(waitFor([&] { return !messages.empty(); }));
  EXPECT_LT(closeTook, 2s);
  EXPECT_TRUE(serial->Active());
  clockSends("$2\r");
  ASSERT_TRUE(waitFor([&] { return messages.size() == 2; }));
  EXPECT_EQ(messages[1], "$2\r");
}

TEST_F(SerialThreadTest, ComponentDestroyedByItsOwnHandler) {
  TSerial* serial = openClockPort().release();
  int calls = 0;
  serial->OnMessage = [&](TSerial* s, const std::string&) {
    ++calls;
    delete s;
  };
  const auto start = Clock::now();
  clockSends("$1\r$2\r");
  ASSERT_TRUE(waitFor([&] { return calls > 0; }));
  settle();
  EXPECT_EQ(calls, 1);  // the second message never reaches a component that is gone
  EXPECT_LT(Clock::now() - start, 3s);
}

TEST_F(SerialThreadTest, DestroyedWhileAHandOverWaits) {
  auto serial = openClockPort();
  int calls = 0;
  serial->OnMessage = [&](TSerial*, const std::string&) { ++calls; };
  clockSends("$1\r");
  // The thread has posted the message; the main thread, which turns no event loop here, has not
  // run it.
  const auto posted = Clock::now() + 5s;
  while (QueuedEvents::of(*serial) == 0 && Clock::now() < posted) QThread::msleep(1);
  ASSERT_EQ(QueuedEvents::of(*serial), 1);
  const auto start = Clock::now();
  serial.reset();
  // The hand-over is cancelled before the close: the close never waits out its 750 ms for it.
  EXPECT_LT(Clock::now() - start, 500ms);
  settle();
  EXPECT_EQ(calls, 0);
}

// A vanished device: reported once, its dead descriptor closed, and the port opens again on the
// device that is linked in its place.
TEST_F(SerialThreadTest, VanishedDeviceIsReportedOnceClosedAndOpensAgain) {
  auto serial = openClockPort();
  serial->setNotifyErrors(neEvent);
  int reports = 0;
  std::int32_t code = 0;
  serial->OnError = [&](TSerial* s) {
    ++reports;
    code = s->ErrorCode();
  };
  std::vector<std::string> messages;
  serial->OnMessage = [&](TSerial*, const std::string& m) { messages.push_back(m); };
  closeMaster();  // the cable is pulled
  ASSERT_TRUE(waitFor([&] { return reports > 0 && !serial->Active(); }));
  const double cpuBefore = processCpuSeconds();
  settle(1000ms);
  EXPECT_LT(processCpuSeconds() - cpuBefore, 0.3);
  EXPECT_EQ(reports, 1);
  EXPECT_EQ(code, EIO);
  EXPECT_TRUE(serial->lostDevice());
  EXPECT_FALSE(std::filesystem::exists(lockFile()));

  // Plugged in again: a new device behind the same name.
  close(slave_);
  char slaveName[256] = {};
  ASSERT_EQ(openpty(&master_, &slave_, slaveName, nullptr, nullptr), 0);
  std::filesystem::remove("COM1");
  std::filesystem::create_symlink(slaveName, "COM1");
  serial->setActive(true);
  ASSERT_TRUE(serial->Active());
  EXPECT_FALSE(serial->lostDevice());
  clockSends("$1\r");
  ASSERT_TRUE(waitFor([&] { return !messages.empty(); }));
  EXPECT_EQ(messages, std::vector<std::string>{"$1\r"});
  EXPECT_EQ(reports, 1);
}

TEST_F(SerialThreadTest, RxNormalRaisesOnRxDataOncePerArrival) {
  auto serial = openClockPort();
  serial->setRxEventMode(rxNormal);
  int events = 0;
  std::string read;
  bool readAll = true;
  serial->OnRxData = [&](TSerial* s) {
    ++events;
    char c = 0;
    while (readAll && s->ReadChar(c) == 1) read.push_back(c);
  };
  clockSends("abc");
  ASSERT_TRUE(waitFor([&] { return read == "abc"; }));
  settle();
  EXPECT_EQ(events, 1);

  // Bytes the handler leaves unread raise nothing more until more arrive.
  readAll = false;
  clockSends("de");
  ASSERT_TRUE(waitFor([&] { return events == 2; }));
  settle();
  EXPECT_EQ(events, 2);
  EXPECT_EQ(serial->RxWaiting(), 2);
  clockSends("f");
  ASSERT_TRUE(waitFor([&] { return events == 3; }));
}

TEST_F(SerialThreadTest, RxMessageWithoutHandlerLeavesBytesQueued) {
  auto serial = openClockPort();
  clockSends("$ab");
  ASSERT_TRUE(waitFor([&] { return serial->RxWaiting() == 3; }));
  clockSends("c");
  ASSERT_TRUE(waitFor([&] { return serial->RxWaiting() == 4; }));
  const double cpuBefore = processCpuSeconds();  // unread bytes keep the port readable
  settle(500ms);
  EXPECT_LT(processCpuSeconds() - cpuBefore, 0.2);

  std::vector<std::string> messages;
  serial->OnMessage = [&](TSerial*, const std::string& m) { messages.push_back(m); };
  clockSends("\r");
  ASSERT_TRUE(waitFor([&] { return !messages.empty(); }));
  EXPECT_EQ(messages, std::vector<std::string>({"$abc\r"}));
  EXPECT_EQ(serial->RxWaiting(), 0);
}

// A send waiting for room in the output queue keeps the user interface running: an event handled
// meanwhile may free the room, or close the port, and either ends the wait. (A pseudo-terminal
// reports no output queue, so the wait is driven here by the events alone.)
TEST(TxRoomWait, HandlesEventsUntilRoomComesOrThePortCloses) {
  const struct {
    const char* name;
    bool closes;  // what the handled event does: close the port, or free the room
  } cases[] = {{"room comes", false}, {"the port closes", true}};
  for (const auto& c : cases) {
    bool room = false;
    bool open = true;
    QTimer::singleShot(5, [&] {
      if (c.closes)
        open = false;
      else
        room = true;
    });
    EXPECT_EQ(waitForRoomWhileHandlingEvents([&] { return !room; }, [&] { return open; }), !c.closes) << c.name;
  }
}

}  // namespace
