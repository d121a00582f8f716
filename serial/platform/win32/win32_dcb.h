// The device-control block the line-settings record stands for: what the port applies.
#pragma once

#include <windows.h>

#include "line_settings.h"

DCB dcbFromLineSettings(const TLineSettings& settings);
