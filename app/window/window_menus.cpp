#include <QAction>
#include <QCloseEvent>
#include <QMenu>

#include "KVX_Setup.h"
#include "Serial4.h"
#include "caption_fit.h"
#include "captions.h"
#include "every_clock_texts.h"
#include "port_diagnosis_texts.h"
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
  showCaptions(*set);
  portMenu_->setTitle(portMenuText(language_->ItemIndex()));
  findClock_->setText(findClockText(language_->ItemIndex()));
  sendToEveryClock_->setText(everyClockTexts(language_->ItemIndex()).menuItem);
  verifyAfterSending_->setText(verifyAfterSendingText(language_->ItemIndex()));
  connectionCheck_->setText(connectionCheckItemText(language_->ItemIndex()));
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
