// Small files of the system (/sys attributes, lock files) read so that nothing planted under
// their names can stall the program.
#pragma once

#include <sys/stat.h>

#include <string>

namespace small_file {

// The start of a small regular file, opened so that nothing planted under its name can stall
// the program: a FIFO opens without waiting for a writer and a link is not followed. False for
// anything that is not a regular file (a FIFO, a link, a device, a folder); `missing` tells
// whether nothing stood there at all.
bool read(const std::string& path, std::string& text, struct stat& st, bool& missing);

}  // namespace small_file
