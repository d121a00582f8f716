#include "posix_port.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#ifdef __linux__
#include <linux/serial.h>
#endif
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <limits>
#include <thread>
#include <utility>
#include <vector>

#include "shared_folder.h"
#include "termios_mapping.h"

namespace {

struct Speed {
  std::uint32_t rate;
  speed_t constant;
};
constexpr Speed kStandardSpeeds[] = {{110, B110},     {300, B300},     {600, B600},      {1200, B1200},
                                     {2400, B2400},   {4800, B4800},   {9600, B9600},    {19200, B19200},
                                     {38400, B38400}, {57600, B57600}, {115200, B115200}};

// The start of a small regular file, opened so that nothing planted under its name can stall
// the program: a FIFO opens without waiting for a writer and a link is not followed. False for
// anything that is not a regular file (a FIFO, a link, a device, a folder); `missing` tells
// whether nothing stood there at all.
bool readSmallFile(const std::string& path, std::string& text, struct stat& st, bool& missing) {
  text.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
  missing = fd < 0 && errno == ENOENT;
  if (fd < 0) return false;
  const bool regular = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  char buffer[64];
  ssize_t n = 0;
  while (regular && text.size() < sizeof buffer && (n = ::read(fd, buffer, sizeof buffer)) != 0) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return regular;
}

// The kernel creates ttyS0-31 whether or not a UART is behind them; "type" 0 means none.
bool hasUart(const std::string& name) {
  std::string text;
  struct stat st {};
  bool missing = false;
  long value = 0;
  return readSmallFile("/sys/class/tty/" + name + "/type", text, st, missing) &&
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

// Unix98 pseudo-terminal slaves: majors 136 to 143.
// Descriptors an open port costs: its own, its waiter's wake-up and its receive thread's event
// loop's; and those the program keeps for itself (files it writes, its windowing system).
constexpr long kDescriptorsPerPort = 3;
constexpr long kDescriptorReserve = 16;

// Whether at least `needed` descriptors are still free under this process's limit.
bool descriptorsToSpare(long needed) {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return true;
  const auto cap = static_cast<long>(limit.rlim_cur);
  if (cap >= 4096) return true;  // counting costs more than it can save
  long used = 0;
  if (DIR* folder = opendir("/proc/self/fd")) {
    while (const dirent* entry = readdir(folder))
      if (entry->d_name[0] != '.') ++used;
    closedir(folder);
    --used;  // the folder's own descriptor
  } else {
    return errno != EMFILE && errno != ENFILE;
  }
  return cap - used >= needed;
}

bool isPseudoTerminal(int fd) {
  struct stat st {};
  return fstat(fd, &st) == 0 && major(st.st_rdev) >= 136 && major(st.st_rdev) <= 143;
}

std::string& lockFolderSetting() {
  static std::string folder = "/var/lock";
  return folder;
}

// "LCK.." and the device's name below /dev, a "/" in it written as "_" ("LCK..pts_3").
std::string lockFileFor(const std::string& device) {
  std::string name =
      device.starts_with("/dev/") ? device.substr(5) : std::filesystem::path(device).filename().string();
  std::replace(name.begin(), name.end(), '/', '_');
  return lockFolderSetting() + "/LCK.." + name;
}

// What stands under a lock file's name.
struct LockFile {
  bool missing = false;
  bool regular = false;  // anything else is someone else's and is left alone
  pid_t pid = 0;         // the PID written in it, 0 when it holds none
  time_t modified = 0;
};

// A lock file's PID: ten ASCII characters and a newline (leading blanks allowed).
LockFile readLockFile(const std::string& lockPath) {
  LockFile lock;
  std::string text;
  struct stat st {};
  lock.regular = readSmallFile(lockPath, text, st, lock.missing);
  if (!lock.regular) {
    // One that cannot be read is judged by its age alone, as one without a PID.
    struct stat named {};
    if (lock.missing || lstat(lockPath.c_str(), &named) != 0 || !S_ISREG(named.st_mode)) return lock;
    lock.regular = true;
    lock.modified = named.st_mtime;
    return lock;
  }
  lock.modified = st.st_mtime;
  long pid = 0;
  if (std::sscanf(text.c_str(), "%ld", &pid) == 1 && pid > 0 && pid <= std::numeric_limits<pid_t>::max())
    lock.pid = static_cast<pid_t>(pid);
  return lock;
}

bool processRuns(pid_t pid) { return kill(pid, 0) == 0 || errno == EPERM; }

// A lock file with no PID in it yet may be one that its program is still writing: for this
// long it counts as held.
constexpr int kUnwrittenLockSeconds = 5;

// The live process of another program that holds the lock file, kLockBeingWritten for a fresh
// file that names no PID yet, kLockNotARegularFile for anything else standing under its name,
// or 0. A lock file whose process has ended (or an old one that names none) is stale and removed.
pid_t otherLockOwner(const std::string& lockPath) {
  const LockFile lock = readLockFile(lockPath);
  if (lock.missing) return 0;
  if (!lock.regular) return kLockNotARegularFile;
  if (lock.pid == getpid()) return 0;
  if (lock.pid > 0 && processRuns(lock.pid)) return lock.pid;
  if (lock.pid == 0 && time(nullptr) - lock.modified < kUnwrittenLockSeconds) return kLockBeingWritten;
  unlink(lockPath.c_str());
  return 0;
}

}  // namespace

bool termiosFromLineSettings(const TLineSettings& s, termios& t) {
  cfmakeraw(&t);
  t.c_iflag &= ~(INPCK | PARMRK | IGNPAR | IXON | IXOFF | IXANY);
  t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  t.c_cflag |= CLOCAL | CREAD | (s.byteSize == 7 ? CS7 : CS8);
  switch (s.parity) {
    case TLineSettings::kOddParity:
      t.c_cflag |= PARENB | PARODD;
      break;
    case TLineSettings::kEvenParity:
      t.c_cflag |= PARENB;
      break;
    case TLineSettings::kMarkParity:
      t.c_cflag |= PARENB | CMSPAR | PARODD;
      break;
    case TLineSettings::kSpaceParity:
      t.c_cflag |= PARENB | CMSPAR;
      break;
    default:
      break;
  }
  if (s.stopBits != TLineSettings::kOneStopBit) t.c_cflag |= CSTOPB;
  // Damaged bytes are marked, not dropped or passed on as if sound: readByte takes the marks off.
  if (s.flags & TLineSettings::kParityCheck) t.c_iflag |= INPCK | PARMRK;
  if (s.flags & (TLineSettings::kOutCtsFlow | TLineSettings::kRtsHandshake)) t.c_cflag |= CRTSCTS;
  if (s.flags & TLineSettings::kOutXonXoff) t.c_iflag |= IXON;
  if (s.flags & TLineSettings::kInXonXoff) t.c_iflag |= IXOFF;
  // DTR/DSR handshake has no termios counterpart; those flags change nothing here.
  t.c_cc[VSTART] = static_cast<cc_t>(s.xonChar);
  t.c_cc[VSTOP] = static_cast<cc_t>(s.xoffChar);
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  for (const Speed& speed : kStandardSpeeds) {
    if (speed.rate == s.baudRate) {
      cfsetispeed(&t, speed.constant);
      cfsetospeed(&t, speed.constant);
      return true;
    }
  }
  return false;
}

PosixPort::~PosixPort() { close(); }

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

void PosixPort::setLockFolder(const std::string& folder) { lockFolderSetting() = folder; }

int PosixPort::open(const std::string& path) {
  if (fd_ >= 0) return EBUSY;
  // An open port costs its descriptor, the waiter's and its receive thread's event loop's; when
  // those would leave the program none to spare, the port is refused like any other failure.
  if (!descriptorsToSpare(kDescriptorsPerPort + kDescriptorReserve)) return EMFILE;
  device_ = deviceBehind(path);
  lockOwner_ = otherLockOwner(lockFileFor(device_));
  if (lockOwner_ != 0) return EBUSY;
  // O_NONBLOCK: without it the open can wait for a carrier for ever.
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno;
  int error = 0;
  if (!isatty(fd)) {
    error = ENOTTY;
  } else if (ioctl(fd, TIOCEXCL) < 0) {
    error = errno;
  } else if (flock(fd, LOCK_EX | LOCK_NB) < 0) {
    // TIOCEXCL does not stop root; the lock keeps every second opener out.
    error = errno;
  }
  if (error == 0) error = takeLockFile(lockFileFor(device_));
  if (error != 0) {
    ioctl(fd, TIOCNXCL);
    ::close(fd);
    return error;
  }
  fd_ = fd;
  // What the device sent before the port was opened answers nothing asked of it here: a reply
  // that came after another program (or an earlier open) let go of the port. A pseudo-terminal
  // keeps such bytes; a UART's driver loses them. Either way the port starts empty.
  tcflush(fd_, TCIFLUSH);
  saveTerminalSettings();
  lowLatency_.request(fd_);
  decoder_ = ParityMarkDecoder();
  decoded_.clear();
  lastDamaged_ = false;
  suspectBytes_ = 0;
  overruns_ = -1;
  return 0;
}

void PosixPort::saveTerminalSettings() {
  termios found{};
  foundSettings_.reset();
  if (tcgetattr(fd_, &found) == 0) foundSettings_ = found;
  foundCustomSpeed_ = customSpeedOf(fd_);
}

// As terminal programs do, the device is left as it was found. Bytes still going out are given
// a short while first, so a rate change does not garble them; a line that does not drain (a
// stuck flow control) never holds up the close.
void PosixPort::restoreTerminalSettings() {
  if (!foundSettings_) return;
  constexpr auto kDrainLimit = std::chrono::milliseconds(200);
  constexpr auto kDrainStep = std::chrono::milliseconds(5);
  std::int32_t pending = 0;
  for (auto waited = std::chrono::milliseconds(0); waited < kDrainLimit && outputCount(pending) == 0 && pending > 0;
       waited += kDrainStep)
    std::this_thread::sleep_for(kDrainStep);
  tcsetattr(fd_, TCSANOW, &*foundSettings_);
  if (foundCustomSpeed_ != 0) setCustomSpeed(fd_, foundCustomSpeed_);
  foundSettings_.reset();
}

int PosixPort::takeLockFile(const std::string& lockPath) {
  // The PID is written into a file of our own first and then linked under the lock's name, so
  // another program never finds our lock file without its PID.
  const std::string ownFile = lockPath + ".tmp" + std::to_string(getpid());
  // The lock folder is writable by everyone: a file or link already standing under that name was
  // put there by someone else and is neither followed nor truncated. Without a file of our own
  // the port is used without a lock file, as in a folder we may not write to.
  const int fd = ::open(ownFile.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) return 0;
  char text[16];
  const int length = std::snprintf(text, sizeof text, "%10ld\n", static_cast<long>(getpid()));
  const bool written = ::write(fd, text, static_cast<std::size_t>(length)) == length;
  ::close(fd);
  int error = 0;
  for (int attempt = 0; written && attempt < 2; ++attempt) {
    if (link(ownFile.c_str(), lockPath.c_str()) == 0) {
      ownLock_ = lockPath;
      break;
    }
    if (errno != EEXIST) break;  // no links in this folder: go on without a lock file
    // Another program came first; a file naming this process is one left behind by it.
    lockOwner_ = otherLockOwner(lockPath);
    if (lockOwner_ != 0) {
      error = EBUSY;
      break;
    }
    const LockFile left = readLockFile(lockPath);
    if (left.regular && left.pid == getpid()) unlink(lockPath.c_str());
  }
  unlink(ownFile.c_str());
  return error;
}

std::string PosixPort::notASerialPort(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || S_ISCHR(st.st_mode)) return {};
  const char* what = S_ISDIR(st.st_mode)    ? "a folder"
                     : S_ISREG(st.st_mode)  ? "a regular file"
                     : S_ISFIFO(st.st_mode) ? "a FIFO"
                     : S_ISSOCK(st.st_mode) ? "a socket"
                     : S_ISBLK(st.st_mode)  ? "a block device"
                                            : "no device";
  return std::string("not a serial port: ") + what;
}

