#include "config_file_access.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "local_files.h"
#include "safe_write.h"

bool loadConfigFile(const std::filesystem::path& path, TClockConfig& config, QString& error) {
  std::error_code status;
  const auto type = std::filesystem::status(path, status).type();
  if (type == std::filesystem::file_type::not_found) {
    error = QStringLiteral("no such file");
    return false;
  }
  // A device or a pipe could block the read or never end.
  if (type != std::filesystem::file_type::regular) {
    error = status ? QString::fromLocal8Bit(status.message()) : QStringLiteral("not a regular file");
    return false;
  }
  std::ifstream file(path, std::ios::binary);
  std::string text(static_cast<std::size_t>(kMaxConfigFileSize) + 1, '\0');
  if (file) file.read(text.data(), static_cast<std::streamsize>(text.size()));
  if (file.bad() || (!file && !file.eof())) {
    error = QString::fromLocal8Bit(std::strerror(errno != 0 ? errno : EIO));
    return false;
  }
  text.resize(static_cast<std::size_t>(file.gcount()));
  if (text.size() > kMaxConfigFileSize) {
    error = QStringLiteral("larger than %1 KB, not a configuration file").arg(kMaxConfigFileSize / 1024);
    return false;
  }
  if (const auto fault = parseConfigFile(text, config)) {
    error = QString::fromStdString(fault->message());
    return false;
  }
  return true;
}

bool saveConfigFile(const std::filesystem::path& path, const TClockConfig& config, QString& error) {
  const std::string failure = writeFileSafely(path, formatConfigFile(config));
  error = QString::fromLocal8Bit(failure);
  return failure.empty();
}

bool loadConfigFile(const QString& path, TClockConfig& config, QString& error) {
  return loadConfigFile(localPath(path), config, error);
}

bool saveConfigFile(const QString& path, const TClockConfig& config, QString& error) {
  return saveConfigFile(localPath(path), config, error);
}
