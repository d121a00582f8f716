#include <QDir>
#include <QFileDialog>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <map>
#include <utility>

#include "KVX_Setup.h"
#include "Serial4.h"
#include "TimerPage.h"
#include "captions.h"
#include "config_file_access.h"
#include "dialog_folder_file.h"

// --- Configuration files ------------------------------------------------------------------------

namespace {

// The reason in the window's language where it is a usual one, else in the system's words.
QString reasonText(const TProblem& problem, int language) {
  const QString said = fileProblemText(problem.kind, language);
  return said.isEmpty() ? QString::fromStdString(problem.text) : said;
}

}  // namespace

bool TForm1::configurationFilesAllowed() const {
  return session_.transfer().idle() && readClock_->isEnabled();
}

TClockConfig TForm1::heldConfiguration() const {
  TClockConfig config;
  for (const Setting s : kAllSettings) config.setSetting(s, setting(s));
  config.week = weekTimer_.table();
  return config;
}

bool TForm1::openConfigurationFile(const QString& path) {
  if (!configurationFilesAllowed()) return false;
  TClockConfig config;
  if (const TProblem problem = loadConfigFile(path, config); problem.failed()) {
    showHeldBox(configOpenErrorText(language()) + QStringLiteral("\n") + path + QStringLiteral(": ") +
                reasonText(problem, language()));
    return false;
  }
  // Through the controls, as a read writes them: the language first, so the interface follows it.
  for (const Setting s : kAllSettings) writeSetting(s, config.setting(s));
  weekTimer_.setWeek(config.week);
  timerPage_->WeekdaysTabChange();
  // Showing the day may rebuild its entries from the editor (a text with a CR or a blank after
  // "ON" becomes plain); the window holds the file's texts, so a send carries them as saved.
  weekTimer_.setWeek(config.week);
  weekTimer_.setTimerEdited(true);
  planOrigin_ = {PlanOrigin::Kind::File, path, {}};
  return true;
}

bool TForm1::saveConfigurationFile(const QString& path) {
  if (!configurationFilesAllowed()) return false;
  const TProblem problem = saveConfigFile(path, heldConfiguration());
  if (!problem.failed()) return true;
  showHeldBox(configSaveErrorText(language()) + QStringLiteral("\n") + path + QStringLiteral(": ") +
              reasonText(problem, language()));
  return false;
}

void TForm1::openWhenStarted(const QString& path) {
  auto* wait = new QTimer(this);
  connect(wait, &QTimer::timeout, this, [this, wait, path] {
    if (!settings_->isEnabled() || !configurationFilesAllowed()) return;
    wait->stop();
    wait->deleteLater();
    if (openConfigurationFile(path)) folder_.dialogFolderFile().remember(path);
  });
  wait->start(100);
}

QString TForm1::chooseConfigurationFile(QAction* menuItem, bool forSaving) {
  QString caption = menuItem->text().remove(QLatin1Char('&'));
  caption.remove(QChar(0x2026));  // the ellipsis
  const QString filter = QStringLiteral("KELVOX (*.cfg);;* (*)");
  // Where the owner keeps such files, never the settings folder the program works in.
  const QString folder = folder_.dialogFolderFile().startFolder();
  const QString path = forSaving ? QFileDialog::getSaveFileName(this, caption, folder, filter)
                                 : QFileDialog::getOpenFileName(this, caption, folder, filter);
  // A bare name belongs to the folder the dialog showed.
  return path.isEmpty() ? path : QDir(folder).absoluteFilePath(path);
}

void TForm1::OpenConfiguration1Click() {
  if (!configurationFilesAllowed()) return;
  const QString path = chooseConfigurationFile(openConfig_, false);
  if (!path.isEmpty() && openConfigurationFile(path)) folder_.dialogFolderFile().remember(path);
}

void TForm1::SaveConfiguration1Click() {
  if (!configurationFilesAllowed()) return;
  const QString path = chooseConfigurationFile(saveConfig_, true);
  if (!path.isEmpty() && saveConfigurationFile(path)) folder_.dialogFolderFile().remember(path);
}

// --- Compare with clock -------------------------------------------------------------------------

