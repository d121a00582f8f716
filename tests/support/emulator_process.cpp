#include "emulator_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

extern char** environ;

namespace {

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Undoes the log's escaping: \r, \n, \\, \" and \xHH.
std::string unescape(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 >= s.size()) {
      out += s[i];
      continue;
    }
    const char c = s[++i];
    if (c == 'r')
      out += '\r';
    else if (c == 'n')
      out += '\n';
    else if (c == 'x' && i + 2 < s.size()) {
      out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else
      out += c;
  }
  return out;
}

}  // namespace

EmulatorProcess::EmulatorProcess(std::string dir, std::vector<std::string> args, int port)
    : dir_(std::move(dir)), args_(std::move(args)), port_(port) {}

EmulatorProcess::~EmulatorProcess() { stop(); }

std::string EmulatorProcess::executable() { return KVX_EMULATOR_PATH; }

std::string EmulatorProcess::linkPath() const { return dir_ + "/COM" + std::to_string(port_); }
std::string EmulatorProcess::logPath() const {
  return dir_ + "/emulator-COM" + std::to_string(port_) + ".log";
}
std::string EmulatorProcess::savePath() const {
  return dir_ + "/emulator-COM" + std::to_string(port_) + ".cfg";
}
std::string EmulatorProcess::errorsPath() const {
  return dir_ + "/emulator-COM" + std::to_string(port_) + ".err";
}
std::string EmulatorProcess::log() const { return readFile(logPath()); }
std::string EmulatorProcess::errors() const { return readFile(errorsPath()); }
std::string EmulatorProcess::savedConfig() const { return readFile(savePath()); }

bool EmulatorProcess::start(std::chrono::milliseconds timeout) {
  if (pid_ > 0) return false;
  std::vector<std::string> argv = {executable(), "--dir",   dir_,     "--port",  std::to_string(port_),
                                   "--log",      logPath(), "--save", savePath()};
  argv.insert(argv.end(), args_.begin(), args_.end());
  std::vector<char*> cargv;
  for (auto& a : argv) cargv.push_back(a.data());
  cargv.push_back(nullptr);

  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  const std::string errors = errorsPath();
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  const int rc = posix_spawn(&pid_, cargv[0], &actions, nullptr, cargv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  stdoutFd_ = out[0];
  if (rc != 0) {
    pid_ = -1;
    return false;
  }

  // Wait for the "ready" line.
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  std::string seen;
  while (seen.find('\n') == std::string::npos) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd p{stdoutFd_, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
    char buf[256];
    const ssize_t n = ::read(stdoutFd_, buf, sizeof buf);
    if (n <= 0) {
      reap(true);  // it ended without becoming ready
      return false;
    }
    seen.append(buf, static_cast<std::size_t>(n));
  }
  struct stat st;
  return seen.rfind("ready ", 0) == 0 && ::lstat(linkPath().c_str(), &st) == 0;
}

bool EmulatorProcess::reap(bool block) {
  if (pid_ <= 0) return true;
  int status = 0;
  const pid_t r = ::waitpid(pid_, &status, block ? 0 : WNOHANG);
  if (r == 0) return false;
  if (r == pid_) exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  pid_ = -1;
  if (stdoutFd_ >= 0) ::close(stdoutFd_);
  stdoutFd_ = -1;
  return true;
}

bool EmulatorProcess::isRunning() { return !reap(false); }

bool EmulatorProcess::waitForExit(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!reap(false)) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

void EmulatorProcess::stop() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  if (!waitForExit(std::chrono::seconds(5))) {
    ::kill(pid_, SIGKILL);
    reap(true);
  }
}

std::vector<std::string> EmulatorProcess::receivedMessages() const {
  static const std::regex counted(R"re(^\S+ rx \d+ "(.*)"$)re");
  std::vector<std::string> messages;
  std::istringstream lines(log());
  std::smatch m;
  for (std::string line; std::getline(lines, line);)
    if (std::regex_match(line, m, counted)) messages.push_back(unescape(m[1]));
  return messages;
}

std::string EmulatorProcess::receivedBytes() const {
  static const std::regex received(R"re(^\S+ rx (\d+|-) "(.*)"$)re");
  std::string bytes;
  std::istringstream lines(log());
  std::smatch m;
  for (std::string line; std::getline(lines, line);)
    if (std::regex_match(line, m, received)) bytes += unescape(m[2]);
  return bytes;
}

std::string EmulatorProcess::savedValue(const std::string& key) const {
  std::istringstream lines(savedConfig());
  for (std::string line; std::getline(lines, line);) {
    const auto eq = line.find(" = ");
    if (eq != std::string::npos && line.compare(0, eq, key) == 0 && eq == key.size())
      return line.substr(eq + 3);
  }
  return "";
}

void EmulatorProcess::linkUnusedPorts(const std::string& dir, const std::vector<int>& usedPorts) {
  for (int n = 1; n <= 9; ++n) {
    if (std::find(usedPorts.begin(), usedPorts.end(), n) != usedPorts.end()) continue;
    const std::string link = dir + "/COM" + std::to_string(n);
    ::unlink(link.c_str());
    ::symlink("/nonexistent/kelvox-test-port", link.c_str());
  }
}
