// Serial4: the serial port component TSerial and its receive thread TEventThread.
//
// Principles of operation
//
// Threads. The main thread owns the component: it opens and closes the port, sets properties,
// writes, and runs every event handler. The receive thread (one TEventThread per component,
// started by the first open) only waits for port events, reads the received bytes, cuts them into
// messages (MessageFramer) and has the main thread raise the matching events. Waiting, reading
// and writing are done by the platform layer the build chose (serial_platform.h: POSIX termios or
// the Win32 communications calls, both offering platform_interface.h); this module is the same
// on every system.
//
// The hand-over. The receive thread never calls a handler itself: runOnMainThread() queues the
// call on the main thread's event loop, with the component as its context, and blocks until it
// has run. So a handler sees the message and the modem states as they were raised, bytes that
// arrive meanwhile wait in the driver's queue, and a handler may write, close or reopen the port.
// An event without a handler costs no hand-over. Errors that the receive thread finds are
// reported the same way, on the main thread.
//
// Generations. Every successful open starts a new generation. Before each wait the receive thread
// takes a WaitTicket (open flag, handle, generation) under portMutex_; after the wait it asks
// stillOpen(generation), and a wait that a close (or a close and a reopen) has overtaken
// dispatches nothing. The waiter starts each generation from fresh baselines. portMutex_ also
// keeps ReadChar off a handle that is being closed or replaced.
//
// Busy and idle. The thread marks itself busy while it works on an open port and idle once it
// finds the port closed; then it sleeps on stateChanged_ until the next open or the stop.
//
// Cancelled hand-overs. The destructor stops the thread before it closes the port:
// requestStop() cancels a hand-over that is still waiting, so the thread returns at once and the
// queued call, should it still come, runs nothing. The call record, not the component, is what
// both sides share, so a handler may even destroy its own component. The destructor then waits
// for the thread's end mark, so the thread never touches a component that is gone.
//
// Closing, bounded at 750 ms. close() drops DTR and RTS, clears the open flag, wakes the waiter
// (the Win32 layer clears the event mask, the POSIX one signals its wake-up descriptor), closes
// the handle under portMutex_, and then waits for the thread to go idle, at most 750 ms. The
// bound is for a close made while the thread waits for a hand-over, typically from inside a
// handler: the thread cannot go idle before that handler returns, so the close goes on after
// 750 ms and the thread finds the port closed (or a new generation) when it is released. A device
// that goes away fails every wait: the main thread reports that once and closes the port without
// the wait (closeLostPort), since the thread is waiting for that very call.
#pragma once

#include <QObject>
#include <QString>
#include <QThread>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "line_settings.h"
#include "message_framer.h"
#include "open_failure.h"
#include "serial_platform.h"

enum eParity { paNone, PaOdd, paEven, paMark, paSpace };
enum eDataBits { d7bit, d8bit };
enum eStopBits { st1bit, st2bit };
enum eFlowControl { fcNone, fcRTS_CTS, fcDTR_DSR, fcXON_XOF };
enum eOpModes { rxNormal, rxMessage };
enum eNotifyErr { neDialog, neEvent, neNone };
enum eModemInSignal { miCTS, miDSR, miRLSD };
enum eModemLine { mlRTS, mlDTR };

class TSerial;

// The receive thread: waits for port events and raises the component's events on the main thread.
class TEventThread : public QThread {
 public:
  explicit TEventThread(TSerial& owner);

  // Runs fn on the main thread and waits until it has returned. Gives false, without running fn,
  // once the thread is told to stop.
  bool runOnMainThread(std::function<void()> fn);
  // Asks the loop to end and releases a pending hand-over; the caller then waits for the end.
  void requestStop();
  bool stopRequested() const { return stop_; }

 protected:
  void run() override;

 private:
  struct PendingCall;
  void dispatch(std::uint32_t events, const PortEvents& details);
  // Raises an event of the component on the main thread and waits for its handler; an event that
  // has no handler costs no hand-over.
  template <class Event, class... Args>
  void raise(Event TSerial::*event, Args... args);
  void readMessages();

