// KELVOX setup program: configures the KELVOX radio-controlled clock over a serial port.
#include <QApplication>
#include <QGuiApplication>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "KVX_Setup.h"
#include "batch_run.h"
#include "captions.h"
#include "command_line.h"
#include "desktop.h"
#include "doctor_run.h"
#include "port_listing.h"
#include "exit_signals.h"
#include "local_files.h"
#include "port_list.h"
#include "program_environment.h"
#include "program_name.h"
#include "settings_folder.h"
#include "startup_read_hook.h"
#include "working_folder.h"

namespace {

QtMessageHandler qtHandler = nullptr;

// Qt notes on standard error that it picked a runtime folder itself when XDG_RUNTIME_DIR is not
// set (as root, over SSH, from a service). The program keeps nothing there, so standard error is
// kept for the program's own lines: Qt's notes of that folder are dropped, all else passes on.
void withoutRuntimeFolderNotes(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtWarningMsg && text.startsWith(QLatin1String("QStandardPaths: "))) return;
  qtHandler(type, context, text);
}

// The folder the program was started in: the one look at the current directory, which nothing
// changes afterwards.
TStartFolder startFolder() {
  TStartFolder start;
  start.path = std::filesystem::current_path(start.error);
  return start;
}

// The working folder; when the user's settings folder cannot be had, the start folder, where
// nothing is written, as when kelvox.ini cannot be.
TWorkingFolder workingFolder(const TProgramEnvironment& environment, const TStartFolder& start) {
  const settings_folder::TChoice choice = settings_folder::chooseWorkingFolder(environment, start.path);
  if (choice.problem.failed())
    desktop::write(stderr,
                   QStringLiteral("%1: settings folder: %2; the chosen port is not saved\n")
                       .arg(QString::fromLatin1(kProgram), QString::fromStdString(choice.problem.text)));
  return choice.folder;
}

// The tests' start-up read hook, as the environment asks for it; its file lies in the working
// folder, as it always has.
TStartupReadHook startupReadHook(const TProgramEnvironment& environment, const TWorkingFolder& folder) {
  const QString& file = environment.sendAfterStartupRead;
  return {environment.quitAfterStartupRead, file.isEmpty() ? file : localName(folder.place(localPath(file)))};
}

}  // namespace

// --show, and its export, which draws on the platform the build names (KVX_PLAN_PLATFORM) unless
// QT_QPA_PLATFORM chooses one.
int showWithoutDisplay(int& argc, char** argv, const TShowRequest& request) {
  std::unique_ptr<QCoreApplication> application;
  return runShow(request, [&] {
    if (request.exportFile.isEmpty()) return application.reset(new QCoreApplication(argc, argv));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", KVX_PLAN_PLATFORM);
    application.reset(new QGuiApplication(argc, argv));
  });
}

int main(int argc, char** argv) {
  qtHandler = qInstallMessageHandler(withoutRuntimeFolderNotes);
  const TProgramEnvironment environment = readProgramEnvironment();
  const TStartFolder start = startFolder();
  // Read before the application object, which would abort without a display.
  const TCommandLine commandLine = parseCommandLine(commandLineArguments(argc, argv), start);
  // What is printed, and Ctrl+C during a transfer, belong to the console the program was started from.
  if (commandLine.mode != TCommandLine::Mode::Window) desktop::useStartingConsole();
  if (const auto status = answerWithoutWindow(commandLine, environment)) return *status;
  if (commandLine.mode == TCommandLine::Mode::Show) return showWithoutDisplay(argc, argv, commandLine.show);
  const TWorkingFolder folder = workingFolder(environment, start);
  const TPortScope scope = environment.folderPortsOnly ? TPortScope::FolderLinksOnly : TPortScope::Machine;
  if (commandLine.mode == TCommandLine::Mode::ListPorts) {
    QCoreApplication listing(argc, argv);
    return runListPorts(TSystemPortList(folder, scope), folder.settingsFile(), commandLine.json);
  }
  if (commandLine.mode == TCommandLine::Mode::Doctor) {
    QCoreApplication doctor(argc, argv);
    return runDoctor(TSystemPortList(folder, scope), *machineSystemFacts());
  }
  // --read and --send run without a window, so without a display.
  if (commandLine.mode == TCommandLine::Mode::Batch) {
    QCoreApplication batch(argc, argv);
    QCoreApplication::setApplicationVersion(programVersion());
    return runBatchTransfer(commandLine.batch, folder, TSystemPortList(folder, scope), environment.testTimes);
  }

  QApplication app(argc, argv);
  // The title; the boxes carry it as their caption themselves. (A display name would be added to
  // every window caption on some platforms, and the window's caption is "KELVOX Setup".)
  QApplication::setApplicationName(QString::fromUtf8(kApplicationTitle));
  QApplication::setApplicationVersion(programVersion());

  // Caught before the window is built, so that nothing between here and the end is cut off. A
  // signal taken while it is built (in a box it holds open) ends that box, and the window once it stands.
  TForm1* window = nullptr;
  int signalAtStart = 0;
  const TExitSignals exitSignals([&window, &signalAtStart](int signal) {
    if (window != nullptr) return window->endBySignal(signal);
    signalAtStart = signal;
    QCoreApplication::exit(128 + signal);
  });
  TForm1 form(folder, std::make_unique<TSystemPortList>(folder, scope), environment.testTimes);
  if (signalAtStart != 0) {
    form.endBySignal(signalAtStart);
    return 128 + signalAtStart;
  }
  window = &form;
  if (!commandLine.file.isEmpty()) form.openWhenStarted(commandLine.file);
  form.centreOnScreen();
  form.show();
  quitAfterStartupReadWhenAsked(form, startupReadHook(environment, folder));
  return app.exec();
}
