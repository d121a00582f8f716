#include "options.h"

#include <cstdio>
#include <functional>
#include <map>

#include "input_checks.h"

namespace kvxemu {

namespace {

constexpr const char* kUsage =
    "usage: kelvox-clock-emulator [--dir DIR] [--port N] [--config FILE] [--save FILE] [--log FILE]\n"
    "                             [--filler C] [--silent-from N] [--error-at N] [--duplicate-at N]\n"
    "                             [--duplicate-delay-ms N] [--corrupt-at N] [--garbage] [--vanish-at N]\n"
    "                             [--silent-after-reply N] [--delay-ms N]\n"
    "                             [--pace] [--latency-ms N] [--timing FILE]\n"
    "A KELVOX clock on a pseudo-terminal, linked as DIR/COMn, n 1..256 (default ./COM1); an existing\n"
    "DIR/COMn is replaced only when it is a symbolic link.\n"
    "Prints \"ready COMn PTY\" on stdout once the link exists; stops on SIGTERM or SIGINT.\n"
    "Messages are the received lines ending in CR that hold anything but CR and LF, counted from 1;\n"
    "a read is the read request (message 1 of a read on its own) and then one day request a day.\n"
    "  --config FILE     load the configuration, a regular file of at most 64 KiB (default: built-in)\n"
    "  --save FILE       write the held configuration after every applied command and at exit\n"
    "                    (an empty name, --save=, writes nothing)\n"
    "  --log FILE        log received and sent lines (default: stderr)\n"
    "  --filler C        second character of the settings and entry replies, a visible character\n"
    "                    other than \"$\" and \"=\" (default S)\n"
    "  --silent-from N   neither answer nor apply message N and later ones\n"
    "  --error-at N      answer message N with \"$error\" instead\n"
    "  --duplicate-at N  answer message N twice (\"$ok\" CR \"$ok\" CR; a read or day request's\n"
    "                    replies all twice), both in one write; with --error-at M, M > N, a second\n"
    "                    \"$ok\" followed by an error reply\n"
    "  --duplicate-delay-ms N\n"
    "                    write the second answer of --duplicate-at N ms after the first, apart\n"
    "  --corrupt-at N    acknowledge command N with \"$ok\" but store a changed value, as a line hit\n"
    "                    the clock did not notice: a switch time one second later (a deleted one as\n"
    "                    00:00:01 OFF), a setting one higher (one lower at the top of its range)\n"
    "  --vanish-at N     on message N close the pseudo-terminal, remove the link and exit\n"
    "  --silent-after-reply N\n"
    "                    write only the first N replies (counted from 1 over the run, also within\n"
    "                    one answer), then neither answer nor apply anything\n"
    "  --garbage         write some bytes that are neither \"$\", \"=\", CR nor LF before each reply\n"
    "  --delay-ms N      wait N ms before each reply\n"
    "  --pace            write at the pace of 19200 baud 8E1 (11 bits a byte)\n"
    "  --latency-ms N    model a USB serial adapter's latency timer: the reply bytes are held and\n"
    "                    handed over N ms after the first of them arrived, or at once when 62\n"
    "                    bytes wait (16 is the FTDI default, 1 its setting under low latency)\n"
    "  --timing FILE     per received message, a line \"N FIRST PREVIOUS\": CLOCK_MONOTONIC microseconds\n"
    "                    of its first byte read and of the last byte written in answer to the message\n"
    "                    before it (0: none)\n";

bool toInt(const std::string& s, int min, int max, int& out) {
  try {
    std::size_t pos = 0;
    const int v = std::stoi(s, &pos);
    if (pos != s.size() || v < min || v > max) return false;
    out = v;
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace

std::optional<Options> parseOptions(int argc, char** argv, bool& helpShown) {
  Options o;
  helpShown = false;
  const auto text = [](std::string& field) {
    return [&field](const std::string& v) {
      field = v;
      return true;
    };
  };
  const auto number = [](int& field, int min, int max) {
    return [&field, min, max](const std::string& v) { return toInt(v, min, max, field); };
  };
  const std::map<std::string, std::function<bool(const std::string&)>> valued = {
      {"--dir", text(o.dir)},
      {"--port", number(o.port, 1, 256)},  // the program knows COM1 .. COM256
      {"--config", text(o.configFile)},
      {"--save", text(o.saveFile)},
      {"--log", text(o.logFile)},
      {"--filler",
       [&o](const std::string& v) {
         // The reader frames replies by "$" and "=": the filler must be neither.
         if (v.size() != 1 || v[0] <= ' ' || v[0] > '~' || v[0] == '$' || v[0] == '=') return false;
         o.filler = v[0];
         return true;
       }},
      {"--silent-from", number(o.silentFrom, 1, 1000000)},
      {"--error-at", number(o.errorAt, 1, 1000000)},
      {"--duplicate-at", number(o.duplicateAt, 1, 1000000)},
      {"--duplicate-delay-ms", number(o.duplicateDelayMs, 0, 600000)},
      {"--corrupt-at", number(o.corruptAt, 1, 1000000)},
      {"--vanish-at", number(o.vanishAt, 1, 1000000)},
      {"--silent-after-reply", number(o.silentAfterReply, 1, 1000000)},
      {"--timing", text(o.timingFile)},
      {"--delay-ms", number(o.delayMs, 0, 600000)},
      {"--latency-ms", number(o.latencyMs, 0, 255)},
  };
  const std::map<std::string, bool*> flags = {{"--garbage", &o.garbage}, {"--pace", &o.pace}};

  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    std::optional<std::string> value;
    if (const auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = arg.substr(eq + 1);
      arg.resize(eq);
    }
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stderr);
      helpShown = true;
      return std::nullopt;
    }
    if (const auto f = flags.find(arg); f != flags.end() && !value) {
      *f->second = true;
      continue;
    }
    const auto v = valued.find(arg);
    if (v == valued.end()) {
      std::fprintf(stderr, "kelvox-clock-emulator: unknown option %s\n%s", argv[i], kUsage);
      return std::nullopt;
    }
    if (!value) {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "kelvox-clock-emulator: %s needs a value\n", arg.c_str());
        return std::nullopt;
      }
      value = argv[++i];
    }
    if (!v->second(*value)) {
      std::fprintf(stderr, "kelvox-clock-emulator: bad value for %s: %s\n", arg.c_str(),
                   errorLine(*value).c_str());
      return std::nullopt;
    }
  }
  return o;
}

}  // namespace kvxemu