namespace {

// Joining the device's group is the remedy only where that group may read and write it (dialout,
// uucp), and it is not root's.
std::string permissionDenied(const std::string& device) {
  const std::string denied = "permission denied";
  struct stat st {};
  if (::stat(device.c_str(), &st) != 0 || !S_ISCHR(st.st_mode) || st.st_gid == 0 || (st.st_mode & 060) != 060)
    return denied;
  group entry {};
  group* found = nullptr;
  std::vector<char> buffer(4096);
  if (getgrgid_r(st.st_gid, &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr) return denied;
  return denied + "; to allow it: sudo usermod -aG " + found->gr_name + " $USER, then log in again";
}

}  // namespace

OpenFailure PosixPort::openFailure(int error) const {
  using Kind = OpenFailure::Kind;
  // What is no device fails whatever the call said (EISDIR, EACCES, ENOTTY): say what it is.
  if (error != EBUSY && error != EWOULDBLOCK) {
    if (std::string what = notASerialPort(device_); !what.empty()) return {Kind::NotASerialPort, error, what};
  }
  switch (error) {
    case EACCES:
    case EPERM:
      return {Kind::PermissionDenied, error, permissionDenied(device_)};
    case EBUSY:
    case EWOULDBLOCK:
      if (lockOwner_ > 0) return {Kind::InUse, error, "in use by PID " + std::to_string(lockOwner_)};
      if (lockOwner_ == kLockNotARegularFile)
        return {Kind::InUse, error, "in use: lock file " + lockFileFor(device_) + " is not a regular file"};
      return {Kind::InUse, error, "in use by another program"};
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return {Kind::NotFound, error, "no such device"};
    case ENOTTY:
      return {Kind::NotASerialPort, error, "not a serial port"};
    case EMFILE:
    case ENFILE:
      return {Kind::Other, error, "too many files open to open one more port (the limit of ulimit -n)"};
    default: {
      std::string text = std::strerror(error);  // "Input/output error", said as the rest are
      if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
      return {Kind::Other, error, text};
    }
  }
}

int PosixPort::close() {
  if (fd_ < 0) return 0;
  restoreTerminalSettings();
  ioctl(fd_, TIOCNXCL);
  lowLatency_.restore(fd_);
  const int result = ::close(fd_);
  const int error = result < 0 ? errno : 0;
  fd_ = -1;  // Linux frees the descriptor even when close reports an error
  if (!ownLock_.empty()) unlink(ownLock_.c_str());
  ownLock_.clear();
  return error;
}

int PosixPort::discardOutput() { return tcflush(fd_, TCOFLUSH) == 0 ? 0 : errno; }

bool PosixPort::hasWireTime() const { return fd_ >= 0 && !isPseudoTerminal(fd_); }

int PosixPort::apply(const TLineSettings& settings) {
  termios t{};
  if (tcgetattr(fd_, &t) < 0) return errno;
  const bool standardSpeed = termiosFromLineSettings(settings, t);
  marksDamage_ = (settings.flags & TLineSettings::kParityCheck) != 0;
  // glibc answers EINVAL when a pseudo-terminal drops the parity it was given, although the
  // settings were applied; the rate read back below still decides.
  if (tcsetattr(fd_, TCSANOW, &t) < 0 && !(errno == EINVAL && isPseudoTerminal(fd_))) return errno;
  if (!standardSpeed) return setCustomSpeed(fd_, settings.baudRate);
  // tcsetattr succeeds when any one change applied; a pseudo-terminal also drops parity and
  // forces CS8, so only the rate is compared.
  termios back{};
  if (tcgetattr(fd_, &back) < 0) return errno;
  return cfgetospeed(&back) == cfgetospeed(&t) ? 0 : EINVAL;
}

int PosixPort::write(const char* data, std::size_t size, std::chrono::milliseconds timeout) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + timeout;
  while (size > 0) {
    const ssize_t written = ::write(fd_, data, size);
    if (written > 0) {
      data += written;
      size -= static_cast<std::size_t>(written);
      continue;
    }
    if (written < 0 && errno == EINTR) continue;
    if (written < 0 && errno != EAGAIN) return errno;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return ETIMEDOUT;
    pollfd p{fd_, POLLOUT, 0};
    if (poll(&p, 1, static_cast<int>(left.count())) < 0 && errno != EINTR) return errno;
    if (p.revents & (POLLERR | POLLHUP | POLLNVAL)) return EIO;
  }
  return 0;
}

