#include "port_listing.h"

#include <QCommandLineParser>
#include <QJsonArray>
#include <cstdio>

#include "Serial4.h"
#include "argument_text.h"
#include "clock_link.h"
#include "clock_search.h"
#include "desktop.h"
#include "json_output.h"
#include "port_settings_file.h"
#include "saved_port.h"

namespace {

const QString kListPortsOption = QStringLiteral("list-ports");

// Each field on one line and without control characters: kelvox.ini may hold any bytes, and a
// device what it likes in its description (escaped as names from the command line are).
QString orDash(const QString& text) { return text.isEmpty() ? QStringLiteral("-") : shownName(text); }

QJsonValue textOrNull(const QString& text) { return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text); }

// Why a search would skip the port: it is opened a moment with the clock's line, as a search opens it.
QString openRefusal(const TPortEntry& port) {
  if (port.path.isEmpty()) return QStringLiteral("no such device");
  TSerial serial;
  makeClockLink(serial);
  usePort(serial, port);
  serial.setActive(true);
  if (!serial.Active()) return QString::fromStdString(serial.openFailure());
  serial.setActive(false);
  return {};
}

QJsonObject portObject(const TPortEntry& port, bool saved, const QString& skipped) {
  const QStringList usb = port.usbId.split(u':');
  const bool hasUsb = usb.size() == 2;
  return {{QStringLiteral("name"), port.name},
          {QStringLiteral("path"), port.path},
          {QStringLiteral("button"), port.button != 0 ? QJsonValue(port.button) : QJsonValue(QJsonValue::Null)},
          {QStringLiteral("description"), textOrNull(port.description)},
          {QStringLiteral("maker"), textOrNull(port.manufacturer)},
          {QStringLiteral("vid"), hasUsb ? QJsonValue(usb[0].toLower()) : QJsonValue(QJsonValue::Null)},
          {QStringLiteral("pid"), hasUsb ? QJsonValue(usb[1].toLower()) : QJsonValue(QJsonValue::Null)},
          {QStringLiteral("serial_number"), textOrNull(port.serialNumber)},
          {QStringLiteral("identity"), textOrNull(port.identity)},
          {QStringLiteral("location"), textOrNull(port.location)},
          {QStringLiteral("saved"), saved},
          {QStringLiteral("skipped"), textOrNull(skipped)}};
}

}  // namespace

void addListPortsOption(QCommandLineParser& parser) {
  parser.addOption({kListPortsOption,
                    QStringLiteral("Lists the serial ports, one a line: name, hardware, identity, and "
                                   "the one saved in kelvox.ini; without a window.")});
}

bool listPortsRequested(const QCommandLineParser& parser) { return parser.isSet(kListPortsOption); }

QString portListing(const std::vector<TPortEntry>& ports, const TSavedPort& saved) {
  QString text;
  // Found as a start finds it: by the adapter's identity first.
  const std::optional<std::size_t> savedIndex = findSavedPort(saved, ports).index;
  for (std::size_t i = 0; i < ports.size(); ++i) {
    const TPortEntry& port = ports[i];
    QString name = shownName(port.name);
    // A button of another name: the device a Linux COMn button opens.
    if (port.button != 0 && comPortNumber(port.name) != port.button) name += QStringLiteral(" (COM%1)").arg(port.button);
    text += name + u'\t' + orDash(port.hardware()) + u'\t' + orDash(port.identity);
    if (savedIndex == i) text += QStringLiteral("\tsaved");
    text += u'\n';
  }
  if (!saved.empty() && !savedIndex)
    text += shownSavedPortName(saved) + QStringLiteral("\tnot present\t") + orDash(saved.identity) + QStringLiteral("\tsaved\n");
  return text;
}

QJsonObject portDocument(const std::vector<TPortEntry>& ports, const TSavedPort& saved,
                         const std::function<QString(const TPortEntry&)>& refusal) {
  const std::optional<std::size_t> savedIndex = findSavedPort(saved, ports).index;
  QJsonArray list;
  for (std::size_t i = 0; i < ports.size(); ++i) list.append(portObject(ports[i], savedIndex == i, refusal(ports[i])));
  if (!saved.empty() && !savedIndex) {
    TPortEntry absent;
    absent.name = shownSavedPortName(saved);
    absent.identity = saved.identity;
    list.append(portObject(absent, true, QStringLiteral("not present")));
  }
  return {{QStringLiteral("schema"), 1}, {QStringLiteral("ports"), list}};
}

int runListPorts(const TPortList& list, const TPortSettingsFile& settingsFile, bool json) {
  if (json) return printJson(portDocument(list.ports(), settingsFile.saved(), openRefusal)) ? 0 : 1;
  const QString text = portListing(list.ports(), settingsFile.saved());
  desktop::write(stdout, text);
  return std::fflush(stdout) == 0 ? 0 : 1;
}
