// Which device port n stands for on Linux: a COMn entry of the folder, else the n-th serial device.
#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <utility>
#include <vector>

#include "posix_port.h"
#include "shared_folder.h"
#include "small_file.h"

namespace {

// The kernel creates ttyS0-31 whether or not a UART is behind them; "type" 0 means none.
bool hasUart(const std::string& name) {
  std::string text;
  struct stat st {};
  bool missing = false;
  long value = 0;
  return small_file::read("/sys/class/tty/" + name + "/type", text, st, missing) &&
         std::sscanf(text.c_str(), "%ld", &value) == 1 && value != 0;
}

// Device names "<prefix><number>" under /dev, in numeric order.
std::vector<std::string> numberedDevices(const std::string& prefix) {
  std::vector<std::pair<unsigned long, std::string>> found;
  // The error-code forms throughout: an exception here would end the program.
  std::error_code ec;
  for (std::filesystem::directory_iterator it("/dev", ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
    const char* digits = name.data() + prefix.size();
    const char* digitsEnd = name.data() + name.size();
    unsigned long number = 0;
    // A number too long for the type is no device the numbering can place.
    const auto [stop, error] = std::from_chars(digits, digitsEnd, number);
    if (error != std::errc() || stop != digitsEnd) continue;
    if (prefix == "ttyS" && !hasUart(name)) continue;
    found.emplace_back(number, name);
  }
  std::sort(found.begin(), found.end());
  std::vector<std::string> paths;
  for (const auto& [number, name] : found) paths.push_back("/dev/" + name);
  return paths;
}

}  // namespace

std::string PosixPort::pathForPort(int n, const std::string& folder) {
  const std::string name = (folder.empty() ? std::string() : folder + "/") + "COM" + std::to_string(n);
  struct stat st {};
  const bool entry = lstat(name.c_str(), &st) == 0;
  const bool foreign = entry && shared_folder::foreignEntry(name, st);
  if (entry && !foreign) return name;
  const std::vector<std::string> devices = serialDevices();
  if (n >= 1 && static_cast<std::size_t>(n) <= devices.size()) return devices[n - 1];
  // Without a device the name itself is opened, which fails with ENOENT; another user's entry
  // under it is not, and nothing is.
  return foreign ? std::string() : name;
}

std::vector<std::string> PosixPort::serialDevices() {
  std::vector<std::string> devices;
  for (const char* prefix : {"ttyUSB", "ttyACM", "ttyS"}) {
    const auto more = numberedDevices(prefix);
    devices.insert(devices.end(), more.begin(), more.end());
  }
  return devices;
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