int PosixPort::inputCount(std::int32_t& count) const {
  int n = 0;
  if (ioctl(fd_, FIONREAD, &n) < 0) return errno;
  count = n;
  return 0;
}

int PosixPort::outputCount(std::int32_t& count) const {
  int n = 0;
  if (ioctl(fd_, TIOCOUTQ, &n) < 0) return errno;
  count = n;
  return 0;
}

int PosixPort::readByte(char& byte, int& error) {
  error = 0;
  while (decoded_.empty()) {
    char raw = 0;
    if (readRawByte(raw, error) == 0) return 0;
    if (!marksDamage_) {
      decoded_.push_back({raw, false});
      break;
    }
    for (const MarkedByte& b : decoder_.decode(std::string_view(&raw, 1))) decoded_.push_back(b);
  }
  const MarkedByte next = decoded_.front();
  decoded_.pop_front();
  byte = next.byte;
  // A lost byte has no mark: every byte queued when the driver counted the overrun is suspect.
  if (overrunSinceLastLook()) {
    std::int32_t queued = 0;
    inputCount(queued);
    suspectBytes_ = queued + static_cast<std::int32_t>(decoded_.size()) + 1;
  }
  lastDamaged_ = next.damaged || suspectBytes_ > 0;
  if (suspectBytes_ > 0) --suspectBytes_;
  return 1;
}

int PosixPort::readRawByte(char& byte, int& error) {
  for (;;) {
    const ssize_t n = ::read(fd_, &byte, 1);
    if (n == 1) return 1;
    if (n == 0) return 0;
    if (errno == EINTR) continue;
    if (errno != EAGAIN) error = errno;
    return 0;
  }
}

bool PosixPort::overrunSinceLastLook() {
#ifdef TIOCGICOUNT
  // Linux serial drivers count overruns (one ioctl per byte: a few microseconds at the most
  // 2000 bytes a second of the clock's line); a pseudo-terminal has no counters, and is not
  // asked again.
  if (overruns_ == -2) return false;
  serial_icounter_struct counts{};
  if (ioctl(fd_, TIOCGICOUNT, &counts) < 0) {
    overruns_ = -2;
    return false;
  }
  const long now = static_cast<long>(counts.overrun) + counts.buf_overrun;
  const bool grew = overruns_ >= 0 && now > overruns_;
  overruns_ = now;
  return grew;
#else
  return false;
#endif
}

void PosixPort::setOutputLine(OutputLine line, bool on) {
  int bits = line == OutputLine::Rts ? TIOCM_RTS : TIOCM_DTR;
  ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bits);
}
