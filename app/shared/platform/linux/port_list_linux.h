#pragma once
// The Linux port list from its parts, so that a stand-in device listing can be given.
#include <filesystem>
#include <string>
#include <vector>

#include "foreign_entries.h"
#include "port_list.h"

// The ports of `folder` (the working folder) and of `devices`, the numbered devices as
// PosixPort::serialDevices lists them, with what `described` (Qt's list) says of each; the COM
// buttons' devices are named from `devices`, as PosixPort::pathForPort names them. Other users'
// COMn entries are left out, and told through `foreign`.
std::vector<TPortEntry> linuxPorts(const std::filesystem::path& folder,
                                   const std::vector<std::string>& devices,
                                   const std::vector<TPortEntry>& described, TForeignEntries& foreign);
