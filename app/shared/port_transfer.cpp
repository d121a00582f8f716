// The window's read or send on a port of its own, without a window: TPortTransfer.
#include "port_transfer.h"

#include <QEventLoop>
#include <algorithm>
#include <cstdio>

#include "argument_text.h"
#include "clock_link.h"

namespace {

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
QString outOfRange(Setting setting, int value, SettingRange range, const QString& port) {
  return QStringLiteral("the clock on %1 reported %2 %3, outside %4 to %5; the file holds %6")
      .arg(port)
      .arg(QString::fromLatin1(settingName(setting)))
      .arg(value)
      .arg(range.min)
      .arg(range.max)
      .arg(std::clamp(value, range.min, range.max));
}

}  // namespace

TPortTransfer::TPortTransfer(Direction direction, TClockConfig config, const TTestTimes& testTimes)
    : direction_(direction), config_(std::move(config)), session_(*this, table_, &serial_, testTimes) {
  makeClockLink(serial_);
  serial_.OnMessage = [this](TSerial* sender, const std::string& message) {
    if (!finished_)
      session_.deliver(message, sender->messageBeforeLastSend(), sender->messageDamaged());
  };
  table_ = config_.week;
}

TPortTransfer::~TPortTransfer() {
  session_.stopReplyTime();
  session_.dropSearch();
  serial_.setActive(false);
}

TProblem TPortTransfer::open(int port) {
  serial_.setPort(port);
  return openSelected();
}

TProblem TPortTransfer::openPath(const std::string& path) {
  serial_.setPortPath(path);
  return openSelected();
}

TProblem TPortTransfer::open(const TPortEntry& entry) {
  nameShown_ = shownName(entry.shown());
  usePort(serial_, entry);
  return openSelected();
}

TProblem TPortTransfer::reopen(const TPortTransfer& earlier) {
  nameShown_ = earlier.portName();
  return earlier.portPath().empty() ? open(earlier.port()) : openPath(earlier.portPath());
}

void TPortTransfer::search(std::vector<TPortEntry> ports) {
  session_.startSearch(std::move(ports), [](std::size_t) {},
                       [this](const std::string& message, bool beforeLastWrite, bool damaged) {
                         if (!finished_) session_.deliver(message, beforeLastWrite, damaged);
                       });
}

std::optional<TPortEntry> TPortTransfer::foundPort() const {
  const TClockSearch* looking = session_.search();
  if (!looking || !looking->found()) return std::nullopt;
  return looking->ports()[*looking->found()];
}

QString TPortTransfer::portName() const {
  if (const auto found = foundPort()) return found->shown();
  const TClockSearch* looking = session_.search();
  if (looking) {
    const auto asked = looking->ports().size() - looking->skipped().size();
    if (asked == 0) return QStringLiteral("any port (no serial port opened)");
    if (asked > 1) return QStringLiteral("any of the %1 ports that opened").arg(asked);
    for (std::size_t i = 0; i < looking->ports().size(); ++i)
      if (std::none_of(looking->skipped().begin(), looking->skipped().end(),
                       [i](const TClockSearch::Skipped& s) { return s.index == i; }))
        return looking->ports()[i].shown();
  }
  if (!nameShown_.isEmpty()) return nameShown_;
  if (serial_.PortPath().empty()) return QStringLiteral("COM%1").arg(port());
  return shownName(argumentText(serial_.PortPath()));
}

TProblem TPortTransfer::openSelected() {
  serial_.setActive(true);
  // The reason as the window's tool tip gives it ("in use by PID 1234", "permission denied; ...").
  return openProblem(serial_);
}

void TPortTransfer::start(std::function<void()> finished) {
  onFinished_ = std::move(finished);
  if (started_ || finished_) return;  // an interrupt before the start: it ends without asking anything
  started_ = true;
  if (direction_ == Direction::Read)
    session_.transfer().ReadClockClick();
  else
    session_.transfer().SendToClockClick();
}

bool TPortTransfer::run() {
  if (!completed_) {
    QEventLoop loop;
    start([&loop] { loop.quit(); });
    if (!completed_) loop.exec();
  }
  return failure_.isEmpty();
}

TClockConfig TPortTransfer::received() const {
  TClockConfig config = config_;
  config.week = table_;
  return config;
}

void TPortTransfer::interrupt() { finish(failureText(std::nullopt)); }

void TPortTransfer::finish(const QString& failure) {
  if (finished_) return;
  finished_ = true;
  failure_ = failure;
  // It may be ending from within the port's or the transfer's handlers: the port closes once they are through.
  QMetaObject::invokeMethod(&session_.timer(), [this] { complete(); }, Qt::QueuedConnection);
}

void TPortTransfer::complete() {
  session_.stopReplyTime();
  serial_.setActive(false);
  if (TClockSearch* looking = session_.search()) looking->close();
  completed_ = true;
  if (onFinished_) onFinished_();
}

