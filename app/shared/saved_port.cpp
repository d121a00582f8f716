#include "saved_port.h"

#include <algorithm>

namespace {

template <class Match>
std::optional<std::size_t> firstWhere(const std::vector<TPortEntry>& ports, Match match) {
  const auto it = std::find_if(ports.begin(), ports.end(), match);
  if (it == ports.end()) return std::nullopt;
  return static_cast<std::size_t>(it - ports.begin());
}

}  // namespace

TSavedPortMatch findSavedPort(const TSavedPort& saved, const std::vector<TPortEntry>& ports) {
  if (saved.empty()) return {};
  if (!saved.identity.isEmpty()) {
    if (const auto index = firstWhere(ports, [&](const TPortEntry& e) { return e.identity == saved.identity; })) {
      const TPortEntry& now = ports[*index];
      const bool moved = saved.button != 0 ? now.button != saved.button : now.name != saved.name;
      return {index, moved};
    }
  }
  if (saved.button != 0) return {firstWhere(ports, [&](const TPortEntry& e) { return e.button == saved.button; })};
  return {firstWhere(ports, [&](const TPortEntry& e) { return e.name == saved.name || e.path == saved.name; })};
}

TSavedPort savedPortOf(const TPortEntry& entry) {
  return {entry.button, entry.button != 0 ? QString() : entry.name, entry.identity};
}

QString savedPortName(const TSavedPort& saved) {
  return saved.button != 0 ? QStringLiteral("COM%1").arg(saved.button) : saved.name;
}

QString savedPortUnavailable(const QString& name, const QString& reason) {
  return QStringLiteral("%1, saved in kelvox.ini, is not available (%2); looking for the clock on every port")
      .arg(name, reason);
}