namespace {

// A setting as the Settings page names it in the language of `set`.
QString settingCaption(const CaptionSet& set, Setting s) {
  switch (s) {
    case Setting::Language:
      return set.language.trimmed();
    case Setting::RelayMode:
      return set.relayMode.trimmed();
    case Setting::UtcOffset:
      return set.label10.trimmed();
    case Setting::DaylightSaving:
      return set.label11.trimmed();
    case Setting::ValidTimeout:
      return set.label12.trimmed();
  }
  return QString();
}

// A setting the clock answered outside its range differs from the window whatever was clamped
// from it: its difference shows the value the clock sent.
std::vector<ConfigDifference> withValuesOutOfRange(std::vector<ConfigDifference> differences,
                                                   const TClockConfig& window, const std::map<Setting, int>& sent) {
  for (const auto& [setting, value] : sent) {
    const auto same = [setting](const ConfigDifference& d) { return d.setting == setting; };
    const auto found = std::find_if(differences.begin(), differences.end(), same);
    if (found != differences.end()) {
      found->clockValue = value;
      continue;
    }
    ConfigDifference added;
    added.setting = setting;
    added.fileValue = window.setting(setting);
    added.clockValue = value;
    // In the order a send writes the settings, before the switch times.
    const auto later = std::find_if(differences.begin(), differences.end(), [setting](const ConfigDifference& d) {
      return !d.setting || *d.setting > setting;
    });
    differences.insert(later, added);
  }
  return differences;
}

}  // namespace

void TForm1::CompareWithClock1Click() {
  if (!configurationFilesAllowed() || compare_->running()) return;
  if (!serial_->Active()) findPortAgain();
  setButtonsEnabled(false);
  verifying_ = false;
  compare_->start();
}

void TForm1::verifySend() {
  // The port the clock acknowledged the send on: the read request goes there, as "Compare with
  // clock" sends it, and the window stays busy until the comparison has ended.
  if (compare_->running()) compare_->abandon();
  setButtonsEnabled(false);
  verifying_ = true;
  compare_->start();
}

void TForm1::compareEnded(std::optional<TransferFailure> failure, const TClockConfig& clock) {
  const bool afterSend = std::exchange(verifying_, false);
  if (afterSend)
    showIdle();
  else
    setButtonsEnabled(true);
  const QString text = comparisonText(failure, clock, afterSend);
  if (!text.isEmpty()) showHeldBox(text);
  if (afterSend) emit sendEnded();
}

QString TForm1::comparisonText(std::optional<TransferFailure> failure, const TClockConfig& clock,
                               bool afterSend) const {
  if (failure) {
    QString text = failureText(*failure);
    if (afterSend && !text.isEmpty()) text += QStringLiteral("\r\n") + verifyReadFailedText(language());
    return displayLines(text);
  }
  const std::vector<ConfigDifference> differences =
      withValuesOutOfRange(compareConfigs(heldConfiguration(), clock), heldConfiguration(), compare_->outOfRange());
  // A send the clock holds as sent ends as it always did: without a box.
  if (afterSend && differences.empty()) return {};
  QStringList lines{afterSend             ? verifyDifferText(language())
                    : differences.empty() ? compareSameText(language())
                                          : compareDifferText(language())};
  for (const ConfigDifference& d : differences) lines << differenceText(d);
  return lines.join(QLatin1Char('\n'));
}

QString TForm1::differenceText(const ConfigDifference& d) const {
  const CaptionSet* set = captionSetFor(language());
  if (set == nullptr) set = &designCaptions();
  if (d.setting) {
    // A setting is named by its caption on the Settings page; the radio groups by their items.
    // A value outside the items (as the clock sent it) is shown as its number.
    const auto shown = [&](int value) -> QString {
      const auto item = static_cast<std::size_t>(value);
      if (*d.setting == Setting::Language && item < languageItems().size()) return languageItems()[item];
      if (*d.setting == Setting::RelayMode && item < set->relayItems.size()) return set->relayItems[item];
      return QString::number(value);
    };
    return compareLineText(language()).arg(settingCaption(*set, *d.setting), shown(d.fileValue), shown(d.clockValue));
  }
  const auto shownTime = [&](const TSwitchTime& time) {
    return time.isDeleted() ? compareDeletedText(language()) : QString::fromStdString(shownSwitchTime(time));
  };
  const QString what = set->days.at(static_cast<std::size_t>(d.day)) + QLatin1Char(' ') +
                       compareEntryText(language()).arg(d.entry + 1);
  return compareLineText(language()).arg(what, shownTime(d.fileTime), shownTime(d.clockTime));
}
