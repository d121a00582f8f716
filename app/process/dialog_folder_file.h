#pragma once
// "kelvox-folder.ini": the folder the window's file dialogs used last for a configuration file,
// one line of UTF-8 beside "kelvox.ini" in the working folder (working_folder.h). The
// dialogs start there, and the first time in the user's Documents folder: never in the settings
// folder, which the desktop hides. Beside the folder it keeps whether the window reads the clock
// back after a send: a second line "verify after sending = off" turns that off.
#include <QString>
#include <QStringList>

#include "port_settings_file.h"

class TDialogFolderFile {
 public:
  // The file's path, as TWorkingFolder::dialogFolderFile() gives it.
  explicit TDialogFolderFile(QString fileName, TSaving saving = TSaving::Allowed);

  // The folder remembered, while it is still a folder; else Documents (home where the system
  // names none). Always an absolute path.
  QString startFolder() const;
  // Remembers the folder holding filePath (an absolute path). Written safely, and only when it
  // changes; nothing is written when saving is switched off (no settings folder).
  void remember(const QString& filePath) const;
  // "Verify after sending": on unless the file turns it off.
  bool verifyAfterSending() const;
  // Keeps the choice, with the folder as it stands; written only when it changes.
  void rememberVerifyAfterSending(bool on) const;

 private:
  QStringList lines() const;
  QString remembered() const;
  void write(const QString& folder, bool verify) const;

  QString fileName_;
  TSaving saving_;
};
