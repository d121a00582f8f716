#pragma once
// The system's side of the port list, in platform/<system>/port_list_<system>.cpp.
#include <filesystem>
#include <vector>

#include "port_list.h"

// Every port present, in the order TPortList::ports() promises; `folder` is the working folder.
std::vector<TPortEntry> systemPorts(const std::filesystem::path& folder);
