// The port list on Windows: QSerialPortInfo gives every port with its name ("COM12"), its path
// ("\\.\COM12", which opens COM10 and above too) and, from SetupAPI, its description and
// identity; ports that only the registry's SERIALCOMM map names (Wine fills only that) come with
// their names alone. Each COMn up to COM9 is the button of the same number.
#include "port_list_platform.h"

std::vector<TPortEntry> completePortList(std::vector<TPortEntry> enumerated, const std::filesystem::path&) {
  for (TPortEntry& entry : enumerated) {
    const int n = comPortNumber(entry.name);
    entry.button = n <= 9 ? n : 0;
  }
  sortByButton(enumerated);
  return enumerated;
}
