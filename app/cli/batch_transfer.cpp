#include "batch_transfer.h"

#include <QCommandLineParser>
#include <QEventLoop>
#include <QStringList>
#include <QTimer>
#include <algorithm>
#include <bitset>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "Serial4.h"
#include "clock_link.h"
#include "config_file_access.h"
#include "desktop.h"
#include "exit_signals.h"
#include "message_framer.h"
#include "messages.h"
#include "port_chooser.h"
#include "port_settings_file.h"
#include "reply_timer.h"
#include "safe_write.h"
#include "transfer.h"

namespace {

constexpr char kProgram[] = "kelvox-setup";
constexpr int kScannedPorts = TPortChooser::kScannedPorts;
constexpr int kPortCount = TPortChooser::kPortCount;

const QString kReadOption = QStringLiteral("read");
const QString kSendOption = QStringLiteral("send");
const QString kPortOption = QStringLiteral("port");

constexpr char16_t kEscapedByteBase = 0xDC00;  // + a byte 0x80..0xFF that is not part of UTF-8

// Length of the UTF-8 sequence at s[i], or 0 when it is not one.
std::size_t utf8Length(std::string_view s, std::size_t i) {
  const auto lead = static_cast<unsigned char>(s[i]);
  if (lead < 0x80) return 1;
  const std::size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                             : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
  if (length == 0 || i + length > s.size()) return 0;
  // The strict decoder decides about overlong forms and surrogates.
  const QString decoded = QString::fromUtf8(s.data() + i, static_cast<qsizetype>(length));
  return decoded.contains(QChar::ReplacementCharacter) ? 0 : length;
}

// One line on standard error, the program's name first.
void report(const QString& text) {
  std::fprintf(stderr, "%s: %s\n", kProgram, text.toLocal8Bit().constData());
}

// A command (without its line end) as it can be shown on one line: control characters escaped.
QString printable(const std::string& command) {
  QString text;
  for (const char c : command) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\r')
      text += QStringLiteral("\\r");
    else if (byte < 0x20 || byte >= 0x7F)
      text += QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0'));
    else
      text += QLatin1Char(c);
  }
  return QLatin1Char('"') + text + QLatin1Char('"');
}

// Why a reply's value did not fit its setting: the file gets the clamped value, as the window shows it.
QString outOfRange(Setting setting, int value, SettingRange range, int port) {
  return QStringLiteral("the clock on COM%1 reported %2 %3, outside %4 to %5; the file holds %6")
      .arg(port)
      .arg(QString::fromLatin1(settingName(setting)))
      .arg(value)
      .arg(range.min)
      .arg(range.max)
      .arg(std::clamp(value, range.min, range.max));
}

// The window's read or send on a port of its own, with the configuration in place of the controls.
//
// The received bytes are cut into messages here rather than by the component: each byte is then
// known to have come before or after the last command was written. A message whose bytes all came
// before it cannot answer it, so such an acknowledgement (a clock's duplicate "$ok") counts for
// nothing; otherwise it would count for the next command and a later error reply would go unseen.
class TBatchTransfer : private TransferPort, private TransferHost {
 public:
  enum class Direction { Read, Send };

  TBatchTransfer(Direction direction, TClockConfig config)
      : direction_(direction), config_(std::move(config)) {
    makeClockLink(serial_);
    // Messages are cut here rather than by the component, so that each one is known to have
    // arrived before or after the command it might answer.
    serial_.setRxEventMode(rxNormal);
    serial_.OnRxData = [this](TSerial*) { readReceived(); };
    QObject::connect(&timeout_, &QTimer::timeout, [this] { transfer_.TimeoutTimer(); });
    table_ = config_.week;
  }
  ~TBatchTransfer() override {
    timeout_.stop();
    serial_.setActive(false);
  }

  // Opens COMn; the reason when it cannot be opened.
  std::optional<QString> open(int port) {
    serial_.setPort(port);
    serial_.setActive(true);
    if (serial_.Active()) return std::nullopt;
    // The reason as the window's tool tip gives it ("in use by PID 1234", "permission denied; ...").
    return QString::fromStdString(serial_.openFailure());
  }
  int port() const { return serial_.Port(); }

  // Runs the read or the send to its end; false with failure() saying why.
  bool run() {
    progressShown_ = desktop::standardErrorIsTerminal();
    // Ctrl+C, SIGTERM or a hang-up end the transfer with its report and an orderly close, so a
    // clock is never left half-written without a word.
    const TExitSignals interrupts([this](int) { finish(failureText(Ending::Interrupted)); });
    if (direction_ == Direction::Read)
      transfer_.ReadClockClick();
    else
      transfer_.SendToClockClick();
    if (!finished_) loop_.exec();
    timeout_.stop();
    serial_.setActive(false);
    if (progressShown_ && progressPrinted_) std::fputc('\n', stderr);
    return failure_.isEmpty();
  }

