#pragma once
// "kelvox.ini": the one-line file that remembers the selected serial port, "COM" and the
// port digit. The name carries no folder, so the file lies in the current directory.
#include <QString>

class TPortSettingsFile {
 public:
  explicit TPortSettingsFile(QString fileName = QStringLiteral("kelvox.ini"));

  // Whether the file can be opened for reading (it is closed again at once). Only a regular
  // file, or a link to one, is read: a FIFO, device or folder of that name counts as absent.
  bool canRead() const;
  // The saved port 1..4, or 0 when the file is missing or its first line does not name one.
  // Only the fourth character of the first line counts.
  int savedPort() const;
  // Writes "COMn" CR LF as safe_write.h says: the old file stays whole on any failure, and a name
  // that stands for anything but a regular file is left alone. In a folder that takes no
  // temporary file it is rewritten in place, its old bytes put back on any failure. False on any
  // failure, and always once saving is switched off.
  bool write(int port) const;
  // Switched off for the whole run when the program has no settings folder to work in: the
  // start folder is then not the place for the file.
  static void switchOffSaving() { savingAllowed() = false; }
  static bool savingOn() { return savingAllowed(); }

 private:
  static bool& savingAllowed();

  QString fileName_;
};
