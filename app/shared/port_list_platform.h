#pragma once
// The system's side of the port list, in platform/<system>/port_list_<system>.cpp.
#include <filesystem>
#include <vector>

#include "port_list.h"

// Every port present, in the order TPortList::ports() promises; `folder` is the working folder.
// What it says on standard error it says once for `notes`.
std::vector<TPortEntry> systemPorts(const std::filesystem::path& folder, TPortScope scope,
                                    TPortListNotes& notes);
