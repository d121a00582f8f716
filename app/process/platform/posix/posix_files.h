#pragma once
// What the POSIX sides of the file calls share: a system error as a file problem.
#include <cerrno>
#include <cstring>

#include "file_problem.h"

namespace posix_files {

inline FileProblem problemOf(int error) {
  using Kind = FileProblem::Kind;
  switch (error) {
    case ENOENT:
      return {Kind::NoSuchFile, "no such file"};
    case ENOSPC:
    case EDQUOT:
      return {Kind::DiskFull, std::strerror(error)};
    case EACCES:
    case EPERM:
      return {Kind::PermissionDenied, std::strerror(error)};
    case EROFS:
      return {Kind::ReadOnlyFileSystem, std::strerror(error)};
    case ENAMETOOLONG:
      return {Kind::NameTooLong, std::strerror(error)};
    default:
      return FileProblem::other(std::strerror(error));
  }
}

}  // namespace posix_files
