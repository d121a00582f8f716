#include "port_settings_file.h"

#include <QFile>

#include "local_files.h"
#include "safe_write.h"

TPortSettingsFile::TPortSettingsFile(QString fileName) : fileName_(std::move(fileName)) {}

bool TPortSettingsFile::canRead() const {
  QFile file;
  return openRegularFile(fileName_, file);
}

int TPortSettingsFile::savedPort() const {
  QFile file;
  if (!openRegularFile(fileName_, file)) return 0;
  // The first line ends at CR or LF; only its first four characters are needed.
  const QByteArray start = file.read(4);
  if (start.size() < 4 || start.contains('\r') || start.contains('\n')) return 0;
  const char digit = start[3];
  return digit >= '1' && digit <= '4' ? digit - '0' : 0;
}

bool TPortSettingsFile::write(int port) const {
  if (port < 1 || port > 9 || !savingAllowed()) return false;
  const std::string line = "COM" + std::to_string(port) + "\r\n";
  return !writeWholeFile(localPath(fileName_), line, WriteMode::InPlaceWhereNeeded).failed();
}

bool& TPortSettingsFile::savingAllowed() {
  static bool allowed = true;
  return allowed;
}
