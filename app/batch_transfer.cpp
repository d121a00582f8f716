#include "batch_transfer.h"

#include <unistd.h>

#include <QCommandLineParser>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <bitset>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "Serial4.h"
#include "clock_link.h"
#include "config_file_access.h"
#include "exit_signals.h"
#include "messages.h"
#include "port_chooser.h"
#include "port_settings_file.h"
#include "transfer.h"

namespace {

constexpr char kProgram[] = "kelvox-setup";
constexpr int kCommandsPerSend = 61;
constexpr int kEntriesPerRead = WeekTable::kDays * WeekTable::kEntries;
constexpr int kScannedPorts = TPortChooser::kScannedPorts;
constexpr int kPortCount = TPortChooser::kPortCount;

const QString kReadOption = QStringLiteral("read");
const QString kSendOption = QStringLiteral("send");
const QString kPortOption = QStringLiteral("port");

// One line on standard error, the program's name first.
void report(const QString& text) {
  std::fprintf(stderr, "%s: %s\n", kProgram, text.toLocal8Bit().constData());
}

// A command as it can be shown on one line: without its CR LF, other control characters escaped.
QString printable(std::string command) {
  if (command.size() >= 2 && command.compare(command.size() - 2, 2, "\r\n") == 0)
    command.resize(command.size() - 2);
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

// The window's read or send on a port of its own, with the configuration in place of the controls.
class TBatchTransfer : private TransferHost {
 public:
  enum class Direction { Read, Send };

  TBatchTransfer(Direction direction, TClockConfig config)
      : direction_(direction), config_(std::move(config)) {
    makeClockLink(serial_);
    serial_.OnMessage = [this](TSerial*, const std::string& message) { handleMessage(message); };
    timeout_.setInterval(TClockTransfer::kReplyTimeoutMs);
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
    return QString::fromLocal8Bit(std::strerror(serial_.ErrorCode()));
  }
  int port() const { return serial_.Port(); }

  // Runs the read or the send to its end; false with failure() saying why.
  bool run() {
    progressShown_ = isatty(STDERR_FILENO) == 1;
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
  // Whether it ended because the port gave no answer at all: maybe no clock is behind it.
  bool unanswered() const { return noAnswer_ && transfer_.lastAcknowledged().empty(); }
  TClockConfig received() const {
    TClockConfig config = config_;
    config.week = table_;
    return config;
  }

 private:
  void handleMessage(const std::string& message) {
    if (isErrorReply(message)) errorReply_ = true;
    // An acknowledgement counts for the command that waits for one.
    if (direction_ == Direction::Send && isAcknowledgement(message) && acknowledged_ < sent_.size())
      ++acknowledged_;
    transfer_.Serial1Message(message);
    if (!finished_ && direction_ == Direction::Send && acknowledged_ == kCommandsPerSend) finish(QString());
    showProgress();
  }

  void finish(const QString& failure) {
    if (finished_) return;
    finished_ = true;
    failure_ = failure;
    loop_.quit();
  }

  void showProgress() {
    if (!progressShown_) return;
    const QString line = direction_ == Direction::Read
                             ? QStringLiteral("\rreading the clock on COM%1: %2/%3")
                                   .arg(port())
                                   .arg(entries_)
                                   .arg(kEntriesPerRead)
                             : QStringLiteral("\rsending to the clock on COM%1: %2/%3")
                                   .arg(port())
                                   .arg(acknowledged_)
                                   .arg(kCommandsPerSend);
    std::fputs(line.toLocal8Bit().constData(), stderr);
    progressPrinted_ = true;
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
    const std::size_t failed = std::min(acknowledged_, sent_.size() - 1);  // the command without its answer
    const QString what =
        ending == Ending::ErrorReply
            ? clock + QStringLiteral(" answered command %1 of %2 (%3) with an error reply")
        : ending == Ending::NoAnswer
            ? QStringLiteral("no answer from ") + clock + QStringLiteral(" to command %1 of %2 (%3)")
            : QStringLiteral("interrupted at command %1 of %2 (%3) to ") + clock;
    const QString text = what.arg(failed + 1).arg(kCommandsPerSend).arg(printable(sent_[failed]));
    if (acknowledged_ == 0) return text + QStringLiteral("; no command was acknowledged");
    return text +
           QStringLiteral("; the clock is half-written: the last acknowledged command is %1 of %2 (%3)")
               .arg(acknowledged_)
               .arg(kCommandsPerSend)
               .arg(printable(sent_[acknowledged_ - 1]));
  }

  // TransferHost
  void sendString(const std::string& text) override {
    if (direction_ == Direction::Send) sent_.push_back(text);
    serial_.SendString(text);
  }
  void sendChar(char c) override { serial_.SendChar(c); }
  void abortRx() override { serial_.AbortRx(); }
  void abortTx() override { serial_.AbortTx(); }
  void setMessageStartChar(char c) override { serial_.setMessageStartChar(c); }
  void startTimeout() override {
    if (!timeout_.isActive()) timeout_.start();
  }
  void stopTimeout() override { timeout_.stop(); }
  bool timeoutActive() const override { return timeout_.isActive(); }
  int timeoutInterval() const override { return timeout_.interval(); }
  void setTimeoutInterval(int ms) override { timeout_.setInterval(ms); }
  int setting(Setting s) const override { return config_.setting(s); }
  void writeSetting(Setting s, int value) override {
    // As the window's controls clamp what is written into them.
    const SettingRange range = settingRange(s);
    config_.setSetting(s, std::clamp(value, range.min, range.max));
    reported_.set(static_cast<std::size_t>(s));
  }
  void setProgressPosition(int) override {}  // one transfer a run: the count starts at 0
  void stepProgress() override {
    if (direction_ == Direction::Read) ++entries_;
  }
  void setClockFound(const std::string&) override {}
  void setButtonsEnabled(bool) override {}
  void setSettingsEnabled(bool) override {}
  void showNoAnswer() override {
    noAnswer_ = !errorReply_;
    finish(failureText(errorReply_ ? Ending::ErrorReply : Ending::NoAnswer));
  }
  RelayAnswer askRelayQuestion() override { return RelayAnswer::No; }  // never asked: nothing edited
  void setDefaults() override {}
  void dayLoad() override {
    // The end of a read.
    if (reported_.all())
      finish(QString());
    else
      finish(QStringLiteral("the clock on COM%1 reported %2 of its 5 settings; nothing was written")
                 .arg(port())
                 .arg(reported_.count()));
  }

  Direction direction_;
  TClockConfig config_;
  WeekTable table_;
  bool timerEdited_ = false;  // a file's relay mode is sent as it stands
  TSerial serial_;
  QTimer timeout_;
  QEventLoop loop_;
  TClockTransfer transfer_{*this, table_, timerEdited_};

  std::vector<std::string> sent_;  // the commands of a send, in order
  std::size_t acknowledged_ = 0;
  int entries_ = 0;
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
  request.file = parser.value(option);
  request.path = QFileInfo(request.file).absoluteFilePath();
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
  TClockConfig config;
  if (!request.reading) {
    QString error;
    if (!loadConfigFile(request.path, config, error))
      return fail(request.file + QStringLiteral(": ") + error);
  }
  const auto direction = request.reading ? TBatchTransfer::Direction::Read : TBatchTransfer::Direction::Send;
  auto transfer = std::make_unique<TBatchTransfer>(direction, config);
  std::vector<int> others;
  if (const auto reason = openPort(*transfer, request.port, others)) return fail(*reason);
  bool searched = false;
  while (!transfer->run()) {
    if (others.empty() || !transfer->unanswered()) return fail(transfer->failure());
    const int next = others.front();
    others.erase(others.begin());
    report(transfer->failure() + QStringLiteral("; asking COM%1").arg(next));
    transfer = std::make_unique<TBatchTransfer>(direction, config);
    transfer->open(next);  // one that no longer opens ends in no answer like a silent one
    searched = true;
  }
  if (searched) report(QStringLiteral("the clock answered on COM%1").arg(transfer->port()));
  if (request.reading) {
    QString error;
    if (!saveConfigFile(request.path, transfer->received(), error))
      return fail(QStringLiteral("cannot write ") + request.file + QStringLiteral(": ") + error);
  }
  return 0;
}