  QString failure() const { return failure_; }
  // Replies whose values the file could hold only clamped, one line each.
  const QStringList& warnings() const { return warnings_; }
  // Whether it ended because the port gave no answer at all: maybe no clock is behind it.
  bool unanswered() const { return noAnswer_ && transfer_.lastAcknowledged().empty(); }
  TClockConfig received() const {
    TClockConfig config = config_;
    config.week = table_;
    return config;
  }

 private:
  static constexpr char kEndChar = '\r';

  void readReceived() {
    char byte = 0;
    while (!finished_ && serial_.ReadChar(byte) == 1) {
      const bool beforeLastCommand = bytesBeforeLastCommand_ > 0;
      if (beforeLastCommand) --bytesBeforeLastCommand_;
      // While the week is read, messages start at "=", so the clock's "$error" needs a framer of
      // its own. The transfer does not take it then (it is no entry reply); it ends the read at
      // the time-out, which is then reported as the error reply it was.
      if (startChar_ != '$' && errorFramer_.feed(byte, '$', kEndChar, 0) && isErrorReply(errorFramer_.message()))
        handleMessage(errorFramer_.message(), false);
      if (framer_.feed(byte, startChar_, kEndChar, 0)) handleMessage(framer_.message(), beforeLastCommand);
    }
  }

  void handleMessage(const std::string& message, bool beforeLastCommand) {
    if (finished_) return;
    if (isErrorReply(message)) errorReply_ = true;
    // An acknowledgement counts only for the command written last.
    if (direction_ == Direction::Send && beforeLastCommand && isAcknowledgement(message)) return;
    transfer_.Serial1Message(message);
  }

  void finish(const QString& failure) {
    if (finished_) return;
    finished_ = true;
    failure_ = failure;
    loop_.quit();
  }

  enum class Ending { NoAnswer, ErrorReply, Interrupted };

  QString failureText(Ending ending) const {
    const QString clock = QStringLiteral("the clock on COM%1").arg(port());
    if (direction_ == Direction::Read) {
      const QString what =
          ending == Ending::ErrorReply ? clock + QStringLiteral(" answered the read with an error reply")
          : ending == Ending::NoAnswer ? QStringLiteral("no answer from ") + clock
                                       : QStringLiteral("interrupted while reading ") + clock;
      return what + QStringLiteral("; nothing was written");
    }
    // The command written last is the one without its answer.
    const int acknowledged = transfer_.acknowledgedCount();
    const int total = TClockTransfer::kSendCommands;
    const QString what =
        ending == Ending::ErrorReply
            ? clock + QStringLiteral(" answered command %1 of %2 (%3) with an error reply")
        : ending == Ending::NoAnswer
            ? QStringLiteral("no answer from ") + clock + QStringLiteral(" to command %1 of %2 (%3)")
            : QStringLiteral("interrupted at command %1 of %2 (%3) to ") + clock;
    const QString text = what.arg(acknowledged + 1).arg(total).arg(printable(transfer_.lastWritten()));
    if (acknowledged == 0) return text + QStringLiteral("; no command was acknowledged");
    return text +
           QStringLiteral("; the clock is half-written: the last acknowledged command is %1 of %2 (%3)")
               .arg(acknowledged)
               .arg(total)
               .arg(printable(transfer_.lastAcknowledged()));
  }

  // TransferPort
  void sendString(const std::string& text) override {
    // What is waiting now came before the command: no answer to it can be among those bytes. (Taken
    // before the write: a clock at the end of a pseudo-terminal may answer before the write returns.)
    bytesBeforeLastCommand_ = serial_.RxWaiting();
    serial_.SendString(text);
  }
  void sendChar(char c) override { serial_.SendChar(c); }
  void abortRx() override { serial_.AbortRx(); }
  void abortTx() override { serial_.AbortTx(); }
  void setMessageStartChar(char c) override { startChar_ = c; }

