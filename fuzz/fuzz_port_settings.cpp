// Reads arbitrary "kelvox.ini" contents.
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
  const int port = TPortSettingsFile(path).savedPort();
  if (port < 0 || port > 4) std::abort();
  // Only the fourth character of the first line may choose a port.
  if (port != 0 && (size < 4 || data[3] != '0' + port)) std::abort();
  return 0;
}