QString TPortTransfer::failureText(std::optional<TransferFailure> why) const {
  return direction_ == Direction::Read ? readFailureText(why) : sendFailureText(why);
}

// `why` empty: interrupted.
QString TPortTransfer::readFailureText(std::optional<TransferFailure> why) const {
  const QString clock = QStringLiteral("the clock on %1").arg(portName());
  const std::string& request = session_.transfer().lastWritten();
  const QString requestName =
      (request == "$" ? QStringLiteral("the read request ") : QStringLiteral("the day request ")) + printable(request);
  QString what;
  if (!why)
    what = QStringLiteral("interrupted while reading ") + clock;
  else if (*why == TransferFailure::NoAnswer)
    what = QStringLiteral("no answer from ") + clock;
  else if (*why == TransferFailure::ErrorReply)
    what = clock + QStringLiteral(" answered ") + requestName + QStringLiteral(" with an error reply");
  else if (*why == TransferFailure::ExtraReply)
    what = clock +
           (request == "$" ? QStringLiteral(" sent a reply too many (a setting twice in its answer to the read request)")
                           : QStringLiteral(" sent a reply too many (more entries than a day holds, or a reply after "
                                            "the last one)")) +
           QStringLiteral(": the read cannot be trusted");
  else
    what = QStringLiteral("the line to ") + clock +
           QStringLiteral(" gave damaged characters; check the cable or the adapter");
  return what + QStringLiteral("; ") + readFailureEnding_;
}

QString TPortTransfer::sendFailureText(std::optional<TransferFailure> why) const {
  const QString clock = QStringLiteral("the clock on %1").arg(portName());
  const int acknowledged = session_.transfer().acknowledgedCount();
  const int total = TClockTransfer::kSendCommands;
  const QString lastTaken = QStringLiteral("%1 of %2 (%3)").arg(acknowledged).arg(total).arg(
      printable(session_.transfer().lastAcknowledged()));
  const QString tookLast = acknowledged == 0 ? QStringLiteral("no command was acknowledged")
                                             : QStringLiteral("the last command the clock took is ") + lastTaken;
  if (why == TransferFailure::ExtraReply)
    return clock + QStringLiteral(" sent a reply too many (a second answer to one command): the transfer cannot "
                                  "be trusted; ") +
           tookLast;
  if (why == TransferFailure::LineError)
    return QStringLiteral("the line to ") + clock +
           QStringLiteral(" gave damaged characters; check the cable or the adapter; ") + tookLast;
  // Every command acknowledged: what ended it came while the line settled after the last one.
  if (acknowledged >= total)
    return why == TransferFailure::ErrorReply
               ? clock + QStringLiteral(" sent an error reply after acknowledging all %1 commands: the transfer "
                                        "cannot be trusted; ")
                             .arg(total) +
                     tookLast
               : QStringLiteral("interrupted after ") + clock +
                     QStringLiteral(" acknowledged all %1 commands; they are not verified").arg(total);
  // The command written last is the one without its answer.
  const QString what =
      why == TransferFailure::ErrorReply
          ? clock + QStringLiteral(" answered command %1 of %2 (%3) with an error reply")
      : why == TransferFailure::NoAnswer
          ? QStringLiteral("no answer from ") + clock + QStringLiteral(" to command %1 of %2 (%3)")
          : QStringLiteral("interrupted at command %1 of %2 (%3) to ") + clock;
  const QString text = what.arg(acknowledged + 1).arg(total).arg(printable(session_.transfer().lastWritten()));
  if (acknowledged == 0) return text + QStringLiteral("; no command was acknowledged");
  return text + QStringLiteral("; the clock is half-written: the last acknowledged command is ") + lastTaken;
}

void TPortTransfer::writeSetting(Setting s, int value) {
  config_.setSetting(s, TClockSession::clamped(s, value));
}

void TPortTransfer::settingRead(Setting s, int value) {
  const SettingRange range = settingRange(s);
  if (value < range.min || value > range.max) warnings_ << outOfRange(s, value, range, portName());
  writeSetting(s, value);
  reported_.set(static_cast<std::size_t>(s));
}

void TPortTransfer::progressed(int done, int total) {
  // A send tells of each command as it writes it.
  if (direction_ == Direction::Send) written_.push_back(session_.transfer().lastWritten());
  if (progress_) progress_(done, total);
}

void TPortTransfer::readFinished() {
  if (reported_.all())
    finish(QString());
  else
    finish(QStringLiteral("the clock on %1 reported %2 of its 5 settings; %3")
               .arg(portName())
               .arg(reported_.count())
               .arg(readFailureEnding_));
}

void TPortTransfer::failed(TransferFailure why, const std::string&) {
  noAnswer_ = why == TransferFailure::NoAnswer;
  lineFailure_ = why;
  // No port answered the search: none of them hears anything more (the ending's CR included).
  if (TClockSearch* looking = session_.search(); looking && !looking->found()) {
    session_.line().attach(nullptr);
    looking->close();
  }
  finish(failureText(why));
}