  // TransferHost
  int setting(Setting s) const override { return config_.setting(s); }
  void writeSetting(Setting s, int value) override {
    // As the window's controls clamp what is written into them.
    const SettingRange range = settingRange(s);
    config_.setSetting(s, std::clamp(value, range.min, range.max));
  }
  void settingRead(Setting s, int value) override {
    const SettingRange range = settingRange(s);
    if (value < range.min || value > range.max) warnings_ << outOfRange(s, value, range, port());
    writeSetting(s, value);
    reported_.set(static_cast<std::size_t>(s));
  }
  void progressed(int done, int total) override {
    if (!progressShown_) return;
    const QString line =
        QStringLiteral("\r%1 the clock on COM%2: %3/%4")
            .arg(direction_ == Direction::Read ? QStringLiteral("reading") : QStringLiteral("sending to"))
            .arg(port())
            .arg(done)
            .arg(total);
    std::fputs(line.toLocal8Bit().constData(), stderr);
    progressPrinted_ = true;
  }
  void readFinished() override {
    if (reported_.all())
      finish(QString());
    else
      finish(QStringLiteral("the clock on COM%1 reported %2 of its 5 settings; nothing was written")
                 .arg(port())
                 .arg(reported_.count()));
  }
  // The last command acknowledged, and no error reply before it.
  void sendFinished() override { finish(QString()); }
  void failed(TransferFailure why, const std::string&) override {
    // An error reply during the week read does not reach the transfer: it ends at the time-out.
    const bool errorReply = why == TransferFailure::ErrorReply || errorReply_;
    noAnswer_ = !errorReply;
    finish(failureText(errorReply ? Ending::ErrorReply : Ending::NoAnswer));
  }

  Direction direction_;
  TClockConfig config_;
  WeekTable table_;
  bool timerEdited_ = false;  // a file's relay mode is sent as it stands
  TSerial serial_;
  QTimer timeout_;
  TReplyTimer replyTimer_{timeout_};
  QEventLoop loop_;
  TClockTransfer transfer_{*this, replyTimer_, *this, table_, timerEdited_};

  char startChar_ = '$';
  MessageFramer framer_;
  MessageFramer errorFramer_;
  std::int32_t bytesBeforeLastCommand_ = 0;  // of those not yet read
  QStringList warnings_;

  std::bitset<TClockConfig::kSettingCount> reported_;
  bool errorReply_ = false;
  bool noAnswer_ = false;
  bool finished_ = false;
  QString failure_;
  bool progressShown_ = false;
  bool progressPrinted_ = false;
};

// Opens the port asked for, else the one kelvox.ini names, else the first of COM1..COM4 that
// opens; the reason when none does. A port found by trying leaves in `others` the ports that
// opened besides it, to ask in turn when it gives no answer (a GPS receiver or modem may be on it).
std::optional<QString> openPort(TBatchTransfer& transfer, std::optional<int> asked, std::vector<int>& others) {
  if (asked) {
    if (const auto reason = transfer.open(*asked))
      return QStringLiteral("COM%1 is not available (%2)").arg(*asked).arg(*reason);
    return std::nullopt;
  }
  if (const int saved = TPortSettingsFile().savedPort(); saved != 0) {
    if (const auto reason = transfer.open(saved))
      return QStringLiteral("COM%1, saved in kelvox.ini, is not available (%2); choose a port with --port N")
          .arg(saved)
          .arg(*reason);
    return std::nullopt;
  }
  TPortChooser chooser;
  {
    TSerial probe;
    probe.setNotifyErrors(neNone);
    chooser.scan(probe);
  }
  if (const int first = chooser.firstOpened(); first != 0 && !transfer.open(first)) {
    others = chooser.othersThan(first);
    return std::nullopt;
  }
  return QStringLiteral("no serial port available among COM1 to COM%1; choose one with --port N")
      .arg(kScannedPorts);
}

}  // namespace

QString argumentText(std::string_view bytes) {
  QString text;
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t length = utf8Length(bytes, i);
    if (length == 0) {
      text += QChar(static_cast<char16_t>(kEscapedByteBase + static_cast<unsigned char>(bytes[i])));
      ++i;
      continue;
    }
    text += QString::fromUtf8(bytes.data() + i, static_cast<qsizetype>(length));
    i += length;
  }
  return text;
}

std::string argumentBytes(const QString& text) {
  std::string bytes;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i].unicode();
    const bool pair = QChar::isHighSurrogate(unit) && i + 1 < text.size() && text[i + 1].isLowSurrogate();
    if (!pair && unit >= kEscapedByteBase + 0x80 && unit <= kEscapedByteBase + 0xFF) {
      bytes += static_cast<char>(unit - kEscapedByteBase);
      continue;
    }
    bytes += text.mid(i, pair ? 2 : 1).toStdString();
    if (pair) ++i;
  }
  return bytes;
}

