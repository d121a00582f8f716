#include "small_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace small_file {

bool read(const std::string& path, std::string& text, struct stat& st, bool& missing) {
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

}  // namespace small_file
