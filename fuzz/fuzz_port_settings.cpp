// Reads arbitrary "kelvox.ini" contents: only the fourth character of the first line chooses a COM
// button, and whatever port the file names is written back so that it reads the same again.
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

#include "port_settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static QTemporaryDir dir;
  const QString path = dir.filePath("kelvox.ini");
  {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
  }
  const TPortSettingsFile settings(path);
  const int port = settings.savedPort();
  if (port < 0 || port > 9) std::abort();
  // Only the fourth character of the first line may choose a port.
  if (port != 0 && (size < 4 || data[3] != '0' + port)) std::abort();
  const TSavedPort saved = settings.saved();
  if (saved.empty()) return 0;
  {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
    const std::string again = TPortSettingsFile::contents(saved);
    file.write(again.data(), static_cast<qint64>(again.size()));
  }
  if (!(settings.saved() == saved)) std::abort();
  return 0;
}
