#pragma once
// What the system's files tell of serial devices, for the diagnosis of a port that did not serve.
// Only files are read (on Linux /dev, the group database, /proc, /sys and the lock files; on
// Windows SetupAPI): no other program is run. Each platform has its reader, which the build
// chooses (platform/linux, platform/win32); tests give a stand-in.
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TSystemFacts {
 public:
  // The group that may read and write a device, and where the user stands with it.
  struct DeviceGroup {
    std::string name;          // "dialout", "uucp"
    bool userIsMember = false;  // in the group database
    bool inThisLogin = false;   // among this process's groups
  };
  struct Holder {
    int pid = 0;
    std::string program;  // its name, "minicom"; empty when it cannot be seen
  };
  // A USB serial adapter of a known kind with no serial port behind it.
  struct Adapter {
    std::string kind;   // "FTDI", "Prolific", "Silicon Labs", "WCH"
    std::string usbId;  // "1a86:7523"
    int problem = 0;    // Windows: Device Manager's problem code; 0 on Linux (driver not loaded)
    bool operator==(const Adapter&) const = default;
  };

  virtual ~TSystemFacts() = default;
  // The group that may open `device` and not others, when there is one (not root's).
  virtual std::optional<DeviceGroup> deviceGroup(const std::string& device) const = 0;
  // The processes holding `device` that the system lets us see: its lock file's, and this user's.
  virtual std::vector<Holder> holders(const std::string& device) const = 0;
  // The PID of a running process of that name ("ModemManager", "brltty"), 0 when none runs.
  virtual int running(const std::string& program) const = 0;
  virtual std::vector<Adapter> adaptersWithoutPort() const = 0;
};

// The machine's facts, from the platform's reader.
std::unique_ptr<TSystemFacts> machineSystemFacts();

// The kind of a known USB serial adapter by its vendor ID ("0403" FTDI, "067b" Prolific, "10c4"
// Silicon Labs, "1a86" WCH); empty for any other.
std::string adapterKind(const std::string& vendorId);
