#include "port_list.h"

#include <QSerialPortInfo>
#include <QStringList>
#include <algorithm>

#include "Serial4.h"
#include "port_list_platform.h"

namespace {

TPortEntry entryFor(const QSerialPortInfo& info) {
  TPortEntry entry;
  entry.name = info.portName();
  entry.path = info.systemLocation();
  entry.description = info.description();
  entry.manufacturer = info.manufacturer();
  if (info.hasVendorIdentifier() && info.hasProductIdentifier())
    entry.usbId = QStringLiteral("%1:%2")
                      .arg(info.vendorIdentifier(), 4, 16, QLatin1Char('0'))
                      .arg(info.productIdentifier(), 4, 16, QLatin1Char('0'));
  entry.serialNumber = info.serialNumber();
  entry.identity = entry.serialNumber;
  return entry;
}

}  // namespace

QString TPortEntry::hardware() const {
  QStringList details;
  if (!manufacturer.isEmpty() && manufacturer != description) details << manufacturer;
  if (!usbId.isEmpty()) details << QStringLiteral("USB ") + usbId;
  if (details.isEmpty()) return description;
  const QString joined = details.join(QStringLiteral(", "));
  return description.isEmpty() ? joined : description + QStringLiteral(" (") + joined + u')';
}

std::vector<TPortEntry> TSystemPortList::ports() const {
  std::vector<TPortEntry> enumerated;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) enumerated.push_back(entryFor(info));
  return completePortList(std::move(enumerated), folder_);
}

int comPortNumber(const QString& name) {
  if (name.size() < 4 || name.size() > 6 || !name.startsWith(QStringLiteral("COM"), Qt::CaseInsensitive)) return 0;
  const QString digits = name.mid(3);
  // "COM012" is no port's name: Windows writes the number without leading zeros.
  if (digits.startsWith(u'0')) return 0;
  bool isNumber = false;
  const int n = digits.toInt(&isNumber);
  const bool allDigits = std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
  return isNumber && allDigits && n >= 1 && n <= TSerial::kMaxPort ? n : 0;
}

void sortByButton(std::vector<TPortEntry>& entries) {
  std::stable_sort(entries.begin(), entries.end(), [](const TPortEntry& a, const TPortEntry& b) {
    // 0 (no button) after every button.
    const unsigned left = static_cast<unsigned>(a.button - 1);
    const unsigned right = static_cast<unsigned>(b.button - 1);
    return left < right;
  });
}
