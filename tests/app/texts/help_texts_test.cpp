// Help and about texts: choice by language, line structure, and the characters that are
// easy to lose (blanks, grave accents, low quotation marks, accented letters).
#include "help_texts.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <algorithm>

#include "captions.h"

namespace {

constexpr HelpTopic kTopics[] = {HelpTopic::Settings, HelpTopic::Timer, HelpTopic::About};

QStringList lines(HelpTopic topic, int language) { return helpText(topic, language).split('\r'); }

// 1-based numbers of the empty lines.
QList<int> blankLines(HelpTopic topic, int language) {
  QList<int> blanks;
  const QStringList l = lines(topic, language);
  for (int i = 0; i < l.size(); ++i)
    if (l[i].isEmpty()) blanks << i + 1;
  return blanks;
}

// 0-based numbers of the lines in which two texts differ (same line count assumed).
QList<int> differingLines(const QStringList& a, const QStringList& b) {
  QList<int> diff;
  for (int i = 0; i < a.size() && i < b.size(); ++i)
    if (a[i] != b[i]) diff << i;
  return diff;
}

}  // namespace

TEST(HelpTexts, LineCountsAndSeparators) {
  for (HelpTopic t : kTopics) {
    EXPECT_TRUE(helpText(t, -1).isEmpty());
    EXPECT_TRUE(helpText(t, kLanguageCount).isEmpty());
  }
  const int settings[] = {22, 21, 21, 23, 21};
  for (int i = 0; i < kLanguageCount; ++i) {
    EXPECT_EQ(lines(HelpTopic::Settings, i).size(), settings[i]) << i;
    EXPECT_EQ(lines(HelpTopic::Timer, i).size(), 7) << i;
    EXPECT_EQ(lines(HelpTopic::About, i).size(), 8) << i;
    for (HelpTopic t : kTopics) {
      const QString text = helpText(t, i);
      EXPECT_FALSE(text.contains('\n')) << i;
      EXPECT_FALSE(text.endsWith('\r')) << i;
      EXPECT_FALSE(text.contains("\r\r\r")) << i;
    }
  }
}

TEST(HelpTexts, ChoiceByLanguage) {
  EXPECT_EQ(lines(HelpTopic::Settings, 0).front(), "INSTELLINGEN: ");
  EXPECT_EQ(lines(HelpTopic::Settings, 1).front(), "Wie man das Programm verwendet: ");
  EXPECT_EQ(lines(HelpTopic::Settings, 2).front(), "SETTINGS: ");
  EXPECT_EQ(lines(HelpTopic::Settings, 3).front(), "Comment utiliser ce programme: ");
  EXPECT_EQ(lines(HelpTopic::Settings, 4).front(), "How to use this program: ");
  EXPECT_EQ(lines(HelpTopic::Timer, 0).front(), "TIJDKLOK PROGRAMMERING (Timer tab pagina) ");
  EXPECT_EQ(lines(HelpTopic::Timer, 1).front(), "Zeiten-Programmierung (siehe Zeiten-Tab) ");
  EXPECT_EQ(lines(HelpTopic::Timer, 2).front(), "TIMER PROGRAMMING (on Timer tab page) ");
  EXPECT_EQ(lines(HelpTopic::Timer, 3).front(), "PROGRAMMER TIMER (voir tableau Timer) ");
  const QStringList settingsEnds{"afwijking.", "Zeitfehler.", "time error.", "d`erreur de temps.",
                                 "time error."};
  const QStringList timerEnds{"knop.", "sichern\"", "button.", "\"Send to clock\".", "button."};
  for (int i = 0; i < kLanguageCount; ++i) {
    EXPECT_TRUE(lines(HelpTopic::Settings, i).back().endsWith(settingsEnds[i])) << i;
    EXPECT_TRUE(lines(HelpTopic::Timer, i).back().endsWith(timerEnds[i])) << i;
  }
  // Only Dutch has its own about text.
  EXPECT_EQ(lines(HelpTopic::About, 0).front(), "Setup programma voor de KELVOX klok");
  EXPECT_EQ(lines(HelpTopic::About, 0).back(), "Software versie : V1.1");
  for (int i : {1, 2, 3, 4}) {
    EXPECT_EQ(lines(HelpTopic::About, i).front(), "Setup program for the KELVOX clock") << i;
    EXPECT_EQ(lines(HelpTopic::About, i).back(), "Software version : V1.1") << i;
  }
}

TEST(HelpTexts, PolskiIsTheSecondEnglishWording) {
  const QStringList first = lines(HelpTopic::Settings, 2), second = lines(HelpTopic::Settings, 4);
  EXPECT_EQ(differingLines(first, second), QList<int>({0, 7, 18}));
  EXPECT_TRUE(second[7].contains("\"Send to Clock\""));
  EXPECT_TRUE(first[7].contains("\"Send settings to Clock\""));
  EXPECT_TRUE(first[18].contains("forward at 02:00"));
  EXPECT_TRUE(second[18].contains("forward at 03:00"));
  EXPECT_EQ(differingLines(lines(HelpTopic::Timer, 2), lines(HelpTopic::Timer, 4)), QList<int>({6}));
}