  TSerial& owner_;
  std::atomic<bool> stop_{false};
  std::mutex callMutex_;
  std::shared_ptr<PendingCall> pending_;
};

// An event of the component: assigned and called on the main thread like a std::function, while
// the receive thread may ask whether one is assigned (so it raises nothing that nobody handles).
template <class Signature>
class TEvent {
 public:
  using Handler = std::function<Signature>;

  TEvent() = default;
  TEvent(const TEvent&) = delete;
  TEvent& operator=(const TEvent&) = delete;
  TEvent& operator=(Handler handler) {
    handler_ = std::move(handler);
    assigned_ = static_cast<bool>(handler_);
    if (onAssign_) onAssign_();
    return *this;
  }
  // Run after each assignment, on the main thread: the receive thread may have to watch more.
  void setOnAssign(std::function<void()> onAssign) { onAssign_ = std::move(onAssign); }

  // A copy to call: it outlives a handler that replaces itself or destroys the component.
  Handler handler() const { return handler_; }
  // Any thread.
  bool assigned() const { return assigned_; }

 private:
  Handler handler_;
  std::atomic<bool> assigned_{false};
  std::function<void()> onAssign_;
};

class TSerial : public QObject {
  Q_OBJECT
 public:
  explicit TSerial(QObject* owner = nullptr);
  ~TSerial() override;

  // Published properties in declaration order: getter named as the property, setter setX.
  // Port n (1..kMaxPort) as the platform layer names it; 0 while a device path is chosen.
  int Port() const { return port_; }
  void setPort(int port);
  // The folder whose COMn entries stand for port numbers where the platform has such entries
  // (Linux): the program's working folder. Empty: the current directory. Port n is looked up
  // there at each open.
  const std::filesystem::path& PortFolder() const { return portFolder_; }
  void setPortFolder(const std::filesystem::path& folder);
  // A device by its path instead of a number ("/dev/ttyUSB0", a by-id name, \\.\COM12):
  // what a port list found. An empty path goes back to the port number set last.
  const std::string& PortPath() const { return portPath_; }
  void setPortPath(const std::string& path);
  std::int32_t Baudrate() const { return baudrate_; }
  void setBaudrate(std::int32_t rate);
  eParity Parity() const { return parity_; }
  void setParity(eParity parity);
  eDataBits DataBits() const { return dataBits_; }
  void setDataBits(eDataBits bits);
  eStopBits StopBits() const { return stopBits_; }
  void setStopBits(eStopBits bits);
  std::uint16_t RxQueueSize() const { return rxQueueSize_; }
  void setRxQueueSize(std::uint16_t size);
  std::uint16_t TxQueueSize() const { return txQueueSize_; }
  void setTxQueueSize(std::uint16_t size);
  eFlowControl FlowMode() const { return flowMode_; }
  void setFlowMode(eFlowControl mode);
  bool CheckParity() const { return checkParity_; }
  void setCheckParity(bool check);
  std::int32_t RxWaiting();
  std::int32_t TxWaiting();
  eOpModes RxEventMode() const { return rxEventMode_; }
  void setRxEventMode(eOpModes mode) { rxEventMode_ = mode; }
  char MessageStartChar() const { return messageStartChar_; }
  void setMessageStartChar(char c) { messageStartChar_ = c; }
  // A second character that also begins a message, or none (the default); applies from the next
  // received byte, as MessageStartChar does.
  std::optional<char> MessageSecondStartChar() const;
  void setMessageSecondStartChar(std::optional<char> c) {
    messageSecondStartChar_ = c ? int{static_cast<unsigned char>(*c)} : -1;
  }
  char MessageEndChar() const { return messageEndChar_; }
  void setMessageEndChar(char c) { messageEndChar_ = c; }
  std::uint16_t MessageAppendCount() const { return messageAppendCount_; }
  void setMessageAppendCount(std::uint16_t count) { messageAppendCount_ = count; }
  eNotifyErr NotifyErrors() const { return notifyErrors_; }
  void setNotifyErrors(eNotifyErr mode) { notifyErrors_ = mode; }
  std::int32_t ErrorCode() const { return errorCode_; }
  bool WaitOnTxFull() const { return waitOnTxFull_; }
  void setWaitOnTxFull(bool wait) { waitOnTxFull_ = wait; }
  std::uint32_t Timeout() const { return timeout_; }
  void setTimeout(std::uint32_t ms);

