#include "system_facts_linux.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

#include "lock_files.h"
#include "small_file.h"

namespace fs = std::filesystem;

namespace {

// A small file's first line, without its line end; empty when it is no regular file.
std::string firstLine(const fs::path& path) {
  std::string text;
  struct stat st {};
  bool missing = false;
  if (!small_file::read(path.string(), text, st, missing)) return {};
  return text.substr(0, text.find('\n'));
}

// The fields of a colon-separated line of the group or user database.
std::vector<std::string> fieldsOf(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream stream(line);
  for (std::string field; std::getline(stream, field, ':');) fields.push_back(field);
  if (!line.empty() && line.back() == ':') fields.emplace_back();
  return fields;
}

// The first line of a database whose field `key` is `value`, split into its fields.
std::vector<std::string> entryWith(const fs::path& database, std::size_t key, const std::string& value) {
  std::ifstream in(database);
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> fields = fieldsOf(line);
    if (fields.size() > key && fields[key] == value) return fields;
  }
  return {};
}

bool isNumber(const std::string& name) {
  return !name.empty() && std::all_of(name.begin(), name.end(), [](unsigned char c) { return std::isdigit(c); });
}

// Whether a USB device's interfaces have a serial port behind them: "ttyUSB0" for the USB serial
// drivers, "tty/ttyACM0" for modems' class driver.
bool hasSerialPort(const fs::path& device) {
  std::error_code error;
  for (const fs::directory_entry& interface : fs::directory_iterator(device, error)) {
    if (interface.path().filename().string().find(':') == std::string::npos) continue;
    std::error_code inner;
    for (const fs::directory_entry& entry : fs::directory_iterator(interface.path(), inner))
      if (entry.path().filename().string().starts_with("tty")) return true;
  }
  return false;
}

std::string lowered(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

}  // namespace

TLoginIdentity thisLogin() {
  TLoginIdentity login;
  login.uid = getuid();
  login.pid = getpid();
  const int count = getgroups(0, nullptr);
  login.groups.resize(static_cast<std::size_t>(std::max(count, 0)));
  if (count > 0) login.groups.resize(static_cast<std::size_t>(std::max(getgroups(count, login.groups.data()), 0)));
  login.groups.push_back(getegid());
  return login;
}

std::unique_ptr<TSystemFacts> machineSystemFacts() {
  return std::make_unique<TLinuxSystemFacts>("/", thisLogin(), lock_files::folderSetting());
}

TLinuxSystemFacts::TLinuxSystemFacts(fs::path root, TLoginIdentity login, const std::string& lockFolder)
    : root_(std::move(root)), login_(std::move(login)), lockFolder_(within(lockFolder)) {}

fs::path TLinuxSystemFacts::within(const std::string& path) const { return root_ / fs::path(path).relative_path(); }

std::string TLinuxSystemFacts::resolved(const std::string& device) const {
  std::error_code error;
  const fs::path found = fs::weakly_canonical(within(device), error);
  const fs::path root = fs::weakly_canonical(root_, error);
  if (error) return device;
  const fs::path relative = found.lexically_relative(root);
  if (relative.empty() || relative.string().starts_with("..")) return found.string();
  return (fs::path("/") / relative).lexically_normal().string();
}

std::optional<TSystemFacts::DeviceGroup> TLinuxSystemFacts::deviceGroup(const std::string& device) const {
  struct stat st {};
  if (::stat(within(device).c_str(), &st) != 0) return std::nullopt;
  // Joining the group is the fix only where the group may read and write it, and it is not root's.
  if (st.st_gid == 0 || (st.st_mode & 060) != 060) return std::nullopt;
  const std::vector<std::string> group = entryWith(within("/etc/group"), 2, std::to_string(st.st_gid));
  if (group.empty()) return std::nullopt;
  DeviceGroup result;
  result.name = group[0];
  const std::vector<std::string> user = entryWith(within("/etc/passwd"), 2, std::to_string(login_.uid));
  if (!user.empty()) {
    std::vector<std::string> members;
    std::stringstream list(group.size() > 3 ? group[3] : std::string());
    for (std::string member; std::getline(list, member, ',');) members.push_back(member);
    result.userIsMember = (user.size() > 3 && user[3] == group[2]) ||
                          std::find(members.begin(), members.end(), user[0]) != members.end();
  }
  result.inThisLogin = std::find(login_.groups.begin(), login_.groups.end(), st.st_gid) != login_.groups.end();
  return result;
}

std::vector<int> TLinuxSystemFacts::processes() const {
  std::vector<int> pids;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(within("/proc"), error)) {
    const std::string name = entry.path().filename().string();
    if (isNumber(name) && name.size() < 10 && std::stoi(name) != login_.pid) pids.push_back(std::stoi(name));
  }
  std::sort(pids.begin(), pids.end());
  return pids;
}

std::string TLinuxSystemFacts::programOf(int pid) const {
  return firstLine(within("/proc/" + std::to_string(pid) + "/comm"));
}

std::vector<TSystemFacts::Holder> TLinuxSystemFacts::holders(const std::string& device) const {
  std::vector<Holder> found;
  const std::string name = resolved(device);
  const auto add = [&](int pid) {
    if (pid <= 0 || pid == login_.pid) return;
    if (std::none_of(found.begin(), found.end(), [pid](const Holder& h) { return h.pid == pid; }))
      found.push_back({pid, programOf(pid)});
  };
  // A lock file's PID, as terminal programs and modem managers keep it.
  const lock_files::LockFile lock = lock_files::read((lockFolder_ / fs::path(lock_files::fileFor(name)).filename()).string());
  if (lock.pid > 0 && fs::exists(within("/proc/" + std::to_string(lock.pid)))) add(lock.pid);
  // The processes that hold it open; the system shows us only this user's.
  for (int pid : processes()) {
    std::error_code error;
    for (const fs::directory_entry& fd : fs::directory_iterator(within("/proc/" + std::to_string(pid) + "/fd"), error)) {
      std::error_code unreadable;
      if (fs::read_symlink(fd.path(), unreadable) == fs::path(name)) {
        add(pid);
        break;
      }
    }
  }
  return found;
}

int TLinuxSystemFacts::running(const std::string& program) const {
  for (int pid : processes())
    if (programOf(pid) == program) return pid;
  return 0;
}

std::vector<TSystemFacts::Adapter> TLinuxSystemFacts::adaptersWithoutPort() const {
  std::vector<Adapter> adapters;
  std::error_code error;
  for (const fs::directory_entry& device : fs::directory_iterator(within("/sys/bus/usb/devices"), error)) {
    const std::string vendor = lowered(firstLine(device.path() / "idVendor"));
    const std::string kind = adapterKind(vendor);
    if (kind.empty() || hasSerialPort(device.path())) continue;
    adapters.push_back({kind, vendor + ":" + lowered(firstLine(device.path() / "idProduct")), 0});
  }
  std::sort(adapters.begin(), adapters.end(), [](const Adapter& a, const Adapter& b) { return a.usbId < b.usbId; });
  return adapters;
}
