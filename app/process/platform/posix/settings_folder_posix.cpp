// The settings folder on POSIX systems: the start folder when it holds "kelvox.ini" or a COMn
// link of the user's own, else the XDG configuration folder, made for its owner only.
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "argument_text.h"
#include "desktop.h"
#include "posix_files.h"
#include "program_name.h"
#include "settings_folder.h"
#include "shared_folder.h"

namespace fs = std::filesystem;

namespace settings_folder {

const char* description() {
  return "The chosen port is kept in kelvox.ini in the start folder when that folder holds kelvox.ini\n"
         "or a COMn link; otherwise in $XDG_CONFIG_HOME/kelvox-setup (~/.config/kelvox-setup), where\n"
         "COMn links are looked for as well.";
}

namespace {

// Only an entry that can be seen counts: a folder that cannot be read holds nothing for us, and
// another user's entry in a shared folder nothing we take.
bool present(const fs::path& entry, TForeignEntries& foreign) {
  std::error_code error;
  const fs::file_type type = fs::symlink_status(entry, error).type();
  return !error && type != fs::file_type::not_found && type != fs::file_type::none && !foreign.leftAlone(entry);
}

// HOME, else the user's entry in the password database; empty when neither is known.
std::string homeFolder(const std::string& home) {
  if (!home.empty()) return home;
  const passwd* user = getpwuid(getuid());
  return user != nullptr && user->pw_dir != nullptr ? user->pw_dir : std::string();
}

// Creates every missing folder on the way with mode 0700, as the XDG base directories ask for.
int createFolders(const fs::path& folder) {
  fs::path made;
  for (const fs::path& part : folder) {
    made /= part;
    std::error_code error;
    if (fs::is_directory(made, error)) continue;
    if (mkdir(made.c_str(), 0700) == 0) continue;
    // Something that is not a folder (a file named by XDG_CONFIG_HOME, say) is no place for ours.
    if (errno != EEXIST) return errno;
    if (!fs::is_directory(made, error)) return ENOTDIR;
  }
  return 0;
}

// Whether `folder` holds "kelvox.ini" or an entry COM1 .. COM256 (a link that leads nowhere counts:
// it marks an absent port). Every entry is looked at, so that each one of another user is told.
bool holdsPortSetup(const fs::path& folder, TForeignEntries& foreign) {
  bool holds = present(folder / "kelvox.ini", foreign);
  for (int n = 1; n <= 256; ++n) holds = present(folder / ("COM" + std::to_string(n)), foreign) || holds;
  return holds;
}

// $XDG_CONFIG_HOME/kelvox-setup when that variable is an absolute path, else
// HOME/.config/kelvox-setup; empty when neither is known.
fs::path userFolder(const std::string& xdgConfigHome, const std::string& home) {
  // Relative values are invalid by the XDG rules and are ignored.
  if (xdgConfigHome.starts_with('/')) return fs::path(xdgConfigHome) / "kelvox-setup";
  if (home.starts_with('/')) return fs::path(home) / ".config" / "kelvox-setup";
  return {};
}

// What stops the program from working in `folder`: it must be able to look into it.
TProblem cannotEnter(const fs::path& folder) {
  if (faccessat(AT_FDCWD, folder.c_str(), X_OK, AT_EACCESS) == 0) return {};
  const int error = errno;
  return {posix_files::problemOf(error).kind, "cannot enter " + folder.string() + ": " + std::strerror(error),
          error};
}

}  // namespace

TChoice chooseWorkingFolder(const TProgramEnvironment& environment, const fs::path& startFolder) {
  // What is said of another user's entry in the start folder is said once, there as later.
  const auto foreign = std::make_shared<TForeignEntries>();
  if (!startFolder.empty() && holdsPortSetup(startFolder, *foreign))
    return {TWorkingFolder(startFolder, TSaving::Allowed, foreign), {}};
  // Without a settings folder the program stays in the start folder, which is no place for its files.
  const auto startFolderOnly = [&startFolder, &foreign](TProblem problem) {
    return TChoice{TWorkingFolder(startFolder, TSaving::SwitchedOff, foreign), std::move(problem)};
  };
  const fs::path folder = userFolder(environment.xdgConfigHome, homeFolder(environment.home));
  if (folder.empty()) return startFolderOnly(TProblem::other("no home folder is known"));
  if (const int error = createFolders(folder); error != 0) {
    return startFolderOnly({posix_files::problemOf(error).kind,
                            "cannot create " + folder.string() + ": " + std::strerror(error), error});
  }
  if (TProblem problem = cannotEnter(folder); problem.failed()) return startFolderOnly(std::move(problem));
  // As the system names it, links and dot-dots resolved, like the start folder.
  std::error_code unresolved;
  const fs::path resolved = fs::canonical(folder, unresolved);
  return {TWorkingFolder(unresolved ? folder : resolved, TSaving::Allowed, foreign), {}};
}

}  // namespace settings_folder

bool TForeignEntries::leftAlone(const fs::path& entry) {
  if (!shared_folder::foreignEntry(entry.string())) return false;
  // Entries come with their folder, which is absolute.
  const fs::path shown = entry.lexically_normal();
  const std::lock_guard lock(mutex_);
  if (told_.insert(shown).second)
    desktop::write(stderr, QStringLiteral("%1: %2 belongs to another user, in a shared folder; it is not used\n")
                               .arg(QString::fromLatin1(kProgram), shownName(argumentText(shown.native()))));
  return true;
}
