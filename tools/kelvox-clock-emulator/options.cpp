#include "options.h"

#include <cstdio>
#include <functional>
#include <map>
#include <set>

#include "input_checks.h"

namespace kvxemu {

namespace {

constexpr const char* kUsage =
    "usage: kelvox-clock-emulator [--dir DIR] [--port N] [--count N] [CLOCK-OPTIONS]\n"
    "                             [--for COMn CLOCK-OPTIONS]...\n"
    "CLOCK-OPTIONS: [--config FILE] [--save FILE] [--log FILE] [--timing FILE] [--filler C]\n"
    "               [--silent-from N] [--error-at N] [--duplicate-at N] [--duplicate-delay-ms N]\n"
    "               [--corrupt-at N] [--garbage] [--vanish-at N] [--silent-after-reply N] [--delay-ms N]\n"
    "               [--pace] [--latency-ms N]\n"
    "A KELVOX clock on a pseudo-terminal, linked as DIR/COMn, n 1..256 (default ./COM1); an existing\n"
    "DIR/COMn is replaced only when it is a symbolic link.\n"
    "Prints \"ready COMn PTY\" on stdout once the link exists; stops on SIGTERM or SIGINT.\n"
    "Messages are the received lines ending in CR that hold anything but CR and LF, counted from 1;\n"
    "a read is the read request (message 1 of a read on its own) and then one day request a day.\n"
    "  --count N         N clocks in one process (1..64, default 1), linked as DIR/COMn .. COMn+N-1,\n"
    "                    each with its own pseudo-terminal, configuration, counts and pace, and its\n"
    "                    own \"ready\" line (in port order, once all are linked). With N > 1 a --save,\n"
    "                    --log or --timing FILE given for all gets \"-COMn\" before its extension\n"
    "                    (emu.cfg: emu-COM1.cfg, emu-COM2.cfg, ...), a log on stderr names the clock\n"
    "                    on each line, and a clock that vanishes prints \"vanished COMn\"\n"
    "  --for COMn        the CLOCK-OPTIONS after it, up to the next --for, are the clock COMn's own,\n"
    "                    on top of those before the first --for; its FILEs are taken as given.\n"
    "                    --dir, --port and --count are for the whole run wherever they stand.\n"
    "                    e.g. --count 3 --save emu.cfg --for COM2 --config b.cfg --vanish-at 4\n"
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
    "  --vanish-at N     on message N close the pseudo-terminal, remove the link and exit; of several\n"
    "                    clocks only this one ends, and the emulator once all have ended\n"
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

using Setter = std::function<bool(const std::string&)>;

Setter text(std::string& field) {
  return [&field](const std::string& v) {
    field = v;
    return true;
  };
}

Setter number(int& field, int min, int max) {
  return [&field, min, max](const std::string& v) { return toInt(v, min, max, field); };
}

// The valued options each clock may have of its own, bound to that clock's fields.
std::map<std::string, Setter> clockOptions(Options& o) {
  return {
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
}

std::map<std::string, bool*> clockFlags(Options& o) { return {{"--garbage", &o.garbage}, {"--pace", &o.pace}}; }

// Options that set up the whole run, wherever they stand.
bool isRunWide(const std::string& name) { return name == "--dir" || name == "--port" || name == "--count"; }

// One option given after "--for COMn", applied once the clocks are known.
struct Setting {
  std::string name;
  std::optional<std::string> value;  // none for a flag
};

bool toPort(const std::string& name, int& port) {
  return name.rfind("COM", 0) == 0 && toInt(name.substr(3), 1, kMaxPort, port);
}

std::nullopt_t badValue(const std::string& name, const std::string& value) {
  std::fprintf(stderr, "kelvox-clock-emulator: bad value for %s: %s\n", name.c_str(), errorLine(value).c_str());
  return std::nullopt;
}

std::nullopt_t refuse(const std::string& text) {
  std::fprintf(stderr, "kelvox-clock-emulator: %s\n", errorLine(text).c_str());
  return std::nullopt;
}

std::string portName(int port) { return "COM" + std::to_string(port); }

// With several clocks, each writes files of its own.
bool filesApart(const std::vector<Options>& clocks) {
  if (clocks.size() < 2) return true;
  std::set<std::string> written;
  for (const Options& o : clocks)
    for (const std::string* file : {&o.saveFile, &o.logFile, &o.timingFile})
      if (!file->empty() && !written.insert(*file).second) {
        refuse("two clocks would write " + *file);
        return false;
      }
  return true;
}

// Each clock: the common options, one file name made per clock, then the clock's own options.
std::optional<std::vector<Options>> clocksOf(const Options& common, int count,
                                             const std::map<int, std::vector<Setting>>& sections) {
  const int last = common.port + count - 1;
  if (last > kMaxPort)
    return refuse("--count " + std::to_string(count) + " from " + portName(common.port) + " goes beyond " +
                  portName(kMaxPort));
  for (const auto& [port, settings] : sections)
    if (port < common.port || port > last)
      return refuse("--for " + portName(port) + ": no such clock (" + portName(common.port) +
                    (count > 1 ? ".." + portName(last) : "") + ")");

  std::vector<Options> clocks;
  for (int port = common.port; port <= last; ++port) {
    Options o = common;
    o.port = port;
    if (count > 1)
      for (std::string* file : {&o.saveFile, &o.logFile, &o.timingFile})
        if (!file->empty()) *file = perClockName(*file, port);
    const auto own = sections.find(port);
    if (own != sections.end()) {
      const auto valued = clockOptions(o);
      const auto flags = clockFlags(o);
      for (const Setting& s : own->second) {
        if (!s.value)
          *flags.at(s.name) = true;
        else if (!valued.at(s.name)(*s.value))
          return badValue(s.name, *s.value);
      }
    }
    clocks.push_back(o);
  }
  if (!filesApart(clocks)) return std::nullopt;
  return clocks;
}

}  // namespace

std::optional<std::vector<Options>> parseOptions(int argc, char** argv, bool& helpShown) {
  Options common;
  int count = 1;
  helpShown = false;
  std::map<std::string, Setter> valued = clockOptions(common);
  valued["--dir"] = text(common.dir);
  valued["--port"] = number(common.port, 1, kMaxPort);
  valued["--count"] = number(count, 1, kMaxClocks);
  const std::map<std::string, bool*> flags = clockFlags(common);
  std::map<int, std::vector<Setting>> sections;  // by port
  std::vector<Setting>* section = nullptr;       // where the options now read go

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
      if (section)
        section->push_back({arg, std::nullopt});
      else
        *f->second = true;
      continue;
    }
    const auto v = valued.find(arg);
    if (v == valued.end() && arg != "--for") {
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
    if (arg == "--for") {
      int port = 0;
      if (!toPort(*value, port)) return badValue(arg, *value);
      section = &sections[port];
    } else if (section && !isRunWide(arg)) {
      section->push_back({arg, value});
    } else if (!v->second(*value)) {
      return badValue(arg, *value);
    }
  }
  return clocksOf(common, count, sections);
}

std::string perClockName(const std::string& path, int port) {
  const std::size_t nameStart = path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1;
  std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot <= nameStart) dot = path.size();  // ".cfg" has no extension
  return path.substr(0, dot) + "-COM" + std::to_string(port) + path.substr(dot);
}

}  // namespace kvxemu
