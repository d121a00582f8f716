#include "port_list.h"

#include <QRegularExpression>
#include <QStringList>
#include <algorithm>

#include "Serial4.h"
#include "argument_text.h"
#include "local_files.h"
#include "port_list_platform.h"

QString TPortEntry::hardware() const {
  QStringList details;
  if (!manufacturer.isEmpty() && manufacturer != description) details << manufacturer;
  if (!usbId.isEmpty()) details << QStringLiteral("USB ") + usbId;
  if (details.isEmpty()) return description;
  const QString joined = details.join(QStringLiteral(", "));
  return description.isEmpty() ? joined : description + QStringLiteral(" (") + joined + u')';
}

QString TPortEntry::label() const {
  QString text = hardware();
  if (!serialNumber.isEmpty() && text.isEmpty())
    text = serialNumber;
  else if (!serialNumber.isEmpty())
    text = text.endsWith(u')') ? text.chopped(1) + QStringLiteral(", ") + serialNumber + u')'
                               : text + QStringLiteral(" (") + serialNumber + u')';
  return text.isEmpty() ? name : name + QStringLiteral(" \u2014 ") + text;
}

QString TPortEntry::shown() const {
  const QString button = this->button != 0 ? QStringLiteral("COM%1").arg(this->button) : QString();
  return button.isEmpty() || button == name ? name : button + QStringLiteral(" (") + name + u')';
}

std::vector<TPortEntry> TSystemPortList::ports() const { return systemPorts(folder_, scope_, notes_); }

TPortEntry placedIn(TPortEntry entry, const std::filesystem::path& folder) {
  const std::filesystem::path path = localPath(entry.path);
  if (path.is_absolute()) return entry;
  if (entry.button != 0)
    entry.path = argumentText(TSerial::pathForPort(entry.button, folder));
  else if (std::error_code ignored; !path.empty() && std::filesystem::exists(std::filesystem::symlink_status(folder / path, ignored)))
    entry.path = localName(folder / path);
  // A name with nothing behind it in the folder stays as it is: the system's own name for a device
  // ("COM12" on Windows).
  return entry;
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

void readUsbInstanceId(const QString& id, TPortEntry& entry) {
  static const QRegularExpression usb(
      QStringLiteral(R"(VID_([0-9A-F]{4})[&+]PID_([0-9A-F]{4})(?:[\\+]([^\\&+]+)(?:\\|$))?)"),
      QRegularExpression::CaseInsensitiveOption);
  const QRegularExpressionMatch match = usb.match(id);
  if (!match.hasMatch()) return;
  entry.usbId = (match.captured(1) + u':' + match.captured(2)).toLower();
  entry.serialNumber = entry.identity = match.captured(3);
}

void sortByButton(std::vector<TPortEntry>& entries) {
  std::stable_sort(entries.begin(), entries.end(), [](const TPortEntry& a, const TPortEntry& b) {
    // 0 (no button) after every button.
    const unsigned left = static_cast<unsigned>(a.button - 1);
    const unsigned right = static_cast<unsigned>(b.button - 1);
    return left < right;
  });
}
