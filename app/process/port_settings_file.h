#pragma once
// "kelvox.ini": the file that remembers the selected serial port. Its first line is "COM" and the
// port's digit for the nine COM buttons ("COM3" CR LF), as every version has written it; only its
// fourth character counts. A port that no button names gets "COM-", which selects no port in a
// reader that knows only the first line. Later lines, written only where they add something,
// name the port ("port=COM12") and the adapter's stable identity ("identity=..."), so that an
// adapter that moved to another USB socket is found again. A file of one line, written by an
// earlier version or by hand, reads as it always did.
#include <QByteArray>
#include <QString>

#include "foreign_entries.h"

// What the file says of the port.
struct TSavedPort {
  int button = 0;     // 1..9: the COM button the first line names; 0 for none
  QString name;       // the system's name of a port no button names ("COM12", "/dev/ttyUSB0")
  QString identity;   // what stays the same when the adapter's name changes; may be empty

  bool empty() const { return button == 0 && name.isEmpty(); }
  bool operator==(const TSavedPort&) const = default;
};

// Whether the program's own files may be written: not when it has no settings folder to work in
// (the start folder is then not the place for them).
enum class TSaving { Allowed, SwitchedOff };

class TPortSettingsFile {
 public:
  // The file's path, as TWorkingFolder::settingsFile() gives it, with its folder's record of
  // other users' entries.
  explicit TPortSettingsFile(QString fileName, TSaving saving = TSaving::Allowed,
                             TForeignEntriesRecord foreignEntries = std::make_shared<TForeignEntries>());

  // Whether the file can be opened for reading (it is closed again at once). Only a regular
  // file, or a link to one, is read: a FIFO, device or folder of that name counts as absent, and
  // so does another user's entry in a shared folder (foreign_entries.h), which is
  // neither read nor written.
  bool canRead() const;
  // The saved COM button 1..9, or 0 when the file is missing or its first line names none.
  // Only the fourth character of the first line counts.
  int savedPort() const { return saved().button; }
  // The whole of what is saved; empty when the file is missing or names no port.
  TSavedPort saved() const;
  // What the file's bytes say, as saved() reads them.
  static TSavedPort parse(const QByteArray& bytes);
  // The bytes that saving `port` writes.
  static std::string contents(const TSavedPort& port);
  // Writes contents(port) as safe_write.h says: the old file stays whole on any failure, and a
  // name that stands for anything but a regular file is left alone. In a folder that takes no
  // temporary file it is rewritten in place, its old bytes put back on any failure. A file that
  // already holds those bytes is not written at all, so a read-only folder with the right file is
  // no failure. False on any failure, and always when saving is switched off.
  bool write(const TSavedPort& port) const;
  bool write(int button) const { return write(TSavedPort{button, {}, {}}); }

 private:
  // Another user's file in a shared folder is no setting of ours.
  bool foreign() const;
  QByteArray readAll() const;

  QString fileName_;
  TSaving saving_;
  TForeignEntriesRecord foreign_;
};
