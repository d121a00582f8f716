#include "command_line.h"

#include <QCommandLineParser>
#include <QRegularExpression>
#include <cstdio>
#include <filesystem>

#include "argument_text.h"
#include "desktop.h"
#include "json_output.h"
#include "doctor_run.h"
#include "local_files.h"
#include "port_listing.h"
#include "program_arguments.h"
#include "program_name.h"
#include "settings_folder.h"

namespace {

constexpr char kDescription[] =
    "Reads the settings and switch times of a KELVOX radio-controlled clock over a serial port,\n"
    "lets you change them and sends them back.\n"
    "\n";

// A platform chosen by the user (offscreen, for example) needs no display to be found here.
bool displayExpected(const TCommandLine& commandLine, const TProgramEnvironment& environment) {
  return commandLine.displayChosen || desktop::displayExpected(environment);
}

void print(std::FILE* stream, const QString& text) { desktop::write(stream, text); }

// The file as the window opens it later and names it: absolute, in the start folder.
QString windowFile(const QString& file, const TStartFolder& start, TCommandLine& result) {
  std::error_code noFolder;
  const std::filesystem::path path = start.absolute(localPath(file), noFolder);
  if (file.isEmpty() || noFolder) {
    result.mode = TCommandLine::Mode::Invalid;
    result.text = file.isEmpty() ? QStringLiteral("The file name is empty.")
                                 : QStringLiteral("%1: the start folder cannot be found.").arg(shownName(file));
    return {};
  }
  return localName(path);
}

// --json for the commands that print a document; with anything else (the window) a usage error.
void takeJson(TCommandLine& result) {
  result.json = true;
  result.batch.json = true;
  result.show.json = true;
  const auto refuse = [&result](const QString& text) {
    result.mode = TCommandLine::Mode::Invalid;
    result.text = text;
  };
  if (result.mode == TCommandLine::Mode::Window)
    refuse(QStringLiteral("--json goes with --read, --send, --compare, --list-ports or --show; the window writes no JSON."));
  else if (result.mode == TCommandLine::Mode::Batch && !result.batch.reading && !result.batch.verify)
    refuse(QStringLiteral("--json tells what the clock holds after a send: it does not go with --no-verify."));
}

}  // namespace

QString programVersion() { return QStringLiteral(KVX_VERSION); }

TCommandLine parseCommandLine(const QStringList& arguments, const TStartFolder& start) {
  QCommandLineParser parser;
  // Qt's own options are written with one dash (-platform offscreen).
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  parser.setApplicationDescription(QString::fromLatin1(kDescription) +
                                  QString::fromLatin1(settings_folder::description()));
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                QStringLiteral("Shows this help and exits."));
  const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                   QStringLiteral("Shows the version and exits."));
  // Qt's options that choose where the window goes; the application object reads them itself.
  QCommandLineOption platform(QStringLiteral("platform"), QString(), QStringLiteral("name"));
  QCommandLineOption display(QStringLiteral("display"), QString(), QStringLiteral("name"));
  platform.setFlags(QCommandLineOption::HiddenFromHelp);
  display.setFlags(QCommandLineOption::HiddenFromHelp);
  parser.addOptions({help, version, platform, display});
  addBatchTransferOptions(parser);
  addListPortsOption(parser);
  addDoctorOption(parser);
  parser.addPositionalArgument(QStringLiteral("file"),
                               QStringLiteral("A configuration file to open in the window, as File > Open does; "
                                              "nothing is sent until \"Send to clock\"."),
                               QStringLiteral("[file]"));
  addShowOptions(parser);
  addJsonOption(parser);

  TCommandLine result;
  // Help and version are answered before anything else is looked at: they never run a transfer.
  if (!parser.parse(arguments)) {
    result.mode = TCommandLine::Mode::Invalid;
    result.text = parser.errorText();
  } else if (parser.isSet(help)) {
    result.mode = TCommandLine::Mode::Help;
    // The usage line names the program as it is installed, however it was started.
    result.text = parser.helpText();
    result.text.replace(QRegularExpression(QStringLiteral("^Usage: \\S*")),
                        QStringLiteral("Usage: ") + QString::fromLatin1(kProgram));
  } else if (parser.isSet(version)) {
    result.mode = TCommandLine::Mode::Version;
    result.text = QString::fromLatin1(kProgram) + u' ' + programVersion() + u'\n';
  } else if (listPortsRequested(parser)) {
    result.mode = TCommandLine::Mode::ListPorts;
    if (batchTransferRequested(parser) || doctorRequested(parser) || !parser.positionalArguments().isEmpty()) {
      result.mode = TCommandLine::Mode::Invalid;
      result.text = QStringLiteral("--list-ports takes no other option or argument.");
    }
  } else if (doctorRequested(parser)) {
    result.mode = TCommandLine::Mode::Doctor;
    if (batchTransferRequested(parser) || showRequested(parser) || !parser.positionalArguments().isEmpty()) {
      result.mode = TCommandLine::Mode::Invalid;
      result.text = QStringLiteral("--doctor takes no other option or argument.");
    }
  } else if (showRequested(parser)) {
    result.mode = TCommandLine::Mode::Invalid;
    if (batchTransferRequested(parser))
      result.text = QStringLiteral("--show takes no transfer option.");
    else if (auto request = showRequest(parser, start, result.text)) {
      result.mode = TCommandLine::Mode::Show;
      result.show = *request;
    }
  } else if (batchTransferRequested(parser)) {
    if (auto request = batchRequest(parser, start, result.text)) {
      result.mode = TCommandLine::Mode::Batch;
      result.batch = *request;
    } else {
      result.mode = TCommandLine::Mode::Invalid;
    }
  } else if (const QStringList files = parser.positionalArguments(); files.size() > 1) {
    result.mode = TCommandLine::Mode::Invalid;
    result.text = QStringLiteral("Unexpected argument '%1'.").arg(shownName(files.at(1)));
  } else if (files.size() == 1) {
    result.file = windowFile(files.constFirst(), start, result);
  }
  result.displayChosen = parser.isSet(platform) || parser.isSet(display);
  if (result.mode != TCommandLine::Mode::Help && result.mode != TCommandLine::Mode::Version &&
      result.mode != TCommandLine::Mode::Invalid && jsonRequested(parser))
    takeJson(result);
  return result;
}

QStringList commandLineArguments(int argc, char** argv) { return programArguments(argc, argv); }

std::optional<int> answerWithoutWindow(const TCommandLine& commandLine,
                                       const TProgramEnvironment& environment) {
  switch (commandLine.mode) {
    case TCommandLine::Mode::Help:
    case TCommandLine::Mode::Version:
      print(stdout, commandLine.text);
      return 0;
    case TCommandLine::Mode::Invalid:
      print(stderr,
            QStringLiteral("%1: %2 Try '%1 --help'.\n").arg(QString::fromLatin1(kProgram), commandLine.text));
      return 2;
    case TCommandLine::Mode::Window:
    case TCommandLine::Mode::Batch:
    case TCommandLine::Mode::ListPorts:
    case TCommandLine::Mode::Show:
    case TCommandLine::Mode::Doctor:
      break;
  }
  if (commandLine.mode == TCommandLine::Mode::Window && !displayExpected(commandLine, environment)) {
    print(stderr,
          QString::fromLatin1(kProgram) +
              QStringLiteral(": needs a graphical display, and none is set (DISPLAY and WAYLAND_DISPLAY "
                             "are empty).\n"));
    return 1;
  }
  return std::nullopt;
}
