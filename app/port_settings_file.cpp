#include "port_settings_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>

#include "safe_write.h"

namespace {

enum class Kind { Absent, Regular, Other };

// What the name stands for, following symbolic links as reading and writing do. Nothing is
// opened: opening a device node can already act on the device.
Kind kindOf(const QString& name, struct stat& st) {
  if (::stat(QFile::encodeName(name).constData(), &st) != 0)
    return errno == ENOENT ? Kind::Absent : Kind::Other;
  return S_ISREG(st.st_mode) ? Kind::Regular : Kind::Other;
}

// Opens the file for reading only when it is (or links to) a regular file. The open does not
// wait, so a FIFO put in its place meanwhile cannot hold up the window.
bool openRegular(const QString& name, QFile& file) {
  struct stat st {};
  if (kindOf(name, st) != Kind::Regular) return false;
  const int fd = ::open(QFile::encodeName(name).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
      !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    return false;
  }
  return true;
}

}  // namespace

TPortSettingsFile::TPortSettingsFile(QString fileName) : fileName_(std::move(fileName)) {}

bool TPortSettingsFile::canRead() const {
  QFile file;
  return openRegular(fileName_, file);
}

int TPortSettingsFile::savedPort() const {
  QFile file;
  if (!openRegular(fileName_, file)) return 0;
  // The first line ends at CR or LF; only its first four characters are needed.
  const QByteArray start = file.read(4);
  if (start.size() < 4 || start.contains('\r') || start.contains('\n')) return 0;
  const char digit = start[3];
  return digit >= '1' && digit <= '4' ? digit - '0' : 0;
}

bool TPortSettingsFile::write(int port) const {
  if (port < 1 || port > 9 || !savingAllowed()) return false;
  const std::string line = "COM" + std::to_string(port) + "\r\n";
  return writeFileSafely(QFile::encodeName(fileName_).toStdString(), line).empty();
}

bool& TPortSettingsFile::savingAllowed() {
  static bool allowed = true;
  return allowed;
}
