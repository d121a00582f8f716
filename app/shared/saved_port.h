#pragma once
// The port kelvox.ini remembers, found in today's list of ports: by the adapter's identity first,
// so that an adapter moved to another USB socket (or renumbered because another was plugged in
// first) is followed; else by its COM button or name.
#include <optional>
#include <vector>

#include "port_list.h"
#include "port_settings_file.h"

struct TSavedPortMatch {
  std::optional<std::size_t> index;  // the entry that is the saved port now; none when it is absent
  bool moved = false;                // found by its identity under another name or number
};

TSavedPortMatch findSavedPort(const TSavedPort& saved, const std::vector<TPortEntry>& ports);
// What kelvox.ini keeps of a port.
TSavedPort savedPortOf(const TPortEntry& entry);
// "COM3", or the name a port no button names goes by ("COM12" also for a hand-written "com12").
QString savedPortName(const TSavedPort& saved);
// The same for a message: kelvox.ini may hold any bytes, so control characters are escaped as in
// names from the command line (shownName).
QString shownSavedPortName(const TSavedPort& saved);