QString shownName(const QString& text) {
  QString shown;
  for (const QChar c : text) {
    const char16_t unit = c.unicode();
    if (unit == '\n')
      shown += QStringLiteral("\\n");
    else if (unit == '\r')
      shown += QStringLiteral("\\r");
    else if (unit == '\t')
      shown += QStringLiteral("\\t");
    else if (unit < 0x20 || unit == 0x7F)
      shown += QStringLiteral("\\x%1").arg(unit, 2, 16, QLatin1Char('0'));
    else if (unit >= kEscapedByteBase + 0x80 && unit <= kEscapedByteBase + 0xFF)
      shown += QStringLiteral("\\x%1").arg(unit - kEscapedByteBase, 2, 16, QLatin1Char('0'));
    else
      shown += c;
  }
  return shown;
}

void addBatchTransferOptions(QCommandLineParser& parser) {
  parser.addOption({kReadOption,
                    QStringLiteral("Read the clock into the configuration file <file>, without a window."),
                    QStringLiteral("file")});
  parser.addOption({kSendOption,
                    QStringLiteral("Send the configuration file <file> to the clock, without a window."),
                    QStringLiteral("file")});
  parser.addOption(
      {kPortOption,
       QStringLiteral(
           "With --read or --send: use COM<n> (1 to 9) instead of the saved or first usable port."),
       QStringLiteral("n")});
}

bool batchTransferRequested(const QCommandLineParser& parser) {
  const QStringList found = parser.optionNames();
  return found.contains(kReadOption) || found.contains(kSendOption) || found.contains(kPortOption);
}

std::optional<TBatchRequest> batchRequest(const QCommandLineParser& parser, QString& error) {
  const auto fail = [&error](const QString& text) {
    error = text;
    return std::nullopt;
  };
  if (parser.isSet(kReadOption) == parser.isSet(kSendOption))
    return fail(QStringLiteral("Give one of --read FILE and --send FILE."));
  if (!parser.positionalArguments().isEmpty())
    return fail(QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().first()));
  TBatchRequest request;
  request.reading = parser.isSet(kReadOption);
  const QString option = request.reading ? kReadOption : kSendOption;
  if (parser.values(option).size() > 1 || parser.values(kPortOption).size() > 1)
    return fail(QStringLiteral("Each option may be given once."));
  const QString file = parser.value(option);
  if (file.isEmpty()) return fail(QStringLiteral("--%1 needs a file name.").arg(option));
  request.file = shownName(file);
  std::error_code noFolder;
  request.path = std::filesystem::absolute(argumentBytes(file), noFolder);
  if (noFolder)
    request.pathProblem = request.file + QStringLiteral(": the start folder cannot be found (%1)")
                                             .arg(QString::fromLocal8Bit(noFolder.message()));
  if (parser.isSet(kPortOption)) {
    bool isNumber = false;
    const int port = parser.value(kPortOption).toInt(&isNumber);
    if (!isNumber || port < 1 || port > kPortCount)
      return fail(QStringLiteral("--port takes a port number from 1 to %1, not '%2'.")
                      .arg(kPortCount)
                      .arg(parser.value(kPortOption)));
    request.port = port;
  }
  return request;
}

int runBatchTransfer(const TBatchRequest& request) {
  const auto fail = [](const QString& text) {
    report(text);
    return 1;
  };
  if (!request.pathProblem.isEmpty()) return fail(request.pathProblem);
  TClockConfig config;
  if (!request.reading) {
    QString error;
    if (!loadConfigFile(request.path, config, error))
      return fail(request.file + QStringLiteral(": ") + error);
  } else if (const std::string refusal = writeRefusal(request.path); !refusal.empty()) {
    // Known before the clock is read: a folder, a device or a pipe is never written.
    return fail(QStringLiteral("cannot write ") + request.file + QStringLiteral(": ") +
                QString::fromLocal8Bit(refusal));
  }
  const auto direction = request.reading ? TBatchTransfer::Direction::Read : TBatchTransfer::Direction::Send;
  auto transfer = std::make_unique<TBatchTransfer>(direction, config);
  std::vector<int> others;
  if (const auto reason = openPort(*transfer, request.port, others)) return fail(*reason);
  bool searched = false;
  bool done = false;
  while (!(done = transfer->run())) {
    if (others.empty() || !transfer->unanswered()) break;
    const int next = others.front();
    others.erase(others.begin());
    report(transfer->failure() + QStringLiteral("; asking COM%1").arg(next));
    transfer = std::make_unique<TBatchTransfer>(direction, config);
    transfer->open(next);  // one that no longer opens ends in no answer like a silent one
    searched = true;
  }
  for (const QString& warning : transfer->warnings()) report(warning);
  if (!done) return fail(transfer->failure());
  if (searched) report(QStringLiteral("the clock answered on COM%1").arg(transfer->port()));
  if (request.reading) {
    QString error;
    if (!saveConfigFile(request.path, transfer->received(), error))
      return fail(QStringLiteral("cannot write ") + request.file + QStringLiteral(": ") + error);
  }
  return 0;
}
