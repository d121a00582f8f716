// The port list on Linux. The serial layer's one listing of the machine's serial devices
// (PosixPort::serialDevices) gives the numbered devices in their order, and from the same listing
// which COM button opens which device (PosixPort::pathForPort: a COMn entry, else the n-th device).
// Qt's QSerialPortInfo (through libudev) adds what the hardware says of each, and the devices
// the numbering does not count (/dev/ttyAMA0, /dev/rfcomm0), which no number opens; added here
// are the COMn entries of the working folder and the /dev/serial/by-id names as identities.
#include "port_list_linux.h"

#include <QFile>
#include <QSerialPortInfo>
#include <algorithm>
#include <cstdio>
#include <map>
#include <string>

#include "port_list_platform.h"
#include "posix_port.h"
#include "program_name.h"

namespace fs = std::filesystem;

namespace {

// The USB interface a tty hangs on, by its bus path ("1-1.2:1.0"): the parent of the device's
// sysfs folder that is named so; none for a device that is not on USB.
QString usbLocation(const QString& device) {
  std::error_code ec;
  const fs::path sys = fs::canonical(fs::path("/sys/class/tty") / QFile::encodeName(device).toStdString() / "device", ec);
  if (ec) return {};
  for (fs::path at = sys; at.has_relative_path() && at != at.root_path(); at = at.parent_path()) {
    const std::string name = at.filename().string();
    if (name.find(':') != std::string::npos && name.find('-') != std::string::npos &&
        name.find_first_not_of("0123456789-.:") == std::string::npos)
      return QString::fromStdString(name);
  }
  return {};
}

TPortEntry entryFor(const QSerialPortInfo& info) {
  TPortEntry entry;
  entry.name = entry.path = info.systemLocation();  // "/dev/ttyUSB0" rather than "ttyUSB0"
  entry.description = info.description();
  entry.manufacturer = info.manufacturer();
  if (info.hasVendorIdentifier() && info.hasProductIdentifier())
    entry.usbId = QStringLiteral("%1:%2")
                      .arg(info.vendorIdentifier(), 4, 16, QLatin1Char('0'))
                      .arg(info.productIdentifier(), 4, 16, QLatin1Char('0'));
  entry.serialNumber = entry.identity = info.serialNumber();
  entry.location = usbLocation(info.portName());
  return entry;
}

std::string deviceOf(const QString& path) { return PosixPort::deviceBehind(QFile::encodeName(path).toStdString()); }

QString pathText(const fs::path& path) { return QFile::decodeName(path.c_str()); }

// The numbered devices in their order, each with what Qt says of it, then the devices Qt lists
// that the numbering does not count, in Qt's order.
std::vector<TPortEntry> deviceEntries(const std::vector<std::string>& devices,
                                      const std::vector<TPortEntry>& described) {
  std::vector<TPortEntry> entries;
  std::vector<bool> taken(described.size(), false);
  for (const std::string& device : devices) {
    TPortEntry entry;
    entry.name = entry.path = QFile::decodeName(device.c_str());
    // Qt names a device by its node under /dev, as the listing does.
    for (std::size_t i = 0; i < described.size(); ++i) {
      if (taken[i] || described[i].path != entry.path) continue;
      entry = described[i];
      taken[i] = true;
      break;
    }
    entries.push_back(entry);
  }
  for (std::size_t i = 0; i < described.size(); ++i)
    if (!taken[i]) entries.push_back(described[i]);
  return entries;
}

// The by-id names by the device each leads to.
std::map<std::string, QString> byIdNames() {
  std::map<std::string, QString> names;
  std::error_code ec;  // no folder: no USB serial device is plugged in
  for (fs::directory_iterator it("/dev/serial/by-id", ec), end; !ec && it != end; it.increment(ec))
    names.emplace(PosixPort::deviceBehind(it->path().string()), pathText(it->path()));
  return names;
}

// The folder's entries "COMn" (n from 1 to 256) that lead somewhere, by n: a dangling link marks
// an absent port. Another user's entry in a shared folder is left out, and said so.
std::map<int, fs::path> comEntries(const fs::path& folder, TForeignEntries& foreign) {
  std::map<int, fs::path> entries;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    const int n = comPortNumber(QString::fromStdString(name));
    // The serial layer opens exactly "COMn".
    if (n == 0 || name != "COM" + std::to_string(n)) continue;
    std::error_code missing;
    if (fs::exists(it->path(), missing) && !foreign.leftAlone(it->path())) entries.emplace(n, it->path());
  }
  return entries;
}

