#include "port_settings_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QSaveFile>
#include <cerrno>

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

// The new file takes the place of the old one with its mode and owner. Where they cannot be
// kept (another owner, and not run as root) the new file is still better than none.
void keepModeAndOwner(int fd, const struct stat& old) {
  [[maybe_unused]] const int owner = ::fchown(fd, old.st_uid, old.st_gid);
  [[maybe_unused]] const int mode = ::fchmod(fd, old.st_mode & 07777);
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
  if (port < 1 || port > 9) return false;
  struct stat old {};
  const Kind kind = kindOf(fileName_, old);
  if (kind == Kind::Other) return false;  // a FIFO, device or folder is never replaced
  QSaveFile file(fileName_);
  // In a folder the user may not write to, a writable file is still rewritten in place.
  file.setDirectWriteFallback(true);
  if (!file.open(QIODevice::WriteOnly)) return false;
  if (kind == Kind::Regular) keepModeAndOwner(file.handle(), old);
  // Every step is checked before the new file replaces the old one: a full disk shows at the
  // flush or at the sync, and the old file must then stay as it was.
  const QByteArray line = "COM" + QByteArray::number(port) + "\r\n";
  if (file.write(line) != line.size() || !file.flush() || ::fsync(file.handle()) != 0) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}
