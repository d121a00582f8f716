// Reads arbitrary "kelvox.ini" contents: only the fourth character of the first line chooses a COM
// button, and whatever port the file names is written back so that it reads the same again. The
// bytes are read as the file's reader reads them, in memory: the file's own opening and writing
// are the unit tests' (tests/app/port_selection_test.cpp).
#include <cstdint>
#include <cstdlib>

#include "port_settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const TSavedPort saved = TPortSettingsFile::parse(bytes);
  if (saved.button < 0 || saved.button > 9) std::abort();
  // Only the fourth character of the first line may choose a port.
  if (saved.button != 0 && (size < 4 || data[3] != '0' + saved.button)) std::abort();
  if (saved.empty()) return 0;
  if (!(TPortSettingsFile::parse(QByteArray::fromStdString(TPortSettingsFile::contents(saved))) == saved))
    std::abort();
  return 0;
}
