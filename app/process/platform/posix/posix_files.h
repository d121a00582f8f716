#pragma once
// What the POSIX sides of the file calls share: a system error as a problem.
#include <cerrno>
#include <cstring>

#include "problem.h"

namespace posix_files {

inline TProblem problemOf(int error) {
  using Kind = TProblem::Kind;
  switch (error) {
    case ENOENT:
      return {Kind::NoSuchFile, "no such file", error};
    case ENOSPC:
    case EDQUOT:
      return {Kind::DiskFull, std::strerror(error), error};
    case EACCES:
    case EPERM:
      return {Kind::PermissionDenied, std::strerror(error), error};
    case EROFS:
      return {Kind::ReadOnlyFileSystem, std::strerror(error), error};
    case ENAMETOOLONG:
      return {Kind::NameTooLong, std::strerror(error), error};
    default:
      return TProblem::other(std::strerror(error), error);
  }
}

}  // namespace posix_files
