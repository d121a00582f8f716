#include "saved_port.h"

#include <algorithm>

#include "argument_text.h"

namespace {

template <class Match>
std::optional<std::size_t> firstWhere(const std::vector<TPortEntry>& ports, Match match) {
  const auto it = std::find_if(ports.begin(), ports.end(), match);
  if (it == ports.end()) return std::nullopt;
  return static_cast<std::size_t>(it - ports.begin());
}

// A name as kelvox.ini holds it names this port: the same text, or the same COMn in any case, as
// --port takes it ("com12").
bool namedBy(const TPortEntry& entry, const QString& name) {
  if (entry.name == name || entry.path == name) return true;
  const int number = comPortNumber(name);
  return number != 0 && comPortNumber(entry.name) == number;
}

}  // namespace

TSavedPortMatch findSavedPort(const TSavedPort& saved, const std::vector<TPortEntry>& ports) {
  if (saved.empty()) return {};
  if (!saved.identity.isEmpty()) {
    if (const auto index = firstWhere(ports, [&](const TPortEntry& e) { return e.identity == saved.identity; })) {
      const TPortEntry& now = ports[*index];
      const bool moved = saved.button != 0 ? now.button != saved.button : !namedBy(now, saved.name);
      return {index, moved};
    }
  }
  if (saved.button != 0) return {firstWhere(ports, [&](const TPortEntry& e) { return e.button == saved.button; })};
  return {firstWhere(ports, [&](const TPortEntry& e) { return namedBy(e, saved.name); })};
}

TSavedPort savedPortOf(const TPortEntry& entry) {
  return {entry.button, entry.button != 0 ? QString() : entry.name, entry.identity};
}

QString savedPortName(const TSavedPort& saved) {
  const int number = saved.button != 0 ? saved.button : comPortNumber(saved.name);
  return number != 0 ? QStringLiteral("COM%1").arg(number) : saved.name;
}

QString shownSavedPortName(const TSavedPort& saved) { return shownName(savedPortName(saved)); }
