// The interface languages on the real window, and the real boxes that show the help texts and
// ask the relay question.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>

#include "KVX_Setup.h"
#include "port_list.h"
#include "TimerPage.h"
#include "captions.h"
#include "radio_group.h"
#include "window_support.h"

namespace {

// A few captions that tell each set apart, as the window shows them after the switch.
struct LanguageCase {
  int index;
  const char* languageTitle;
  const char* label11;
  const char* sendToClock;
  const char* firstDay;
  const char* relayItem2;
  const char* helpMenu;
};

const LanguageCase kLanguages[] = {
    {0, "Taal", "Automatische zomer-/wintertijd (1=Aan 0=Uit)", "Stuur naar klok", "Maandag", "Tijd fout",
     "Hulp"},
    {1, "Sprache", "Sommerzeit-Einstellung  0=Aus, 1=An", "Sende zur KELVOX", "Montag", "Zeit nicht korrekt ",
     "Hilfe"},
    {2, "Language", "Automatic daylight saving (0=Off , 1=On)", "Send Settings to Clock", "Monday",
     "Time not valid", "Help"},
    {3, "Language", "Automatic daylight saving (0=Off , 1=On)", "Send Settings to Clock", "Monday",
     "Time not valid", "Help"},
    {4, "Langue", "Automatic daylight saving (1=Aan 0=uit)", "Send Settings to Clock", "Monday",
     "Time not valid", "Help"},
};

class LanguageTest : public ::testing::TestWithParam<LanguageCase> {
 protected:
  LanguageTest() {
    boxes = recordBoxesOf(form);
    form.setSystemFacts(std::make_unique<NoSystemFacts>());  // no adapter without its port
  }
  template <class T>
  T* child(const char* name) {
    return form.findChild<T*>(QString::fromLatin1(name));
  }

  ScratchFolder folder;
  TForm1 form{folder.workingFolder(), folder.portList()};
  RecordingBoxes* boxes = nullptr;
};

TEST_P(LanguageTest, SelectionPutsItsCaptionSetOnTheWindowAndChoosesTheMessageTexts) {
  const LanguageCase& c = GetParam();
  form.setPortList(std::make_unique<TFixedPortList>());  // a machine with no serial port at all
  form.TimeoutTimer();  // start-up tick: the English set goes on first
  child<TRadioGroup>("Language")->setItemIndex(c.index);

  EXPECT_EQ(child<TRadioGroup>("Language")->title(), QString::fromUtf8(c.languageTitle));
  EXPECT_EQ(child<QLabel>("Label11")->text(), QString::fromUtf8(c.label11));
  EXPECT_EQ(child<QPushButton>("SendToClock")->text(), QString::fromUtf8(c.sendToClock));
  EXPECT_EQ(form.timerPage().weekdaysTab()->tabText(0), QString::fromUtf8(c.firstDay));
  EXPECT_EQ(child<TRadioGroup>("RelayMode")->items().at(2), QString::fromUtf8(c.relayItem2));
  EXPECT_EQ(child<QMenu>("Help1")->title(), QString::fromUtf8(c.helpMenu));
  // The language items themselves never change.
  EXPECT_EQ(child<TRadioGroup>("Language")->items().at(3), "Francais");

  // The no-answer message of the time-out reads the same selection.
  form.TimeoutTimer();
  ASSERT_EQ(boxes->plain.size(), 1u);
  // With no port at all, a second line says what to look at, in the same language.
  EXPECT_EQ(boxes->plain[0], displayLines(noAnswerText(c.index) + QStringLiteral("\r\n") + noPortText(c.index)));
}

INSTANTIATE_TEST_SUITE_P(EveryLanguage, LanguageTest, ::testing::ValuesIn(kLanguages));

// Closes the next modal box after reading it.
struct BoxReader {
  QString caption, text;
  int buttons = 0;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QPoint position;

  void readAndPress(QMessageBox::StandardButton press) {
    QTimer::singleShot(0, [this, press] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      caption = box->windowTitle();
      text = box->text();
      buttons = static_cast<int>(box->buttons().size());
      icon = box->icon();
      position = box->pos();
      box->button(press)->click();
    });
  }
};

TEST(RealBoxes, PlainBoxShowsTheTextLineByLineUnderTheApplicationTitle) {
  TQtMessageBoxes boxes;
  BoxReader reader;
  reader.readAndPress(QMessageBox::Ok);
  const QString shown = displayLines(helpText(HelpTopic::Settings, 1));
  boxes.showPlain(shown);

  EXPECT_EQ(reader.caption, "KELVOX setup program");
  EXPECT_EQ(reader.buttons, 1);
  EXPECT_EQ(reader.icon, QMessageBox::NoIcon);
  const QStringList lines = reader.text.split('\n');
  EXPECT_EQ(lines.size(), 21);
  EXPECT_EQ(lines.at(0), "Wie man das Programm verwendet: ");
  EXPECT_TRUE(lines.at(1).isEmpty());
  EXPECT_TRUE(lines.at(7).contains(QString::fromUtf8("\u201A\"Sende zur Uhr\"")));
}

TEST(RealBoxes, RelayQuestionOffersYesNoCancelAtItsPlace) {
  TQtMessageBoxes boxes;
  const QString question = displayLines(relayQuestionText(2));
  for (auto [press, answer] :
       {std::pair{QMessageBox::Yes, RelayAnswer::Yes}, std::pair{QMessageBox::No, RelayAnswer::No},
        std::pair{QMessageBox::Cancel, RelayAnswer::Cancel}}) {
    BoxReader reader;
    reader.readAndPress(press);
    EXPECT_EQ(boxes.askRelay(question), answer);
    EXPECT_EQ(reader.buttons, 3);
    EXPECT_EQ(reader.text, "Timer is not selected in Mains Relay mode!\nChange to Timer?");
    EXPECT_EQ(reader.position, QPoint(200, 200));
  }
}

}  // namespace
