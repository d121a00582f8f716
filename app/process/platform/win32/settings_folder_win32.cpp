// The settings folder on Windows: the start folder when it holds "kelvox.ini", else
// %APPDATA%\KELVOX Setup, the roaming application data folder Qt knows, made the first time.
// Ports are devices there (\\.\COMn), so no COMn entry marks a folder.
#include <QCoreApplication>
#include <QStandardPaths>
#include <filesystem>
#include <system_error>

#include "settings_folder.h"

namespace fs = std::filesystem;

namespace settings_folder {

const char* description() {
  return "The chosen port is kept in kelvox.ini in the start folder when that folder holds kelvox.ini;\n"
         "otherwise in %APPDATA%\\KELVOX Setup. Ports are COM1, COM2 and so on, as Device Manager\n"
         "and --list-ports show them. /? shows this help too.";
}

namespace {

const QString kFolderName = QStringLiteral("KELVOX Setup");

bool holdsSettingsFile(const fs::path& folder) {
  std::error_code error;
  const fs::file_type type = fs::symlink_status(folder / "kelvox.ini", error).type();
  return !error && type != fs::file_type::not_found && type != fs::file_type::none;
}

// Qt names the application data folder after the application; the folder keeps its own name
// whatever the application is called, and no application object needs to exist yet.
fs::path userFolder() {
  const QString applicationName = QCoreApplication::applicationName();
  const QString organizationName = QCoreApplication::organizationName();
  QCoreApplication::setOrganizationName(QString());
  QCoreApplication::setApplicationName(kFolderName);
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  QCoreApplication::setApplicationName(applicationName);
  QCoreApplication::setOrganizationName(organizationName);
  return folder.isEmpty() ? fs::path() : fs::path(folder.toStdWString());
}

// As UTF-8, which the message is printed from; a user's name may hold any letter.
TProblem failure(const char* what, const fs::path& folder, const std::error_code& error) {
  const QByteArray shown = QString::fromStdWString(folder.native()).toUtf8();
  return TProblem::other(std::string(what) + " " + shown.toStdString() + ": " + error.message(),
                         error.value());
}

}  // namespace

// The application data folder comes from the system's known folders (through Qt), not from the
// environment.
TChoice chooseWorkingFolder(const TProgramEnvironment&, const fs::path& startFolder) {
  if (!startFolder.empty() && holdsSettingsFile(startFolder)) return {TWorkingFolder(startFolder), {}};
  // Without a settings folder the program stays in the start folder, which is no place for its files.
  const auto startFolderOnly = [&startFolder](TProblem problem) {
    return TChoice{TWorkingFolder(startFolder, TSaving::SwitchedOff), std::move(problem)};
  };
  const fs::path folder = userFolder();
  if (folder.empty()) return startFolderOnly(TProblem::other("no application data folder is known"));
  std::error_code error;
  fs::create_directories(folder, error);
  if (error) return startFolderOnly(failure("cannot create", folder, error));
  return {TWorkingFolder(folder), {}};
}

}  // namespace settings_folder

// No folder of Windows lets anyone add entries that only their owner may take away.
bool TForeignEntries::leftAlone(const fs::path&) { return false; }