// A COMn entry that stands for no listed device: where it leads, and what stands there when that
// is no device ("not a serial port: a FIFO").
QString entryDescription(const fs::path& entry, const std::string& device) {
  const QString what = QString::fromStdString(PosixPort::notASerialPort(entry.string()));
  std::error_code ec;
  if (!fs::is_symlink(fs::symlink_status(entry, ec))) return what;
  const QString link = QStringLiteral("link to ") + QFile::decodeName(device.c_str());
  return what.isEmpty() ? link : link + QStringLiteral("; ") + what;
}

void noteFallbackOnce(TPortListNotes& notes) {
  if (notes.fallbackTold) return;
  notes.fallbackTold = true;
  std::fprintf(stderr,
               "%s: the system lists no serial ports; looking only at the COMn links and the devices "
               "ttyUSB*, ttyACM* and ttyS*\n",
               kProgram);
}

}  // namespace

std::vector<TPortEntry> systemPorts(const fs::path& folder, TPortScope scope, TPortListNotes& notes) {
  // The tests and the demo keep to the links of their folder: the machine's own serial devices
  // (on some machines /dev/ttyS0 is a console) are never listed, so never asked.
  const bool folderOnly = scope == TPortScope::FolderLinksOnly;
  const std::vector<std::string> devices = folderOnly ? std::vector<std::string>() : PosixPort::serialDevices();
  std::vector<TPortEntry> described;
  for (const QSerialPortInfo& info :
       folderOnly ? QList<QSerialPortInfo>() : QSerialPortInfo::availablePorts())
    described.push_back(entryFor(info));
  if (described.empty() && !devices.empty()) noteFallbackOnce(notes);
  return linuxPorts(folder, devices, described, *notes.foreignEntries);
}

std::vector<TPortEntry> linuxPorts(const fs::path& folder, const std::vector<std::string>& devices,
                                   const std::vector<TPortEntry>& described, TForeignEntries& foreign) {
  std::vector<TPortEntry> enumerated = deviceEntries(devices, described);
  std::vector<std::string> known;  // the device behind each entry
  for (const TPortEntry& entry : enumerated) known.push_back(deviceOf(entry.path));
  const auto byId = byIdNames();
  for (std::size_t i = 0; i < enumerated.size(); ++i) {
    if (const auto it = byId.find(known[i]); it != byId.end()) enumerated[i].identity = it->second;
  }
  // A button whose port is a numbered device, named from the same listing; the COMn entries
  // below carry their own.
  for (int n = 1; n <= 9; ++n) {
    const QString path = QFile::decodeName(PosixPort::pathForPort(n, folder.string(), devices).c_str());
    for (TPortEntry& entry : enumerated) {
      if (entry.path == path) entry.button = n;
    }
  }
  std::vector<TPortEntry> list;
  std::vector<bool> linked(enumerated.size(), false);  // a device a COMn link stands for is listed once, as the link
  for (const auto& [n, entryPath] : comEntries(folder, foreign)) {
    const std::string device = PosixPort::deviceBehind(entryPath.string());
    const auto same = std::find(known.begin(), known.end(), device);
    // A link to a listed device tells what that device is; one to a pseudo-terminal, where it leads.
    TPortEntry entry;
    if (same != known.end()) {
      const auto index = static_cast<std::size_t>(same - known.begin());
      entry = enumerated[index];
      linked[index] = true;
    } else {
      entry.description = entryDescription(entryPath, device);
    }
    entry.name = QStringLiteral("COM%1").arg(n);
    entry.path = pathText(entryPath);
    entry.button = n <= 9 ? n : 0;
    list.push_back(entry);
  }
  for (std::size_t i = 0; i < enumerated.size(); ++i)
    if (!linked[i]) list.push_back(enumerated[i]);
  sortByButton(list);
  return list;
}
