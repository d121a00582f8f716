#pragma once
// The system's side of the port list, in platform/<system>/port_list_<system>.cpp.
#include <filesystem>
#include <vector>

#include "port_list.h"

// Completes the ports that QSerialPortInfo found (name and path as it gives them) with what only
// this system knows, and gives the whole list in the order TPortList::ports() promises.
std::vector<TPortEntry> completePortList(std::vector<TPortEntry> enumerated, const std::filesystem::path& folder);
