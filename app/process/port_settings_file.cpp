#include "port_settings_file.h"

#include <QFile>
#include <QList>

#include "local_files.h"
#include "safe_write.h"

namespace {

constexpr qint64 kLongestFile = 4096;  // far more than the three lines ever written
constexpr char kNameKey[] = "port=";
constexpr char kIdentityKey[] = "identity=";

// The file's lines, each ended by CR, LF or both.
QList<QByteArray> linesOf(const QByteArray& bytes) {
  QByteArray text = bytes;
  text.replace("\r\n", "\n");
  text.replace('\r', '\n');
  return text.split('\n');
}

}  // namespace

TPortSettingsFile::TPortSettingsFile(QString fileName, TSaving saving, TForeignEntriesRecord foreignEntries)
    : fileName_(std::move(fileName)), saving_(saving), foreign_(std::move(foreignEntries)) {}

bool TPortSettingsFile::foreign() const { return foreign_->leftAlone(localPath(fileName_)); }

QByteArray TPortSettingsFile::readAll() const {
  QFile file;
  if (foreign() || !openRegularFile(fileName_, file)) return {};
  return file.read(kLongestFile);
}

bool TPortSettingsFile::canRead() const {
  QFile file;
  return !foreign() && openRegularFile(fileName_, file);
}

TSavedPort TPortSettingsFile::saved() const { return parse(readAll()); }

TSavedPort TPortSettingsFile::parse(const QByteArray& bytes) {
  const QList<QByteArray> lines = linesOf(bytes);
  TSavedPort port;
  const QByteArray& first = lines.front();
  if (first.size() >= 4 && first[3] >= '1' && first[3] <= '9') port.button = first[3] - '0';
  for (qsizetype i = 1; i < lines.size(); ++i) {
    if (lines[i].startsWith(kNameKey)) port.name = QString::fromUtf8(lines[i].mid(sizeof kNameKey - 1));
    if (lines[i].startsWith(kIdentityKey))
      port.identity = QString::fromUtf8(lines[i].mid(sizeof kIdentityKey - 1));
  }
  // A name line belongs to a port no button names: for a button's port the first line rules.
  if (port.button != 0) port.name.clear();
  if (port.empty()) port.identity.clear();
  return port;
}

// A line end inside a name would split it into lines of its own: such a name is not saved.
static bool fitsOnALine(const QString& text) { return !text.isEmpty() && !text.contains(u'\r') && !text.contains(u'\n'); }

std::string TPortSettingsFile::contents(const TSavedPort& port) {
  std::string text = port.button >= 1 && port.button <= 9 ? "COM" + std::to_string(port.button) : "COM-";
  text += "\r\n";
  if (port.button == 0 && fitsOnALine(port.name)) text += kNameKey + port.name.toStdString() + "\r\n";
  if (fitsOnALine(port.identity)) text += kIdentityKey + port.identity.toStdString() + "\r\n";
  return text;
}

bool TPortSettingsFile::write(const TSavedPort& port) const {
  if (port.empty() || port.button < 0 || port.button > 9 || saving_ == TSaving::SwitchedOff || foreign())
    return false;
  const std::string text = contents(port);
  if (canRead() && readAll() == QByteArray::fromStdString(text)) return true;
  return !writeWholeFile(localPath(fileName_), text, WriteMode::InPlaceWhereNeeded).failed();
}
