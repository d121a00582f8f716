// Caption sets and message texts: index choices, the texts' odd corners, line structure.
#include "captions.h"
#include "every_clock_texts.h"

#include <gtest/gtest.h>

#include <QSet>
#include <QStringList>

namespace {

// Every text of a caption set, in member order, days and relay items last.
QStringList allTexts(const CaptionSet& s) {
  QStringList texts{s.language,         s.relayMode,     s.label10,     s.label11,   s.label12,  s.label14,
                    s.serialPorts,      s.hourUnit,      s.sendToClock, s.readClock, s.panel10,  s.tabSheet1,
                    s.weekdays,         s.fileMenu,      s.helpMenu,    s.quit,      s.howToUse, s.about,
                    s.settingsHelpItem, s.timerHelpItem, s.openConfig,  s.saveConfig};
  for (const QString& d : s.days) texts << d;
  for (const QString& r : s.relayItems) texts << r;
  return texts;
}

}  // namespace

TEST(Captions, TitlesAndLanguageItems) {
  EXPECT_STREQ(kApplicationTitle, "KELVOX setup program");
  EXPECT_STREQ(kWindowCaption, "KELVOX Setup");
  EXPECT_EQ(QStringList(languageItems().begin(), languageItems().end()),
            QStringList({"Nederlands", "Deutsch", "English", "Francais", "Polski"}));
}

TEST(Captions, IndexChoice) {
  EXPECT_EQ(captionSetFor(-1), nullptr);
  EXPECT_EQ(captionSetFor(5), nullptr);
  const QStringList groupCaptions{"Taal", "Sprache", "Language", "Language", "Langue"};
  const QStringList firstDays{"Maandag", "Montag", "Monday", "Monday", "Monday"};
  for (int i = 0; i < kLanguageCount; ++i) {
    const CaptionSet* s = captionSetFor(i);
    ASSERT_NE(s, nullptr) << i;
    EXPECT_EQ(s->language, groupCaptions[i]);
    EXPECT_EQ(s->days.front(), firstDays[i]);
    for (const QString& t : allTexts(*s)) EXPECT_FALSE(t.isEmpty()) << i;
    EXPECT_EQ(QSet<QString>(s->days.begin(), s->days.end()).size(), 7) << i;
  }
  EXPECT_EQ(captionSetFor(1)->days.back(), "Sonntag");
  // "Francais" shows the English captions, not the French words of "Polski".
  EXPECT_EQ(allTexts(*captionSetFor(3)), allTexts(*captionSetFor(2)));
}

TEST(Captions, DesignDiffersFromEnglish) {
  const CaptionSet& d = designCaptions();
  const CaptionSet& e = *captionSetFor(2);
  EXPECT_EQ(d.serialPorts, "Serial ports");
  EXPECT_EQ(e.serialPorts, "Serial port");
  EXPECT_EQ(d.sendToClock, "Send to clock");
  EXPECT_EQ(e.sendToClock, "Send Settings to Clock");
  EXPECT_EQ(d.label10, "Universal Time Offset (Location depentant)");
  EXPECT_EQ(d.label14, "Weekday timer settings");
  EXPECT_EQ(d.relayItems, (std::array<QString, 4>{"0 OFF", "1 ON", "2 Time not valid", "3 Timer"}));
  EXPECT_EQ(e.relayItems, (std::array<QString, 4>{"Off", "On", "Time not valid", "Timer"}));
  EXPECT_EQ(d.days, e.days);
}

TEST(Captions, PolskiIsMixedAndEnglishElsewhere) {
  const QStringList p = allTexts(*captionSetFor(4));
  EXPECT_EQ(p.mid(0, 8), QStringList({"Langue", "Mains Relais mode", "UTC difference",
                                      "Automatic daylight saving (1=Aan 0=uit)", "Tijd fout timeout",
                                      "Weekday Timer settings", "Seriële poort", " heur"}));
  EXPECT_EQ(p.mid(8), allTexts(*captionSetFor(2)).mid(8));
}

TEST(Captions, BlanksAndOddSpellingsKept) {
  // The unit label has two leading blanks in the design and one in every set.
  EXPECT_EQ(designCaptions().hourUnit, "  hour");
  const QStringList units{" uur", " Stunde", " hour", " hour", " heur"};
  for (int i = 0; i < kLanguageCount; ++i) EXPECT_EQ(captionSetFor(i)->hourUnit, units[i]) << i;
  const CaptionSet& g = *captionSetFor(1);
  EXPECT_EQ(g.relayItems[2], "Zeit nicht korrekt ");
  EXPECT_EQ(g.label11, "Sommerzeit-Einstellung  0=Aus, 1=An");
  EXPECT_EQ(g.label12, "Nicht korrekteZeit-Timeout");
  EXPECT_EQ(g.quit, "Quit");
  // Apart from those, no caption has a leading, trailing or double blank.
  for (const CaptionSet* s :
       {&designCaptions(), captionSetFor(0), captionSetFor(1), captionSetFor(2), captionSetFor(4)}) {
    for (const QString& t : allTexts(*s)) {
      if (t == s->hourUnit || t == g.relayItems[2] || t == g.label11) continue;
      EXPECT_EQ(t, t.simplified());
    }
  }
  // "Seriële": the ë is one character.
  for (int i : {0, 4}) {
    EXPECT_EQ(captionSetFor(i)->serialPorts.size(), 13) << i;
    EXPECT_EQ(captionSetFor(i)->serialPorts.at(4), QChar(0x00EB)) << i;
  }
}

