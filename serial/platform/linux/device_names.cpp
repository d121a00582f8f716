// Which device port n stands for on Linux: a COMn entry of the folder, else the n-th serial device.
#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <optional>
#include <tuple>
#include <utility>
#include <vector>

#include "posix_port.h"
#include "shared_folder.h"
#include "small_file.h"

namespace {

// The kinds of device the numbering counts, in its order.
constexpr const char* kKinds[] = {"ttyUSB", "ttyACM", "ttyS"};
constexpr std::size_t kUartKind = 2;

// The kernel creates ttyS0-31 whether or not a UART is behind them; "type" 0 means none.
bool hasUart(const std::string& ttyClass, const std::string& name) {
  std::string text;
  struct stat st {};
  bool missing = false;
  long value = 0;
  return small_file::read(ttyClass + "/" + name + "/type", text, st, missing) &&
         std::sscanf(text.c_str(), "%ld", &value) == 1 && value != 0;
}

struct NumberedDevice {
  std::size_t kind;  // index into kKinds
  unsigned long number;
  std::string name;
  bool operator<(const NumberedDevice& other) const {
    return std::tie(kind, number, name) < std::tie(other.kind, other.number, other.name);
  }
};

// Where a name "<kind><number>" stands in the numbering; nothing for any other name.
std::optional<NumberedDevice> numbered(const std::string& name) {
  for (std::size_t kind = 0; kind < std::size(kKinds); ++kind) {
    const std::string prefix = kKinds[kind];
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
    const char* digits = name.data() + prefix.size();
    const char* digitsEnd = name.data() + name.size();
    unsigned long number = 0;
    // A number too long for the type is no device the numbering can place.
    const auto [stop, error] = std::from_chars(digits, digitsEnd, number);
    if (error != std::errc() || stop != digitsEnd) continue;
    return NumberedDevice{kind, number, name};
  }
  return std::nullopt;
}

// The folder's "COMn" entry, which stands for port n unless it is another user's in a shared folder.
struct ComEntry {
  std::string name;
  bool present = false;
  bool foreign = false;
  bool standsForPort() const { return present && !foreign; }
};

ComEntry comEntry(int n, const std::string& folder) {
  ComEntry entry;
  entry.name = (folder.empty() ? std::string() : folder + "/") + "COM" + std::to_string(n);
  struct stat st {};
  entry.present = lstat(entry.name.c_str(), &st) == 0;
  entry.foreign = entry.present && shared_folder::foreignEntry(entry.name, st);
  return entry;
}

std::string portPath(int n, const ComEntry& entry, const std::vector<std::string>& devices) {
  if (entry.standsForPort()) return entry.name;
  if (n >= 1 && static_cast<std::size_t>(n) <= devices.size()) return devices[n - 1];
  // Without a device the name itself is opened, which fails with ENOENT; another user's entry
  // under it is not, and nothing is.
  return entry.foreign ? std::string() : entry.name;
}

}  // namespace

std::string PosixPort::pathForPort(int n, const std::filesystem::path& folder) {
  const ComEntry entry = comEntry(n, folder.native());
  return entry.standsForPort() ? entry.name : portPath(n, entry, serialDevices());
}

std::string PosixPort::pathForPort(int n, const std::string& folder,
                                   const std::vector<std::string>& devices) {
  return portPath(n, comEntry(n, folder), devices);
}

std::vector<std::string> PosixPort::serialDevices(const std::string& deviceFolder,
                                                  const std::string& ttyClass) {
  std::vector<NumberedDevice> found;
  // The error-code forms throughout: an exception here would end the program.
  std::error_code ec;
  for (std::filesystem::directory_iterator it(deviceFolder, ec), end; !ec && it != end; it.increment(ec)) {
    std::optional<NumberedDevice> device = numbered(it->path().filename().string());
    if (!device || (device->kind == kUartKind && !hasUart(ttyClass, device->name))) continue;
    found.push_back(std::move(*device));
  }
  std::sort(found.begin(), found.end());
  std::vector<std::string> paths;
  for (const NumberedDevice& device : found) paths.push_back(deviceFolder + "/" + device.name);
  return paths;
}

std::string PosixPort::deviceBehind(const std::string& path) {
  std::filesystem::path device = path;
  std::error_code ec;
  for (int hops = 0; hops < 40 && std::filesystem::is_symlink(std::filesystem::symlink_status(device, ec));
       ++hops) {
    const std::filesystem::path target = std::filesystem::read_symlink(device, ec);
    if (ec) break;
    device = target.is_absolute() ? target : device.parent_path() / target;
  }
  return std::filesystem::absolute(device, ec).lexically_normal().string();
}
