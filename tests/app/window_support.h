#pragma once
// Shared pieces of the window tests: a scratch folder that is the program's working folder and
// whose ports reach no serial device of the machine (scratch_ports.h, one for each platform),
// boxes that record what they show, and a wait that keeps the event loop running.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <chrono>
#include <functional>
#include <memory>
#include <ostream>
#include <vector>

#include "local_files.h"
#include "message_boxes.h"
#include "port_list.h"
#include "scratch_ports.h"
#include "system_facts.h"
#include "working_folder.h"

class ScratchFolder {
 public:
  explicit ScratchFolder(const std::vector<int>& emulatorPorts = {})
      : ports_(path().toStdString(), emulatorPorts), working_(localPath(path())) {}
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  QString path() const { return dir_.path(); }
  // The program's working folder, as for a start here, and its ports: the COMn links alone.
  const TWorkingFolder& workingFolder() const { return working_; }
  std::unique_ptr<TPortList> portList() const {
    return std::make_unique<TSystemPortList>(working_, TPortScope::FolderLinksOnly);
  }
  TPortSettingsFile settingsFile() const { return working_.settingsFile(); }
  QString file(const QString& name) const { return dir_.filePath(name); }
  void write(const QString& name, const QByteArray& bytes) const {
    QFile f(file(name));
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
  }
  QByteArray read(const QString& name) const {
    QFile f(file(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  bool exists(const QString& name) const { return QFile::exists(file(name)); }

 private:
  QTemporaryDir dir_;
  ScratchPorts ports_;
  TWorkingFolder working_;
};

// The current directory for a test's own relative names, while it lasts; the program never
// looks at it.
class CurrentFolder {
 public:
  explicit CurrentFolder(const QString& folder) : previous_(QDir::currentPath()) { QDir::setCurrent(folder); }
  ~CurrentFolder() { QDir::setCurrent(previous_); }
  CurrentFolder(const CurrentFolder&) = delete;
  CurrentFolder& operator=(const CurrentFolder&) = delete;

 private:
  QString previous_;
};

// A system whose files say nothing: no device group, no holder, no adapter without its port, so
// that no window test reads this machine's files.
class NoSystemFacts : public TSystemFacts {
 public:
  std::optional<DeviceGroup> deviceGroup(const std::string&) const override { return std::nullopt; }
  std::vector<Holder> holders(const std::string&) const override { return {}; }
  int running(const std::string&) const override { return 0; }
  std::vector<Adapter> adaptersWithoutPort() const override { return {}; }
};

// Records every box; a question gets the prepared answer. whileOpen runs while a box "is open",
// as the user's reading time, for example to let messages arrive.
class RecordingBoxes : public TMessageBoxes {
 public:
  void showPlain(const QString& text) override {
    plain.push_back(text);
    if (whileOpen) whileOpen();
  }
  RelayAnswer askRelay(const QString& text) override {
    questions.push_back(text);
    if (whileOpen) whileOpen();
    return answer;
  }

  std::vector<QString> plain;
  std::vector<QString> questions;
  RelayAnswer answer = RelayAnswer::Cancel;
  std::function<void()> whileOpen;
};

// Puts recording boxes in place of the window's real ones and gives them for inspection.
template <class Window>
RecordingBoxes* recordBoxesOf(Window& window) {
  auto recorder = std::make_unique<RecordingBoxes>();
  RecordingBoxes* boxes = recorder.get();
  window.setMessageBoxes(std::move(recorder));
  return boxes;
}

// Runs the event loop until done() holds or the time is up; gives done() at the end.
inline bool waitUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done() && std::chrono::steady_clock::now() < deadline) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(2);
  }
  return done();
}

// Lets queued work (held messages, hand-overs) run for a moment.
inline void settle(std::chrono::milliseconds time = std::chrono::milliseconds(50)) {
  waitUntil([] { return false; }, time);
}

// Readable QStrings in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
