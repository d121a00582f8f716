// The Windows facts of serial devices, from SetupAPI: USB adapters of a known kind that Device
// Manager shows with a problem (a driver missing, code 28). Windows has no device groups and
// tells no other program's handles, so those facts stay unknown.
#include <windows.h>
#include <cfgmgr32.h>
#include <setupapi.h>

#include <algorithm>
#include <cctype>
#include <string>

#include "system_facts.h"

namespace {

// "usb\vid_0403&pid_6001\a50285bi": the four hex digits after `key`, lower case; empty if none.
std::string idAfter(const std::string& id, const std::string& key) {
  const std::size_t at = id.find(key);
  if (at == std::string::npos || at + key.size() + 4 > id.size()) return {};
  return id.substr(at + key.size(), 4);
}

std::string instanceId(HDEVINFO set, SP_DEVINFO_DATA& device) {
  char buffer[512];
  if (!SetupDiGetDeviceInstanceIdA(set, &device, buffer, sizeof buffer, nullptr)) return {};
  std::string id = buffer;
  std::transform(id.begin(), id.end(), id.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return id;
}

class TWin32SystemFacts final : public TSystemFacts {
 public:
  std::optional<DeviceGroup> deviceGroup(const std::string&) const override { return std::nullopt; }
  std::vector<Holder> holders(const std::string&) const override { return {}; }
  int running(const std::string&) const override { return 0; }

  std::vector<Adapter> adaptersWithoutPort() const override {
    std::vector<Adapter> adapters;
    HDEVINFO set = SetupDiGetClassDevsA(nullptr, "USB", nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) return adapters;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &device); ++i) {
      const std::string id = instanceId(set, device);
      const std::string vendor = idAfter(id, "vid_");
      const std::string kind = adapterKind(vendor);
      ULONG status = 0;
      ULONG problem = 0;
      if (kind.empty() || CM_Get_DevNode_Status(&status, &problem, device.DevInst, 0) != CR_SUCCESS) continue;
      if ((status & DN_HAS_PROBLEM) == 0 || problem == 0) continue;
      adapters.push_back({kind, vendor + ":" + idAfter(id, "pid_"), static_cast<int>(problem)});
    }
    SetupDiDestroyDeviceInfoList(set);
    return adapters;
  }
};

}  // namespace

std::unique_ptr<TSystemFacts> machineSystemFacts() { return std::make_unique<TWin32SystemFacts>(); }
