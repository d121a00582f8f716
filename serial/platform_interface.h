// What the serial component needs from a platform layer, stated once. The POSIX and the Win32
// layer each satisfy it (checked where the build names the chosen layer, serial_platform.h), and
// the component uses nothing else: a layer for a third system offers exactly this.
#pragma once

#include <chrono>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "line_settings.h"
#include "open_failure.h"
#include "port_events.h"

// One serial device. Every call that can fail gives 0 or the system's code of the failure, and
// none of them waits longer than its own bound.
template <class Port>
concept SerialPlatformPort = requires(Port& port, const Port& readOnly, const std::string& path,
                                      const TLineSettings& settings, char byte, int error,
                                      std::int32_t count) {
  // Port n (1..256) as this system names it, where a folder's entries may stand for ports (the
  // folder given, else the current directory), and the device that name stands for.
  { Port::pathForPort(1, std::filesystem::path()) } -> std::same_as<std::string>;
  { Port::deviceBehind(path) } -> std::same_as<std::string>;
  { port.open(path) } -> std::same_as<int>;
  { readOnly.openFailure(error) } -> std::same_as<OpenFailure>;  // after an open gave `error`
  { port.close() } -> std::same_as<int>;
  { readOnly.isOpen() } -> std::same_as<bool>;
  readOnly.fd();  // what the event waiter waits on
  { port.setQueueSizes(std::uint16_t{}, std::uint16_t{}) } -> std::same_as<int>;
  { port.apply(settings) } -> std::same_as<int>;
  // Everything written, or a failure once the time-out has passed.
  { port.write(path.data(), std::size_t{}, std::chrono::milliseconds{}) } -> std::same_as<int>;
  { readOnly.inputCount(count) } -> std::same_as<int>;
  { readOnly.outputCount(count) } -> std::same_as<int>;
  // The bytes still waiting to go out thrown away.
  { port.discardOutput() } -> std::same_as<int>;
  // Whether a write takes its time on a line (not so on a pseudo-terminal).
  { readOnly.hasWireTime() } -> std::same_as<bool>;
  // One byte without waiting: 1 when read, 0 when none is there or the read failed (error set).
  { port.readByte(byte, error) } -> std::same_as<int>;
  // Whether the byte read last came damaged: a parity or framing error, a break, or bytes lost
  // to an overrun around it.
  { readOnly.lastByteDamaged() } -> std::same_as<bool>;
  port.setOutputLine(Port::OutputLine::Rts, true);
  port.setOutputLine(Port::OutputLine::Dtr, false);
};

// The receive thread's wait for port events: it blocks until a watched event occurs or another
// thread wakes it, and says which events occurred.
template <class Waiter, class Port>
concept SerialPlatformEventWaiter = requires(Waiter& waiter, const Port& port, std::int32_t count) {
  waiter.wake();           // any thread: ends the current or next wait or pause
  waiter.noteWrite();      // after a write: the output queue's emptying is an event to come
  waiter.noteRead(count);  // after bytes were read: they are no arrival any more
  // A new generation (a new open) starts from fresh baselines; modem lines, breaks and ring
  // only while watchLines asks for them where watching them costs time.
  { waiter.wait(port.fd(), std::uint64_t{}, true) } -> std::same_as<PortEvents>;
  waiter.pause(std::chrono::milliseconds{});
};
