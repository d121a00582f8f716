#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>

#include "KVX_Setup.h"
#include "Serial4.h"
#include "TimerPage.h"
#include "caption_fit.h"
#include "captions.h"
#include "radio_group.h"

// --- Closing ------------------------------------------------------------------------------------

void TForm1::FormClose() { serial_->setActive(false); }

void TForm1::closeEvent(QCloseEvent* event) {
  FormClose();
  event->accept();
}

void TForm1::Quit1Click() { close(); }

// --- Languages and help -----------------------------------------------------------------------

void TForm1::LanguageClick() {
  const CaptionSet* set = captionSetFor(language_->ItemIndex());
  if (!set) return;

  language_->setTitle(set->language);
  relayMode_->setTitle(set->relayMode);
  rowLabels_[0]->setText(set->label10);
  rowLabels_[1]->setText(set->label11);
  rowLabels_[2]->setText(set->label12);
  timerPage_->setHeading(set->label14);
  serialPorts_->setTitle(set->serialPorts);
  for (QLabel* unit : unitLabels_) unit->setText(set->hourUnit);
  sendToClock_->setText(set->sendToClock);
  readClock_->setText(set->readClock);

  timerPage_->setDayNames(set->days);  // keeps the selected tab, so it still names the shown day

  timerPage_->setEditHeading(set->panel10);
  settings_->setTabText(0, set->tabSheet1);
  settings_->setTabText(1, set->weekdays);

  fileMenu_->setTitle(set->fileMenu);
  helpMenu_->setTitle(set->helpMenu);
  quit_->setText(set->quit);
  howToUseMenu_->setTitle(set->howToUse);
  about_->setText(set->about);
  settingsHelp_->setText(set->settingsHelpItem);
  timerHelp_->setText(set->timerHelpItem);
  openConfig_->setText(set->openConfig);
  saveConfig_->setText(set->saveConfig);

  // New relay items keep the chosen mode; selecting it again raises RelayModeClick once.
  const int relay = relayMode_->ItemIndex();
  relayMode_->setItems(QStringList(set->relayItems.begin(), set->relayItems.end()));
  relayMode_->setItemIndex(relay);

  captionfit::fitCaptions(centralWidget());
}

void TForm1::showHelp(HelpTopic topic) {
  // The help boxes hold nothing back: a read running meanwhile goes on.
  const QString text = helpText(topic, language());
  if (!text.isEmpty()) boxes_->showPlain(displayLines(text));
}

void TForm1::Howtousethisprogram1Click() { showHelp(HelpTopic::Settings); }
void TForm1::Howtousethisprogram2Click() { showHelp(HelpTopic::Timer); }
void TForm1::AboutKELVOXSetup1Click() { showHelp(HelpTopic::About); }
