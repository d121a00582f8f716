// UUCP lock files, as terminal programs and modem managers keep them: "LCK..ttyUSB0" in the lock
// folder, holding the owner's PID as ten characters and a newline.
#pragma once

#include <sys/types.h>

#include <string>

namespace lock_files {

// The folder they are kept in (/var/lock unless set).
std::string& folderSetting();
// "LCK.." and the device's name below /dev, a "/" in it written as "_" ("LCK..pts_3").
std::string fileFor(const std::string& device);
// What stands under a lock file's name.
struct LockFile {
  bool missing = false;
  bool regular = false;  // anything else is someone else's and is left alone
  pid_t pid = 0;         // the PID written in it, 0 when it holds none
  time_t modified = 0;
};
LockFile read(const std::string& lockPath);
// The live process of another program that holds the lock file, kLockBeingWritten for a fresh
// file that names no PID yet, kLockNotARegularFile for anything else standing under its name,
// or 0. A lock file whose process has ended (or an old one that names none) is stale and removed.
pid_t otherOwner(const std::string& lockPath);

}  // namespace lock_files
