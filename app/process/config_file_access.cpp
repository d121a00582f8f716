#include "config_file_access.h"

#include <QFile>

#include "local_files.h"
#include "safe_write.h"

TProblem loadConfigFile(const std::filesystem::path& path, TClockConfig& config) {
  QFile file;
  if (TProblem problem = openRegularFile(path, file); problem.failed()) return problem;
  const QByteArray text = file.read(kMaxConfigFileSize + 1);
  if (file.error() != QFileDevice::NoError) return TProblem::other(file.errorString().toStdString());
  if (text.size() > kMaxConfigFileSize)
    return TProblem::other("larger than " + std::to_string(kMaxConfigFileSize / 1024) +
                              " KB, not a configuration file");
  if (const auto fault = parseConfigFile(std::string_view(text.constData(), static_cast<std::size_t>(text.size())), config)) return TProblem::other(fault->message());
  return {};
}

TProblem saveConfigFile(const std::filesystem::path& path, const TClockConfig& config) {
  return writeWholeFile(path, formatConfigFile(config), WriteMode::ReplaceOnly);
}

TProblem loadConfigFile(const QString& path, TClockConfig& config) {
  return loadConfigFile(localPath(path), config);
}

TProblem saveConfigFile(const QString& path, const TClockConfig& config) {
  return saveConfigFile(localPath(path), config);
}
