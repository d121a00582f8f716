// The platform layer the serial component runs on, chosen at build time: POSIX termios.
#pragma once

#include <cstring>
#include <string>

#include "platform_interface.h"
#include "port_event_waiter.h"
#include "posix_port.h"

using PlatformPort = PosixPort;
using PlatformEventWaiter = PortEventWaiter;
using PlatformHandle = int;
static_assert(SerialPlatformPort<PlatformPort>);
static_assert(SerialPlatformEventWaiter<PlatformEventWaiter, PlatformPort>);

inline std::string platformErrorText(int code) { return std::strerror(code); }
