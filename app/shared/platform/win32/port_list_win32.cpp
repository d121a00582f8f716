// The port list on Windows. SetupAPI's Ports class gives each port's name (its device key's
// "PortName"), description, maker and, from its instance ID, the USB vendor and product ID and the
// adapter's serial number. The registry's HARDWARE\DEVICEMAP\SERIALCOMM map adds the ports that
// SetupAPI does not list (under Wine it lists none, and only that map is filled), by name alone.
// Every port opens as \\.\COMn, COM10 and above too; COM1 to COM9 are the buttons of those numbers.
#include <windows.h>
#include <setupapi.h>

#include <algorithm>
#include <vector>

#include "port_list_platform.h"
#include "win32_port.h"

namespace {

// GUID_DEVCLASS_PORTS, spelt out: devguid.h only declares it.
constexpr GUID kPortsClass = {0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

// Registry and SetupAPI strings may lack their terminating zero, or carry several.
QString wideText(const wchar_t* text, DWORD bytes) {
  return QString::fromWCharArray(text, static_cast<int>(bytes / sizeof(wchar_t))).section(QChar(0), 0, 0);
}

QString registryText(HKEY key, const wchar_t* name) {
  wchar_t buffer[256];
  DWORD bytes = sizeof(buffer);
  DWORD type = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes) != ERROR_SUCCESS ||
      type != REG_SZ)
    return {};
  return wideText(buffer, bytes);
}

QString deviceProperty(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
  wchar_t buffer[512];
  DWORD bytes = 0;
  if (!SetupDiGetDeviceRegistryPropertyW(set, &device, property, nullptr, reinterpret_cast<BYTE*>(buffer),
                                         sizeof(buffer), &bytes))
    return {};
  return wideText(buffer, bytes);
}

TPortEntry entryNamed(const QString& name) {
  TPortEntry entry;
  entry.name = name;
  const int n = comPortNumber(name);
  entry.path = QString::fromStdString(Win32Port::pathForPort(n));
  entry.button = n <= 9 ? n : 0;
  return entry;
}

std::vector<TPortEntry> setupApiPorts() {
  std::vector<TPortEntry> ports;
  const HDEVINFO set = SetupDiGetClassDevsW(&kPortsClass, nullptr, nullptr, DIGCF_PRESENT);
  if (set == INVALID_HANDLE_VALUE) return ports;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof(device);
  for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &device); ++index) {
    const HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) continue;
    const QString name = registryText(key, L"PortName");
    RegCloseKey(key);
    if (comPortNumber(name) == 0) continue;  // a printer port (LPT1) is in this class too
    TPortEntry entry = entryNamed(name.toUpper());
    entry.description = deviceProperty(set, device, SPDRP_DEVICEDESC);
    entry.manufacturer = deviceProperty(set, device, SPDRP_MFG);
    wchar_t id[512];
    if (SetupDiGetDeviceInstanceIdW(set, &device, id, sizeof(id) / sizeof(wchar_t), nullptr))
      readUsbInstanceId(QString::fromWCharArray(id), entry);
    ports.push_back(entry);
  }
  SetupDiDestroyDeviceInfoList(set);
  return ports;
}

std::vector<QString> serialCommNames() {
  std::vector<QString> names;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return names;
  std::vector<wchar_t> valueName(16384);  // the longest a value's name can be
  for (DWORD index = 0;; ++index) {
    DWORD nameChars = static_cast<DWORD>(valueName.size());
    wchar_t data[64];
    DWORD bytes = sizeof(data);
    DWORD type = 0;
    const LONG result =
        RegEnumValueW(key, index, valueName.data(), &nameChars, nullptr, &type, reinterpret_cast<BYTE*>(data), &bytes);
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result == ERROR_SUCCESS && type == REG_SZ) names.push_back(wideText(data, bytes).toUpper());
  }
  RegCloseKey(key);
  return names;
}

}  // namespace

// Ports are devices here: no folder holds any, and the system's list is all there is.
std::vector<TPortEntry> systemPorts(const std::filesystem::path&, TPortScope, TPortListNotes&) {
  std::vector<TPortEntry> ports = setupApiPorts();
  for (const QString& name : serialCommNames()) {
    const bool listed =
        std::any_of(ports.begin(), ports.end(), [&name](const TPortEntry& port) { return port.name == name; });
    if (!listed && comPortNumber(name) != 0) ports.push_back(entryNamed(name));
  }
  // SetupAPI's order is the order devices were installed in: COM1 before COM12, as the buttons go.
  std::stable_sort(ports.begin(), ports.end(), [](const TPortEntry& a, const TPortEntry& b) {
    return comPortNumber(a.name) < comPortNumber(b.name);
  });
  return ports;
}