  bool Active() const { return open_; }
  void setActive(bool active);
  // Whether the port was closed because its device went away (a failed wait) and has not been
  // opened since: the owner may open it again once the device is back.
  bool lostDevice() const { return lostDevice_; }

  // Each gives whether the port took the bytes within Timeout ms.
  bool SendString(const std::string& s);
  bool SendChar(char c);
  int ReadChar(char& c);  // main thread or the receive thread
  // While OnMessage runs (message mode): whether the message cannot answer what the last
  // SendString or SendChar wrote, because every byte of it had arrived before that write began,
  // or before the write could have left the port at the line's rate (its bytes' time on the
  // wire); messageBeforeFirstSend() asks the same of the first write since the port opened.
  // And whether damaged characters (a parity or framing error, a break, an overrun) came within
  // the message or since the message before it. A damaged message is delivered all the same: the
  // owner decides what it may still use of it (nothing, for a reply of the clock).
  bool messageBeforeLastSend() const { return before(lastSend_); }
  bool messageBeforeFirstSend() const { return !firstSend_ || before(*firstSend_); }
  bool messageDamaged() const { return deliveredDamaged_; }
  // Whether a write's time on the wire counts (above): by default where the device has a line
  // (not a pseudo-terminal, whose writes arrive at once); a test may turn it on for one.
  void setWireTimeCounts(std::optional<bool> counts) { wireTimeCounts_ = counts; }
  // End outstanding write or read operations; neither discards queued or received bytes.
  void AbortTx();
  void AbortRx();
  // Throws away the bytes still waiting to go out: the next close does not wait for them.
  void PurgeTx();
  void SetModemLine(eModemLine line, bool on);

  // Events, each optional; assigned and raised on the main thread.
  TEvent<void(TSerial*sender)> OnRxData, OnTxEmpty, OnError, OnBreak, OnRing;
  TEvent<void(TSerial* sender, const std::string& rxMessage)> OnMessage;
  TEvent<void(TSerial* sender, eModemInSignal signal, bool state)> OnSignalChange;
  // The port closed itself because its device went away; lostDevice() holds from then on.
  TEvent<void(TSerial* sender)> OnDeviceLost;

  // The highest port number: Windows numbers its ports COM1 to COM256.
  static constexpr int kMaxPort = 256;

  // The device that port n (1..kMaxPort) stands for, and why the last open failed (kind None and reason
  // "" when it did not): said to the user, who cannot tell otherwise why a port is missing.
  static std::string deviceForPort(int port);
  // What port n opens, its COMn entry looked for in `folder` (see PortFolder); "" when nothing
  // may be opened for it (another user's entry in a shared folder, and no device of that number).
  static std::string pathForPort(int port, const std::filesystem::path& folder);
  const OpenFailure& lastOpenFailure() const { return openFailure_; }
  std::string openFailure() const { return openFailure_.reason; }

  // The line-settings record last built; a pseudo-terminal drops parity, so tests read it here.
  const TLineSettings& lineSettings() const { return lineSettings_; }

  static constexpr std::int32_t kNotActive = -1;
  static constexpr std::int32_t kTooLongForTx = -2;
  static constexpr std::int32_t kLineError = -3;  // damaged characters received

 private:
  friend class TEventThread;

