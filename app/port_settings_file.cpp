#include "port_settings_file.h"

#include <QFile>
#include <QSaveFile>

TPortSettingsFile::TPortSettingsFile(QString fileName) : fileName_(std::move(fileName)) {}

bool TPortSettingsFile::canRead() const {
  QFile file(fileName_);
  return file.open(QIODevice::ReadOnly);
}

int TPortSettingsFile::savedPort() const {
  QFile file(fileName_);
  if (!file.open(QIODevice::ReadOnly)) return 0;
  // The first line ends at CR or LF; only its first four characters are needed.
  const QByteArray start = file.read(4);
  if (start.size() < 4 || start.contains('\r') || start.contains('\n')) return 0;
  const char digit = start[3];
  return digit >= '1' && digit <= '4' ? digit - '0' : 0;
}

bool TPortSettingsFile::write(int port) const {
  if (port < 1 || port > 9) return false;
  QSaveFile file(fileName_);
  if (!file.open(QIODevice::WriteOnly)) return false;
  const QByteArray line = "COM" + QByteArray::number(port) + "\r\n";
  if (file.write(line) != line.size()) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}
