#include "config_file_access.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

bool loadConfigFile(const QString& path, TClockConfig& config, QString& error) {
  const QFileInfo info(path);
  if (!info.exists()) {
    error = QStringLiteral("no such file");
    return false;
  }
  // A device or a pipe could block the read or never end.
  if (!info.isFile()) {
    error = QStringLiteral("not a regular file");
    return false;
  }
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    error = file.errorString();
    return false;
  }
  const QByteArray text = file.read(kMaxConfigFileSize + 1);
  if (text.size() > kMaxConfigFileSize) {
    error = QStringLiteral("larger than %1 KB, not a configuration file").arg(kMaxConfigFileSize / 1024);
    return false;
  }
  if (const auto fault = parseConfigFile(std::string_view(text.constData(), text.size()), config)) {
    error = QString::fromStdString(fault->message());
    return false;
  }
  return true;
}

bool saveConfigFile(const QString& path, const TClockConfig& config, QString& error) {
  QSaveFile file(path);
  const QByteArray text = QByteArray::fromStdString(formatConfigFile(config));
  if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
    error = file.errorString();
    return false;
  }
  return true;
}
