#pragma once
// Why a file could not be read or written: a kind that the window names in its own language, and
// one line in English that the command line prints, in the system's own words where it gave some.
#include <string>
#include <utility>

struct FileProblem {
  enum class Kind {
    None,
    NoSuchFile,
    NoSuchFolder,
    NotRegularFile,
    DiskFull,
    PermissionDenied,
    ReadOnlyFile,
    ReadOnlyFileSystem,
    NameTooLong,
    FolderTakesNoTemporaryFile,
    Other,  // only the text tells
  };
  Kind kind = Kind::None;
  std::string text;

  bool failed() const { return kind != Kind::None; }

  static FileProblem notRegularFile() { return {Kind::NotRegularFile, "not a regular file"}; }
  static FileProblem readOnlyFile() { return {Kind::ReadOnlyFile, "the file is read-only"}; }
  // A configuration file is only ever replaced whole, through a temporary file beside it.
  static FileProblem noTemporaryFile() {
    return {Kind::FolderTakesNoTemporaryFile,
            "the folder cannot take a temporary file, which every save is written to first; nothing was written"};
  }
  static FileProblem other(std::string text) { return {Kind::Other, std::move(text)}; }
};
