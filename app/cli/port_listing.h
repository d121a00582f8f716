#pragma once
// kelvox-setup --list-ports: one line per port on standard output, without a window or a display:
//   name [(COMn: the button that opens it)] TAB what the hardware says TAB its identity [TAB saved]
// "-" stands for what is not known. A saved port that is not present gets a line of its own.
#include <QJsonObject>
#include <QString>
#include <functional>
#include <vector>

#include "port_list.h"
#include "port_settings_file.h"

class QCommandLineParser;

void addListPortsOption(QCommandLineParser& parser);
bool listPortsRequested(const QCommandLineParser& parser);

// The lines for `ports`, `saved` what kelvox.ini names (followed to where its adapter moved).
QString portListing(const std::vector<TPortEntry>& ports, const TSavedPort& saved);
// --list-ports --json: {"schema": 1, "ports": [{"name", "path", ..., "saved", "skipped"}]}, `refusal`
// saying why a search would skip a port (empty: it opens). A saved port that is not present is
// listed as skipped, "not present".
QJsonObject portDocument(const std::vector<TPortEntry>& ports, const TSavedPort& saved,
                         const std::function<QString(const TPortEntry&)>& refusal);
// Prints the listing of `list`, or with `json` its document, with the port `settingsFile`
// (kelvox.ini) saved; gives the exit code.
int runListPorts(const TPortList& list, const TPortSettingsFile& settingsFile, bool json = false);
