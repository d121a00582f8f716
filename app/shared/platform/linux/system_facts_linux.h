#pragma once
// The Linux facts of serial devices, read from the files under a root folder: "/" for the
// machine, a stand-in tree for the tests. Nothing else is run or asked.
#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

#include "system_facts.h"

// Who this process is: its user, the groups of this login (getgroups), its own PID.
struct TLoginIdentity {
  uid_t uid = 0;
  std::vector<gid_t> groups;
  pid_t pid = 0;
};

TLoginIdentity thisLogin();

class TLinuxSystemFacts final : public TSystemFacts {
 public:
  // The files under `root`: dev, etc/group and etc/passwd, proc, sys/bus/usb/devices, and the
  // lock files in `lockFolder` (absolute, as the serial layer keeps it) below root.
  TLinuxSystemFacts(std::filesystem::path root, TLoginIdentity login, const std::string& lockFolder);

  std::optional<DeviceGroup> deviceGroup(const std::string& device) const override;
  std::vector<Holder> holders(const std::string& device) const override;
  int running(const std::string& program) const override;
  std::vector<Adapter> adaptersWithoutPort() const override;

 private:
  // A system path ("/dev/ttyUSB0") under the root.
  std::filesystem::path within(const std::string& path) const;
  // The device a name leads to, as the system names it ("/dev/ttyUSB0" for a COMn link).
  std::string resolved(const std::string& device) const;
  std::string programOf(int pid) const;
  std::vector<int> processes() const;

  std::filesystem::path root_;
  TLoginIdentity login_;
  std::filesystem::path lockFolder_;
};
