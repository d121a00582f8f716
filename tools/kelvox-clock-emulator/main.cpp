// kelvox-clock-emulator: a KELVOX clock on a pseudo-terminal, for tests and the demo.
// See the usage text in options.cpp.
#include <poll.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "clock_config.h"
#include "clock_responder.h"
#include "event_log.h"
#include "fault_plan.h"
#include "input_checks.h"
#include "line_reader.h"
#include "options.h"
#include "pty_link.h"
#include "reply_writer.h"
#include "stop_signals.h"
#include "timing_log.h"

using namespace kvxemu;

namespace {

class Emulator {
 public:
  Emulator(const Options& options, ClockConfig config)
      : options_(options),
        config_(config),
        responder_(config_, options.filler),
        faults_(options),
        writer_(options, log_, signals_) {}

  int run() {
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
    std::printf("ready COM%d %s\n", options_.port, link_.slavePath().c_str());
    std::fflush(stdout);

    const int status = serve();
    save();
    link_.close();
    log_.note("stopped");
    return status;
  }

 private:
  int serve() {
    char buf[512];
    while (signals_.waitFor(link_.masterFd(), POLLIN, std::chrono::milliseconds(-1)) !=
           StopSignals::Wait::Stopped) {
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

  // False when the emulator is to end.
  bool handle(const ReceivedLine& line) {
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
        std::printf("vanished\n");
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

  bool reply(const std::vector<std::string>& replies) {
    const bool goOn = writer_.send(replies);
    repliesWritten_ += replies.size();
    if (!replies.empty()) timing_.repliesWritten(writer_.lastWrite());
    return goOn;
  }

  void save() {
    if (!options_.saveFile.empty() && !ConfigFile::save(options_.saveFile, config_))
      log_.note("cannot write " + options_.saveFile);
  }

  const Options& options_;
  ClockConfig config_;
  EventLog log_;
  StopSignals signals_;
  PtyLink link_;
  LineReader reader_;
  ClockResponder responder_;
  FaultPlan faults_;
  ReplyWriter writer_;
  TimingLog timing_;
  int messages_ = 0;
  std::size_t repliesWritten_ = 0;
};

// Bad input: one line on stderr, and exit status 2.
int refuse(const std::string& error) {
  std::fprintf(stderr, "kelvox-clock-emulator: %s\n", errorLine(error).c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  bool helpShown = false;
  const auto options = parseOptions(argc, argv, helpShown);
  if (!options) return helpShown ? 0 : 2;

  // Paced bytes are timed by short sleeps; the default timer slack (50 us) would stretch every
  // reply beyond its time on a real line.
  if (options->pace) prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);

  std::string error;
  if (!options->configFile.empty() && !checkConfigFile(options->configFile, error)) return refuse(error);
  if (!options->saveFile.empty() && !checkSaveFile(options->saveFile, error)) return refuse(error);
  if (!checkLinkPlace(options->dir, options->linkPath(), error)) return refuse(error);
  ClockConfig config = ClockConfig::defaults();
  if (!options->configFile.empty() && !ConfigFile::load(options->configFile, config, error))
    return refuse(error);
  return Emulator(*options, config).run();
}
