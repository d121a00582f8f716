#include "emulated_clock.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace kvxemu {

namespace {

std::string portName(int port) { return "COM" + std::to_string(port); }

}  // namespace

EmulatedClock::EmulatedClock(const Options& options, const ClockConfig& config, StopSignals& signals,
                             bool oneOfSeveral)
    : options_(options),
      oneOfSeveral_(oneOfSeveral),
      config_(config),
      signals_(signals),
      responder_(config_, options_.filler),
      faults_(options_),
      writer_(options_, log_, signals_) {
  if (oneOfSeveral_) log_.nameOnStderr(portName(options_.port));
}

int EmulatedClock::open() {
  if (!options_.logFile.empty() && !log_.open(options_.logFile)) {
    std::fprintf(stderr, "kelvox-clock-emulator: cannot write %s\n", options_.logFile.c_str());
    return 2;
  }
  if (!options_.timingFile.empty() && !timing_.open(options_.timingFile)) {
    std::fprintf(stderr, "kelvox-clock-emulator: cannot write %s\n", options_.timingFile.c_str());
    return 2;
  }
  std::string error;
  if (!link_.open(options_.linkPath(), error)) {
    std::fprintf(stderr, "kelvox-clock-emulator: %s\n", error.c_str());
    return 1;
  }
  writer_.attach(link_.masterFd());
  save();
  log_.note("ready " + options_.linkPath() + " -> " + link_.slavePath());
  return 0;
}

std::string EmulatedClock::readyLine() const { return "ready " + portName(options_.port) + " " + link_.slavePath(); }

int EmulatedClock::serve() {
  const int status = answerUntilEnd();
  save();
  link_.close();
  log_.note("stopped");
  return status;
}

int EmulatedClock::answerUntilEnd() {
  char buf[512];
  while (signals_.waitFor(link_.masterFd(), POLLIN, std::chrono::milliseconds(-1)) != StopSignals::Wait::Stopped) {
    const ssize_t n = ::read(link_.masterFd(), buf, sizeof buf);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (n <= 0) {
      // Cannot happen while the emulator holds the slave side itself.
      log_.note("pseudo-terminal lost");
      return 1;
    }
    timing_.bytesRead(buf, static_cast<std::size_t>(n));
    for (const ReceivedLine& line : reader_.feed(buf, static_cast<std::size_t>(n)))
      if (!handle(line)) return 0;
  }
  return 0;
}

bool EmulatedClock::handle(const ReceivedLine& line) {
  if (!line.isMessage()) {
    log_.received(0, line.raw);
    return true;
  }
  const int number = ++messages_;
  log_.received(number, line.raw);
  timing_.messageReceived(number);
  switch (faults_.forMessage(number)) {
    case FaultPlan::Action::Vanish:
      log_.note("vanish");
      link_.close();
      std::printf("%s\n", oneOfSeveral_ ? ("vanished " + portName(options_.port)).c_str() : "vanished");
      std::fflush(stdout);
      return false;
    case FaultPlan::Action::Silent:
      log_.note("silent");
      return true;
    case FaultPlan::Action::Error:
      return reply({ClockResponder::errorReply()});
    case FaultPlan::Action::Answer:
      break;
  }
  if (faults_.repliesLeft(repliesWritten_) == 0) {
    log_.note("silent");
    return true;
  }
  ClockResponder::Answer answer = responder_.answer(line.text);
  if (answer.configChanged && faults_.corrupts(number)) {
    responder_.corruptLastApplied();
    log_.note("corrupt");
  }
  // Saved before the acknowledgement, so whoever sees "$ok" finds the change in the file.
  if (answer.configChanged) save();
  if (answer.replies.size() > faults_.repliesLeft(repliesWritten_))
    answer.replies.resize(faults_.repliesLeft(repliesWritten_));
  if (faults_.duplicates(number) && options_.duplicateDelayMs > 0) {
    if (!reply(answer.replies)) return false;
    if (!signals_.sleepFor(std::chrono::milliseconds(options_.duplicateDelayMs))) return false;
  } else if (faults_.duplicates(number)) {
    // One write, so that the reader has both before it can send its next command.
    std::string twice;
    for (const std::string& r : answer.replies) twice += r;
    answer.replies = {twice + twice};
  }
  return reply(answer.replies);
}

bool EmulatedClock::reply(const std::vector<std::string>& replies) {
  const bool goOn = writer_.send(replies);
  repliesWritten_ += replies.size();
  if (!replies.empty()) timing_.repliesWritten(writer_.lastWrite());
  return goOn;
}

void EmulatedClock::save() {
  if (!options_.saveFile.empty() && !ConfigFile::save(options_.saveFile, config_))
    log_.note("cannot write " + options_.saveFile);
}

}  // namespace kvxemu
