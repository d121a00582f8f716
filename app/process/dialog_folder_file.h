#pragma once
// "kelvox-folder.ini": the folder the window's file dialogs used last for a configuration file,
// one line of UTF-8 beside "kelvox.ini" in the settings folder (the current directory). The
// dialogs start there, and the first time in the user's Documents folder: never in the settings
// folder, which the desktop hides.
#include <QString>

class TDialogFolderFile {
 public:
  explicit TDialogFolderFile(QString fileName = QStringLiteral("kelvox-folder.ini"));

  // The folder remembered, while it is still a folder; else Documents (home where the system
  // names none). Always an absolute path.
  QString startFolder() const;
  // Remembers the folder holding filePath (an absolute path). Written safely, and only when it
  // changes; nothing is written once saving is switched off (no settings folder).
  void remember(const QString& filePath) const;

 private:
  QString remembered() const;

  QString fileName_;
};
