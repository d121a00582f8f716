// The platform layer the serial component runs on, chosen at build time: the Win32
// communications calls.
#pragma once

#include <cstdint>
#include <string>

#include "win32_event_waiter.h"
#include "win32_port.h"

using PlatformPort = Win32Port;
using PlatformEventWaiter = Win32EventWaiter;
using PlatformHandle = Win32Handle;

inline int setDriverQueues(PlatformPort& port, std::uint16_t rxSize, std::uint16_t txSize) {
  return port.setQueueSizes(rxSize, txSize);
}

inline std::string platformErrorText(int code) { return win32ErrorText(code); }
