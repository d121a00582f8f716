#include "posix_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <limits>
#include <utility>
#include <vector>

#include "termios_mapping.h"

namespace {

struct Speed {
  std::uint32_t rate;
  speed_t constant;
};
constexpr Speed kStandardSpeeds[] = {{110, B110},     {300, B300},     {600, B600},      {1200, B1200},
                                     {2400, B2400},   {4800, B4800},   {9600, B9600},    {19200, B19200},
                                     {38400, B38400}, {57600, B57600}, {115200, B115200}};

// The kernel creates ttyS0-31 whether or not a UART is behind them; "type" 0 means none.
bool hasUart(const std::string& name) {
  std::ifstream type("/sys/class/tty/" + name + "/type");
  int value = 0;
  return type >> value && value != 0;
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

// The PID in a lock file: ten ASCII characters and a newline (leading blanks allowed); 0 when
// the file is missing or holds no PID.
pid_t lockFilePid(const std::string& lockPath) {
  std::ifstream file(lockPath);
  long pid = 0;
  return file >> pid && pid > 0 && pid <= std::numeric_limits<pid_t>::max() ? static_cast<pid_t>(pid) : 0;
}

bool processRuns(pid_t pid) { return kill(pid, 0) == 0 || errno == EPERM; }

// A lock file with no PID in it yet may be one that its program is still writing: for this
// long it counts as held.
constexpr int kUnwrittenLockSeconds = 5;

// The live process of another program that holds the lock file, kLockBeingWritten for a fresh
// file that names no PID yet, or 0. A lock file whose process has ended (or an old one that names
// none) is stale and removed.
pid_t otherLockOwner(const std::string& lockPath) {
  struct stat st {};
  if (stat(lockPath.c_str(), &st) != 0) return 0;
  const pid_t pid = lockFilePid(lockPath);
  if (pid == getpid()) return 0;
  if (pid > 0 && processRuns(pid)) return pid;
  if (pid == 0 && time(nullptr) - st.st_mtime < kUnwrittenLockSeconds) return kLockBeingWritten;
  unlink(lockPath.c_str());
  return 0;
}

}  // namespace

bool termiosFromLineSettings(const TLineSettings& s, termios& t) {
  cfmakeraw(&t);
  t.c_iflag &= ~(INPCK | IXON | IXOFF | IXANY);
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
  if (s.flags & TLineSettings::kParityCheck) t.c_iflag |= INPCK;
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
  if (lstat(name.c_str(), &st) == 0) return name;
  const std::vector<std::string> devices = serialDevices();
  // Without a device the name itself is opened, which fails with ENOENT.
  return n >= 1 && static_cast<std::size_t>(n) <= devices.size() ? devices[n - 1] : name;
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
  lowLatency_.request(fd_);
  return 0;
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
    if (lockFilePid(lockPath) == getpid()) unlink(lockPath.c_str());
  }
  unlink(ownFile.c_str());
  return error;
}

OpenFailure PosixPort::openFailure(int error) const {
  using Kind = OpenFailure::Kind;
  switch (error) {
    case EACCES:
    case EPERM:
      return {Kind::PermissionDenied, error,
              "permission denied; to allow it: sudo usermod -aG dialout $USER, then log in again"};
    case EBUSY:
    case EWOULDBLOCK:
      return {Kind::InUse, error,
              lockOwner_ > 0 ? "in use by PID " + std::to_string(lockOwner_) : "in use by another program"};
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return {Kind::NotFound, error, "no such device"};
    case ENOTTY:
      return {Kind::NotASerialPort, error, "not a serial port"};
    default:
      return {Kind::Other, error, std::strerror(error)};
  }
}

int PosixPort::close() {
  if (fd_ < 0) return 0;
  ioctl(fd_, TIOCNXCL);
  lowLatency_.restore(fd_);
  const int result = ::close(fd_);
  const int error = result < 0 ? errno : 0;
  fd_ = -1;  // Linux frees the descriptor even when close reports an error
  if (!ownLock_.empty()) unlink(ownLock_.c_str());
  ownLock_.clear();
  return error;
}

int PosixPort::apply(const TLineSettings& settings) {
  termios t{};
  if (tcgetattr(fd_, &t) < 0) return errno;
  const bool standardSpeed = termiosFromLineSettings(settings, t);
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
  for (;;) {
    const ssize_t n = ::read(fd_, &byte, 1);
    if (n == 1) return 1;
    if (n == 0) return 0;
    if (errno == EINTR) continue;
    if (errno != EAGAIN) error = errno;
    return 0;
  }
}

void PosixPort::setOutputLine(OutputLine line, bool on) {
  int bits = line == OutputLine::Rts ? TIOCM_RTS : TIOCM_DTR;
  ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bits);
}