TEST(HelpTexts, BlankLines) {
  EXPECT_EQ(blankLines(HelpTopic::Settings, 0), QList<int>({2, 6, 8, 10, 16, 19, 21}));
  for (int i : {1, 2, 4})
    EXPECT_EQ(blankLines(HelpTopic::Settings, i), QList<int>({2, 7, 9, 15, 18, 20})) << i;
  EXPECT_EQ(blankLines(HelpTopic::Settings, 3), QList<int>({2, 7, 9, 15, 18, 21}));
  for (int i = 0; i < kLanguageCount; ++i) {
    EXPECT_EQ(blankLines(HelpTopic::Timer, i), QList<int>({2})) << i;
    EXPECT_EQ(blankLines(HelpTopic::About, i), QList<int>({7})) << i;
  }
}

TEST(HelpTexts, BlanksKept) {
  // Per topic (Settings, Timer, About) and language: lines with a leading blank, lines with a
  // trailing blank, and all blanks of the text. A lost or doubled blank anywhere shows here.
  const int leading[3][kLanguageCount] = {{5, 5, 5, 6, 5}, {0, 0, 0, 0, 0}, {4, 4, 4, 4, 4}};
  const int trailing[3][kLanguageCount] = {{3, 6, 6, 4, 6}, {3, 1, 3, 1, 3}, {0, 0, 0, 0, 0}};
  const int blanks[3][kLanguageCount] = {
      {191, 218, 192, 183, 195}, {77, 99, 88, 76, 87}, {34, 30, 30, 30, 30}};
  for (int t = 0; t < 3; ++t) {
    for (int i = 0; i < kLanguageCount; ++i) {
      const QStringList l = lines(kTopics[t], i);
      EXPECT_EQ(std::count_if(l.begin(), l.end(), [](const QString& x) { return x.startsWith(' '); }),
                leading[t][i])
          << t << i;
      EXPECT_EQ(std::count_if(l.begin(), l.end(), [](const QString& x) { return x.endsWith(' '); }),
                trailing[t][i])
          << t << i;
      EXPECT_EQ(helpText(kTopics[t], i).count(' '), blanks[t][i]) << t << i;
    }
  }
  EXPECT_EQ(lines(HelpTopic::Settings, 2)[9], "- Mains relay mode:  ");
  EXPECT_EQ(lines(HelpTopic::Settings, 1)[16], " Für Deutschland ist das + 1 Stunde  ");
  EXPECT_EQ(lines(HelpTopic::Settings, 3)[11], "  * On  , le relay s`allume");
}

TEST(HelpTexts, FrenchUsesTheGraveAccent) {
  const QString settings = helpText(HelpTopic::Settings, 3), timer = helpText(HelpTopic::Timer, 3);
  for (const QString& t : {settings, timer}) {
    EXPECT_FALSE(t.contains('\''));
    EXPECT_FALSE(t.contains(QChar(0x2019)));
  }
  EXPECT_EQ(settings.count('`'), 17);
  EXPECT_EQ(timer.count('`'), 3);
  EXPECT_TRUE(settings.contains("l`heure local et l`UTC."));
  EXPECT_TRUE(timer.contains("d`abord"));
  // Accented letters are single characters.
  EXPECT_TRUE(settings.contains(QString::fromUtf8("s\xC3\xA9rielle")));
  EXPECT_TRUE(settings.contains(QString::fromUtf8("re\xC3\xA7u")));
  EXPECT_TRUE(timer.contains(QString::fromUtf8("\xC3\xAAtre programm\xC3\xA9")));
  // No other text uses the grave accent.
  for (int i : {0, 1, 2, 4})
    for (HelpTopic t : kTopics) EXPECT_FALSE(helpText(t, i).contains('`')) << i;
}

TEST(HelpTexts, GermanLowQuotationMarks) {
  const QChar lowQuote(0x201A);
  EXPECT_EQ(helpText(HelpTopic::Settings, 1).count(lowQuote), 1);
  EXPECT_EQ(helpText(HelpTopic::Timer, 1).count(lowQuote), 2);
  EXPECT_TRUE(helpText(HelpTopic::Settings, 1).contains(QString(lowQuote) + "\"Sende zur Uhr\" Knopf"));
  EXPECT_TRUE(
      helpText(HelpTopic::Timer, 1).contains(QString(lowQuote) + "\"Ausgewaehlte Zeit aendern\" ein."));
  EXPECT_TRUE(helpText(HelpTopic::Settings, 1).contains("neuen Einstellunge zu aktivieren."));
  EXPECT_TRUE(helpText(HelpTopic::Settings, 1).contains(QString::fromUtf8("im M\xC3\xA4rz um 3:00")));
  for (int i : {0, 2, 3, 4})
    for (HelpTopic t : kTopics) EXPECT_FALSE(helpText(t, i).contains(lowQuote)) << i;
}

TEST(HelpTexts, DisplayLines) {
  EXPECT_EQ(displayLines("a\r\nb\rc\r\rd"), "a\nb\nc\n\nd");
  EXPECT_EQ(displayLines(relayQuestionText(1)), "Relais nicht auf Timer!\n");
  EXPECT_EQ(displayLines(QString()), QString());
  const QString about = displayLines(helpText(HelpTopic::About, 2));
  EXPECT_FALSE(about.contains('\r'));
  EXPECT_EQ(about.split('\n'), lines(HelpTopic::About, 2));
}
