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
  // Writes "COMn" CR LF through a temporary file in the same folder that then replaces the
  // old file with its mode and owner, so a crash or a full disk never leaves a truncated file.
  // Where no temporary file can be made there, a writable file is rewritten in place. A name
  // that stands for anything but a regular file is left alone. False on any failure.
  bool write(int port) const;

  const QString& fileName() const { return fileName_; }

 private:
  QString fileName_;
};
