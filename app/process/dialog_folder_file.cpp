#include "dialog_folder_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "local_files.h"
#include "safe_write.h"

namespace {
constexpr qint64 kMaxLine = 4096;  // far beyond any folder name
const QString kVerifyOff = QStringLiteral("verify after sending = off");
}  // namespace

TDialogFolderFile::TDialogFolderFile(QString fileName, TSaving saving)
    : fileName_(std::move(fileName)), saving_(saving) {}

QStringList TDialogFolderFile::lines() const {
  QFile file;
  if (!openRegularFile(fileName_, file)) return {};
  return QString::fromUtf8(file.read(kMaxLine)).remove(QLatin1Char('\r')).split(QLatin1Char('\n'));
}

QString TDialogFolderFile::remembered() const {
  const QStringList all = lines();
  return all.isEmpty() ? QString() : all.first();
}

bool TDialogFolderFile::verifyAfterSending() const { return !lines().mid(1).contains(kVerifyOff); }

QString TDialogFolderFile::startFolder() const {
  const QString folder = remembered();
  if (QDir::isAbsolutePath(folder) && QFileInfo(folder).isDir()) return QDir::cleanPath(folder);
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  return QDir::isAbsolutePath(documents) ? documents : QDir::homePath();
}

void TDialogFolderFile::remember(const QString& filePath) const {
  const QString folder = QFileInfo(filePath).absolutePath();
  if (folder.isEmpty() || folder == remembered()) return;
  write(folder, verifyAfterSending());
}

void TDialogFolderFile::rememberVerifyAfterSending(bool on) const {
  if (on == verifyAfterSending()) return;
  write(remembered(), on);
}

void TDialogFolderFile::write(const QString& folder, bool verify) const {
  if (saving_ == TSaving::SwitchedOff) return;
  // A failure costs only the dialogs' starting place or the choice: nothing to tell.
  const QString text = folder + QLatin1Char('\n') + (verify ? QString() : kVerifyOff + QLatin1Char('\n'));
  writeWholeFile(localPath(fileName_), text.toUtf8().toStdString());
}
