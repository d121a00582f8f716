#pragma once
// What went wrong, the one way the program tells of a failure: a kind it can act on (and the window
// names in its own language), the system's own code where the system gave one (errno, or a Windows
// error code), and one line of text in English, in the system's words where it had some. As with a
// Qt component's error() and errorString(), kind None is success.
#include <string>
#include <utility>

struct TProblem {
  enum class Kind {
    None,
    NoSuchFile,  // nothing behind the name: a file, or a port's device
    NoSuchFolder,
    NotRegularFile,
    DiskFull,
    PermissionDenied,
    ReadOnlyFile,
    ReadOnlyFileSystem,
    NameTooLong,
    FolderTakesNoTemporaryFile,
    InUse,           // another program has the port open
    NotASerialPort,  // the name leads to something that is no serial device
    Other,           // only the text tells
  };
  Kind kind = Kind::None;
  std::string text;
  int code = 0;

  TProblem() = default;
  TProblem(Kind kind, std::string text, int code = 0) : kind(kind), text(std::move(text)), code(code) {}

  bool failed() const { return kind != Kind::None; }

  static TProblem notRegularFile() { return {Kind::NotRegularFile, "not a regular file"}; }
  static TProblem readOnlyFile() { return {Kind::ReadOnlyFile, "the file is read-only"}; }
  // A configuration file is only ever replaced whole, through a temporary file beside it.
  static TProblem noTemporaryFile() {
    return {Kind::FolderTakesNoTemporaryFile,
            "the folder cannot take a temporary file, which every save is written to first; nothing was written"};
  }
  static TProblem other(std::string text, int code = 0) { return {Kind::Other, std::move(text), code}; }
};
