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

#include "lock_files.h"
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

// Unix98 pseudo-terminal slaves: majors 136 to 143.
bool isPseudoTerminal(int fd) {
  struct stat st {};
  return fstat(fd, &st) == 0 && major(st.st_rdev) >= 136 && major(st.st_rdev) <= 143;
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

int PosixPort::open(const std::string& path) {
  if (fd_ >= 0) return EBUSY;
  // An open port costs its descriptor, the waiter's and its receive thread's event loop's; when
  // those would leave the program none to spare, the port is refused like any other failure.
  if (!descriptorsToSpare(kDescriptorsPerPort + kDescriptorReserve)) return EMFILE;
  device_ = deviceBehind(path);
  lockOwner_ = lock_files::otherOwner(lock_files::fileFor(device_));
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
  if (error == 0) error = takeLockFile(lock_files::fileFor(device_));
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
        return {Kind::InUse, error, "in use: lock file " + lock_files::fileFor(device_) + " is not a regular file"};
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
