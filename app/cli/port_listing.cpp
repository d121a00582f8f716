#include "port_listing.h"

#include <QCommandLineParser>
#include <cstdio>

#include "argument_text.h"
#include "desktop.h"
#include "port_settings_file.h"
#include "saved_port.h"

namespace {

const QString kListPortsOption = QStringLiteral("list-ports");

// Each field on one line and without control characters: kelvox.ini may hold any bytes, and a
// device what it likes in its description (escaped as names from the command line are).
QString orDash(const QString& text) { return text.isEmpty() ? QStringLiteral("-") : shownName(text); }

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

int runListPorts(const TPortList& list, const TPortSettingsFile& settingsFile) {
  const QString text = portListing(list.ports(), settingsFile.saved());
  desktop::write(stdout, text);
  return std::fflush(stdout) == 0 ? 0 : 1;
}
