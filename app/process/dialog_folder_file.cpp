#include "dialog_folder_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "local_files.h"
#include "safe_write.h"

namespace {
constexpr qint64 kMaxLine = 4096;  // far beyond any folder name
}  // namespace

TDialogFolderFile::TDialogFolderFile(QString fileName, TSaving saving)
    : fileName_(std::move(fileName)), saving_(saving) {}

QString TDialogFolderFile::remembered() const {
  QFile file;
  if (!openRegularFile(fileName_, file)) return {};
  const QByteArray text = file.read(kMaxLine);
  const qsizetype end = text.indexOf('\n');
  return QString::fromUtf8(end < 0 ? text : text.left(end)).remove(QLatin1Char('\r'));
}

QString TDialogFolderFile::startFolder() const {
  const QString folder = remembered();
  if (QDir::isAbsolutePath(folder) && QFileInfo(folder).isDir()) return QDir::cleanPath(folder);
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  return QDir::isAbsolutePath(documents) ? documents : QDir::homePath();
}

void TDialogFolderFile::remember(const QString& filePath) const {
  if (saving_ == TSaving::SwitchedOff) return;
  const QString folder = QFileInfo(filePath).absolutePath();
  if (folder.isEmpty() || folder == remembered()) return;
  // A failure costs only the dialogs' starting place: nothing to tell.
  writeWholeFile(localPath(fileName_), (folder + QLatin1Char('\n')).toUtf8().toStdString());
}