TEST(Messages, ChoiceByLanguage) {
  for (int i : {-1, 5}) {
    EXPECT_TRUE(relayQuestionText(i).isEmpty());
    EXPECT_TRUE(noAnswerText(i).isEmpty());
    EXPECT_TRUE(iniWriteErrorText(i).isEmpty());
    EXPECT_TRUE(configOpenErrorText(i).isEmpty());
    EXPECT_TRUE(configSaveErrorText(i).isEmpty());
  }
  const QStringList openErrors{
      "De configuratie kan niet geopend worden:", "Die Konfiguration kann nicht geladen werden:",
      "The configuration cannot be opened:", "The configuration cannot be opened:",
      "The configuration cannot be opened:"};
  for (int i = 0; i < kLanguageCount; ++i) {
    EXPECT_EQ(configOpenErrorText(i), openErrors[i]) << i;
    EXPECT_FALSE(configSaveErrorText(i).isEmpty()) << i;
  }
  EXPECT_EQ(noAnswerText(0), "Geen antwoord van KELVOX, controleer aansluitingen!");
  EXPECT_EQ(noAnswerText(1), "Kein antwort von KELVOX!");
  EXPECT_TRUE(relayQuestionText(0).startsWith("Relais Mode staat niet op Timer!\r\n"));
  EXPECT_TRUE(iniWriteErrorText(0).startsWith("KELVOX.INI schrijffout!\r\n"));
  for (int i : {2, 3, 4}) {
    EXPECT_EQ(noAnswerText(i), "No answer from clock, check connections!") << i;
    EXPECT_TRUE(relayQuestionText(i).endsWith("\r\nChange to Timer?")) << i;
  }
  // The write error has no German text: Deutsch gets the English one.
  for (int i : {1, 2, 3, 4})
    EXPECT_TRUE(iniWriteErrorText(i).startsWith("KELVOX.INI file write error!\r\n")) << i;
}

TEST(Messages, CrLfLines) {
  // The German question stops after its first line, the line end kept.
  EXPECT_EQ(relayQuestionText(1), "Relais nicht auf Timer!\r\n");
  EXPECT_EQ(relayQuestionText(0).split("\r\n").size(), 2);
  for (int i : {0, 2}) {
    const QStringList lines = iniWriteErrorText(i).split("\r\n");
    ASSERT_EQ(lines.size(), 4) << i;
    EXPECT_TRUE(lines[1].startsWith("COM ")) << i;
  }
  EXPECT_TRUE(iniWriteErrorText(0).endsWith("De COM selectie wordt in deze map bewaard."));
  EXPECT_TRUE(iniWriteErrorText(2).endsWith("will be saved in the same folder"));
  // No lone CR or LF.
  for (int i = 0; i < kLanguageCount; ++i) {
    for (const QString& t : {relayQuestionText(i), noAnswerText(i), iniWriteErrorText(i)}) {
      EXPECT_EQ(t.count('\r'), t.count("\r\n"));
      EXPECT_EQ(t.count('\n'), t.count("\r\n"));
    }
  }
}

// "Send to every clock…": in each language each of the dialog's buttons has an access key of its
// own, and every state a row can show has its word. (The File menu's keys: config_files_test.)
TEST(EveryClockTexts, AccessKeysAreUniqueAndEveryStateHasItsWord) {
  const auto keys = [](const QStringList& texts) {
    QStringList found;
    for (const QString& t : texts)
      if (const qsizetype at = t.indexOf(u'&'); at >= 0 && at + 1 < t.size()) found << t.at(at + 1).toLower();
    return found;
  };
  for (int i = 0; i < kLanguageCount; ++i) {
    SCOPED_TRACE(i);
    const EveryClockTexts& e = everyClockTexts(i);
    const QStringList found = keys({e.start, e.stop, e.saveReport, e.close});
    EXPECT_EQ(QSet<QString>(found.begin(), found.end()).size(), 4) << found.join(u' ').toStdString();
    for (const QString& word : {e.waiting, e.looking, e.sending, e.readingBack, e.verified, e.differs, e.failed,
                                e.notAClock, e.skipped, e.reportError, e.title})
      EXPECT_FALSE(word.isEmpty());
  }
  EXPECT_EQ(everyClockTexts(3).title, everyClockTexts(2).title);  // "Francais" shows English
}
