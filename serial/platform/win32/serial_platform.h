// The platform layer the serial component runs on, chosen at build time: the Win32
// communications calls.
#pragma once

#include <string>

#include "platform_interface.h"
#include "win32_event_waiter.h"
#include "win32_port.h"

using PlatformPort = Win32Port;
using PlatformEventWaiter = Win32EventWaiter;
using PlatformHandle = Win32Handle;
static_assert(SerialPlatformPort<PlatformPort>);
static_assert(SerialPlatformEventWaiter<PlatformEventWaiter, PlatformPort>);

inline std::string platformErrorText(int code) { return win32ErrorText(code); }