  void open();
  void close();
  void closePort(bool waitForThread);
  void closeLostPort(int code, std::uint64_t generation);  // main thread
  void reopenIfOpen();
  void applySettings();
  void queueStatus();
  bool sendBytes(const char* data, std::size_t size);
  // ReadChar with what the receive thread also needs: whether the byte came damaged, and its
  // running number among the bytes taken from the port.
  int takeChar(char& c, bool& damaged, std::uint64_t& index);
  bool waitForTxRoom(std::size_t needed, bool whole);
  void reportLastError(int code);
  void reportError(std::int32_t code);
  // Reports on the main thread, whichever thread found the failure.
  void reportFromAnyThread(std::function<void()> report);
  static void errorBox(const QString& text);

  // What the receive thread needs to start one wait on the open port.
  struct WaitTicket {
    bool open = false;
    PlatformHandle handle{};
    std::uint64_t generation = 0;
  };
  WaitTicket beginWait();
  bool stillOpen(std::uint64_t generation);
  void setThreadBusy(bool busy);
  void threadEnded();
  void waitForThreadIdle();
  void idleWhileClosed();

  int port_ = 1;
  int lastPort_ = 1;      // the number that an empty path goes back to
  std::filesystem::path portFolder_;
  std::string portPath_;  // when set, opened instead of port_
  std::int32_t baudrate_ = 9600;
  eParity parity_ = paNone;
  eDataBits dataBits_ = d7bit;
  eStopBits stopBits_ = st1bit;
  std::uint16_t rxQueueSize_ = 1024;
  std::uint16_t txQueueSize_ = 1024;
  eFlowControl flowMode_ = fcNone;
  bool checkParity_ = true;
  std::atomic<eOpModes> rxEventMode_{rxNormal};
  std::atomic<char> messageStartChar_{2};
  std::atomic<int> messageSecondStartChar_{-1};  // a byte 0..255, or -1 for none
  std::atomic<char> messageEndChar_{3};
  std::atomic<std::uint16_t> messageAppendCount_{0};
  std::atomic<eNotifyErr> notifyErrors_{neDialog};  // the receive thread asks whether to report
  std::int32_t errorCode_ = 0;
  bool waitOnTxFull_ = true;
  std::uint32_t timeout_ = 10000;

  TLineSettings lineSettings_;
  std::int32_t inputCount_ = 0;
  std::int32_t outputCount_ = 0;
  OpenFailure openFailure_;

  // The port handle changes only on the main thread; the mutex keeps the receive thread's reads
  // off a handle that is being closed (or reused by the next open).
  std::mutex portMutex_;
  PlatformPort portDevice_;
  std::uint64_t generation_ = 0;
  std::atomic<bool> open_{false};
  bool lostDevice_ = false;  // main thread

  PlatformEventWaiter waiter_;
  MessageFramer framer_;  // receive thread only
  // Bytes taken from the port so far, counted under portMutex_; at each write the count of the
  // bytes taken or waiting in the input queue (SendMark, main thread). A message is delivered
  // with the number of its last byte, when that byte was taken, and whether damage came with it
  // (set by the receive thread before the hand-over, read by the handler).
  // A write as the messages that follow it are judged against: the bytes that had come before
  // it, when it began, and how long its bytes take on the line.
  struct SendMark {
    std::uint64_t bytesBefore = 0;
    std::chrono::steady_clock::time_point began{};
    std::chrono::nanoseconds onWire{0};
  };
  bool before(const SendMark& send) const;
  std::chrono::nanoseconds timeOnWire(std::size_t bytes) const;

  std::uint64_t bytesTaken_ = 0;
  SendMark lastSend_;                  // main thread
  std::optional<SendMark> firstSend_;  // since the last open; main thread
  std::optional<bool> wireTimeCounts_;
  bool deviceHasWireTime_ = false;   // as the last open found the device
  bool damageSinceMessage_ = false;  // receive thread only
  std::uint64_t deliveredEnd_ = 0;
  std::chrono::steady_clock::time_point deliveredAt_{};
  bool deliveredDamaged_ = false;

  std::mutex stateMutex_;
  std::condition_variable stateChanged_;
  bool threadBusy_ = false;
  bool threadEnded_ = false;

  std::unique_ptr<TEventThread> thread_;
};
