#include "config_file_access.h"

#include <QFile>

#include "local_files.h"
#include "safe_write.h"

namespace {

bool succeeded(const FileProblem& problem, QString& error) {
  error = QString::fromStdString(problem.text);
  return !problem.failed();
}

}  // namespace

FileProblem loadConfigFile(const std::filesystem::path& path, TClockConfig& config) {
  QFile file;
  if (FileProblem problem = openRegularFile(path, file); problem.failed()) return problem;
  const QByteArray text = file.read(kMaxConfigFileSize + 1);
  if (file.error() != QFileDevice::NoError) return FileProblem::other(file.errorString().toStdString());
  if (text.size() > kMaxConfigFileSize)
    return FileProblem::other("larger than " + std::to_string(kMaxConfigFileSize / 1024) +
                              " KB, not a configuration file");
  if (const auto fault = parseConfigFile(std::string_view(text.constData(), static_cast<std::size_t>(text.size())), config)) return FileProblem::other(fault->message());
  return {};
}

FileProblem saveConfigFile(const std::filesystem::path& path, const TClockConfig& config) {
  return writeWholeFile(path, formatConfigFile(config), WriteMode::ReplaceOnly);
}

bool loadConfigFile(const std::filesystem::path& path, TClockConfig& config, QString& error) {
  return succeeded(loadConfigFile(path, config), error);
}

bool saveConfigFile(const std::filesystem::path& path, const TClockConfig& config, QString& error) {
  return succeeded(saveConfigFile(path, config), error);
}

FileProblem loadConfigFile(const QString& path, TClockConfig& config) {
  return loadConfigFile(localPath(path), config);
}

FileProblem saveConfigFile(const QString& path, const TClockConfig& config) {
  return saveConfigFile(localPath(path), config);
}
