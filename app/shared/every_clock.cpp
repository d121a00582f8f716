#include "every_clock.h"

#include <QDir>
#include <algorithm>

namespace {

// Letters, digits, '-', '_' and '.' only: a name that is a plain file on every system.
QString plainName(const QString& text) {
  QString name;
  for (const QChar c : text)
    name += (c.isLetterOrNumber() && c.unicode() < 0x80) || c == u'-' || c == u'_' || c == u'.' ? c : QChar(u'_');
  while (name.startsWith(u'.')) name.remove(0, 1);
  return name.isEmpty() ? QStringLiteral("port") : name;
}

}  // namespace

QString readFileName(const TPortEntry& port, const std::vector<TPortEntry>& ports) {
  const bool shared = std::count_if(ports.begin(), ports.end(), [&port](const TPortEntry& other) {
                        return other.serialNumber == port.serialNumber;
                      }) > 1;
  const QString portName = QDir(port.name).dirName();
  const QString base = port.serialNumber.isEmpty() ? portName
                       : shared                    ? port.serialNumber + u'-' + portName
                                                   : port.serialNumber;
  return plainName(base) + QStringLiteral(".cfg");
}

TEveryClock::TEveryClock(const std::vector<TPortEntry>& ports, const TClockJob::Request& request) {
  for (const TPortEntry& port : ports) {
    TClockJob::Request own = request;
    if (request.task == TClockJob::Task::Read) {
      own.readInto = QDir(request.readInto).filePath(readFileName(port, ports));
      own.fileShown = QDir::toNativeSeparators(own.readInto);
    }
    jobs_.push_back(std::make_unique<TClockJob>(port, own));
  }
}

void TEveryClock::start(std::function<void(const TClockJob&)> jobEnded, std::function<void()> allEnded) {
  running_ = static_cast<int>(jobs_.size());
  if (running_ == 0) {
    allEnded();
    return;
  }
  for (const auto& job : jobs_)
    job->start([this, job = job.get(), jobEnded, allEnded] {
      jobEnded(*job);
      if (--running_ == 0) allEnded();
    });
}

void TEveryClock::interrupt() {
  for (const auto& job : jobs_) job->interrupt();
}

int TEveryClock::count(TClockOutcome::Result result) const {
  return static_cast<int>(std::count_if(jobs_.begin(), jobs_.end(), [result](const auto& job) {
    return job->outcome().result == result;
  }));
}

int TEveryClock::clocks() const {
  return static_cast<int>(std::count_if(jobs_.begin(), jobs_.end(), [](const auto& job) { return job->answered(); }));
}

QString TEveryClock::summary() const {
  using R = TClockOutcome::Result;
  if (clocks() == 0 && count(R::Failed) == 0)
    return QStringLiteral("no clock answered on any of the %1 ports").arg(jobs_.size());
  QStringList parts;
  for (const R result : {R::Verified, R::Read, R::Differs, R::Failed}) {
    const int n = count(result);
    if (n == 0) continue;
    QString part = QStringLiteral("%1 %2").arg(n).arg(resultName(result));
    if (result == R::Differs || result == R::Failed) {
      QStringList names;
      for (const auto& job : jobs_)
        if (job->outcome().result == result) names << job->port().shown();
      part += QStringLiteral(" (") + names.join(QStringLiteral(", ")) + u')';
    }
    parts << part;
  }
  const int n = clocks();
  return QStringLiteral("%1 clock%2: ").arg(n).arg(n == 1 ? "" : "s") + parts.join(QStringLiteral(", "));
}
