#include "port_client.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

PortClient::PortClient(const std::string& path) {
  fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) return;
  termios tio{};
  ::tcgetattr(fd_, &tio);
  ::cfmakeraw(&tio);
  tio.c_cflag |= PARENB | CLOCAL | CREAD;
  ::cfsetispeed(&tio, B19200);
  ::cfsetospeed(&tio, B19200);
  ::tcsetattr(fd_, TCSANOW, &tio);
  ::tcflush(fd_, TCIOFLUSH);
}

PortClient::~PortClient() {
  if (fd_ >= 0) ::close(fd_);
}

void PortClient::write(const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) return;  // the other end is gone
    pollfd p{fd_, POLLOUT, 0};
    if (::poll(&p, 1, 1000) <= 0 || (p.revents & (POLLHUP | POLLERR))) return;
  }
}

std::string PortClient::readUntilCrs(std::size_t count, std::chrono::milliseconds wait) {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  std::string bytes;
  while (static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\r')) < count) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd p{fd_, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
    char buf[256];
    const ssize_t n = ::read(fd_, buf, sizeof buf);
    if (n <= 0) break;
    bytes.append(buf, static_cast<std::size_t>(n));
  }
  return bytes;
}

std::vector<std::string> PortClient::ask(const std::string& request, std::size_t count,
                                         std::chrono::milliseconds wait) {
  write(request);
  std::vector<std::string> replies;
  std::string bytes = readUntilCrs(count, wait);
  for (std::size_t start = 0, cr; (cr = bytes.find('\r', start)) != std::string::npos; start = cr + 1)
    replies.push_back(bytes.substr(start, cr - start + 1));
  return replies;
}

bool PortClient::hungUp(std::chrono::milliseconds wait) {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  while (std::chrono::steady_clock::now() < deadline) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, 50) <= 0) continue;
    if (p.revents & (POLLHUP | POLLERR)) return true;
    char buf[64];
    if (::read(fd_, buf, sizeof buf) <= 0) return true;
  }
  return false;
}

std::vector<std::string> repliesIn(const std::string& bytes, char start) {
  std::vector<std::string> replies;
  for (std::size_t from = bytes.find(start); from != std::string::npos; from = bytes.find(start, from)) {
    const std::size_t cr = bytes.find('\r', from);
    if (cr == std::string::npos) break;
    replies.push_back(bytes.substr(from, cr - from + 1));
    from = cr + 1;
  }
  return replies;
}
