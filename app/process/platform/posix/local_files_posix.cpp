// Local files on POSIX systems: names are bytes; a regular file is told by stat before the open,
// and again by fstat after it, so that a FIFO put in its place meanwhile cannot hold up a read:
// the open does not wait for a writer (O_NONBLOCK), and fstat then refuses it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "argument_text.h"
#include "file_steps.h"
#include "local_files.h"
#include "posix_files.h"

using posix_files::problemOf;

// QFile::encodeName's UTF-8, except that a command-line name's bytes that are not UTF-8 stay
// themselves (argument_text.h) instead of becoming another name.
std::filesystem::path localPath(const QString& name) { return argumentBytes(name); }

QString localName(const std::filesystem::path& path) { return argumentText(path.native()); }

TProblem openRegularFile(const std::filesystem::path& path, QFile& file) {
  // Nothing is opened before stat has seen a regular file.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return problemOf(errno);
  if (!S_ISREG(st.st_mode)) return TProblem::notRegularFile();
  fileStep("type checked");
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return problemOf(errno);
  TProblem problem;
  if (::fstat(fd, &st) != 0) {
    problem = problemOf(errno);
  } else if (!S_ISREG(st.st_mode)) {
    problem = TProblem::notRegularFile();
  } else if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    problem = TProblem::other(file.errorString().toStdString());
  }
  if (problem.failed()) ::close(fd);
  return problem;
}
