// The platform layer the serial component runs on, chosen at build time: POSIX termios.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "port_event_waiter.h"
#include "posix_port.h"

using PlatformPort = PosixPort;
using PlatformEventWaiter = PortEventWaiter;
using PlatformHandle = int;

// The kernel sizes a terminal's queues itself; TxQueueSize still bounds the room check.
inline int setDriverQueues(PlatformPort&, std::uint16_t, std::uint16_t) { return 0; }

inline std::string platformErrorText(int code) { return std::strerror(code); }
