// Local files on POSIX systems: names are bytes; a regular file is told by stat before the open,
// and again by fstat after it, so that a FIFO put in its place meanwhile cannot hold up the window.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "local_files.h"

std::filesystem::path localPath(const QString& name) { return QFile::encodeName(name).toStdString(); }

bool openRegularFile(const QString& name, QFile& file) {
  // Nothing is opened before stat has seen a regular file.
  struct stat st {};
  if (::stat(QFile::encodeName(name).constData(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  const int fd = ::open(QFile::encodeName(name).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
      !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    return false;
  }
  return true;
}
