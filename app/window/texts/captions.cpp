#include "captions.h"

#include <algorithm>

// clang-format off
namespace {

// The texts of the window design, shown until the first language switch.
const CaptionSet kDesign{
    "Language", "Mains relay mode", "Universal Time Offset (Location depentant)",
    "Daylight saving (0=Off , 1=1hour)", "Time not valid timeout", "Weekday timer settings",
    "Serial ports", "  hour", "Send to clock", "Read clock", "Edit selected time", "Settings", "Timer",
    "File", "Help", "E&xit", "How to use this program", "About KELVOX Setup", "Settings", "Timer",
    "&Open configuration…", "&Save configuration as…", "&Compare with clock",
    {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"},
    {"0 OFF", "1 ON", "2 Time not valid", "3 Timer"},
    englishPlanCaptions(),
};

const CaptionSet kDutch{
    "Taal", "230V Relais mode", "UTC verschil",
    "Automatische zomer-/wintertijd (1=Aan 0=Uit)", "Tijd fout timeout", "Tijdklok instellingen",
    "Seriële poort", " uur", "Stuur naar klok", "Lees klok", "Tijd instellen", "Instellingen", "Tijdklok",
    "Bestand", "Hulp", "Afsluiten", "Hoe werkt dit programma?", "Over KELVOX Setup", "Instellingen", "Tijdklok",
    "Configuratie &openen…", "Configuratie op&slaan als…", "&Vergelijken met klok",
    {"Maandag", "Dinsdag", "Woensdag", "Donderdag", "Vrijdag", "Zaterdag", "Zondag"},
    {"Uit", "Aan", "Tijd fout", "Tijdklok"},
    planCaptionsFor(0),
};

const CaptionSet kGerman{
    "Sprache", "230V Relais-Modus", "UTC diff. mit lokale zeit",
    "Sommerzeit-Einstellung  0=Aus, 1=An", "Nicht korrekteZeit-Timeout", "Zeitklok einstellung",
    "Serieller Port", " Stunde", "Sende zur KELVOX", "Laden von Uhr", "Zeit aendern", "Einstellungen", "Zeitklok",
    "File", "Hilfe", "Quit", "Wie man das Programm verwendet?", "KELVOX Setup", "Einstellungen", "Zeit-Einstellung",
    "Konfiguration &laden…", "Konfiguration &speichern unter…", "Mit Uhr &vergleichen",
    {"Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag", "Sonntag"},
    {"Aus", "An", "Zeit nicht korrekt ", "Zeit-Einstellung"},
    planCaptionsFor(1),
};

const CaptionSet kEnglish{
    "Language", "Mains relay mode", "Universal Time Offset (Depends on Location)",
    "Automatic daylight saving (0=Off , 1=On)", "Time not valid timeout", "Weekday Timer settings",
    "Serial port", " hour", "Send Settings to Clock", "Read clock", "Edit selected time", "Settings", "Timer",
    "File", "Help", "E&xit", "How to use this program", "About KELVOX Setup", "Settings", "Timer",
    "&Open configuration…", "&Save configuration as…", "&Compare with clock",
    {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"},
    {"Off", "On", "Time not valid", "Timer"},
    englishPlanCaptions(),
};

// The "Polski" item: French, Dutch and English words mixed.
const CaptionSet kMixed{
    "Langue", "Mains Relais mode", "UTC difference",
    "Automatic daylight saving (1=Aan 0=uit)", "Tijd fout timeout", "Weekday Timer settings",
    "Seriële poort", " heur", "Send Settings to Clock", "Read clock", "Edit selected time", "Settings", "Timer",
    "File", "Help", "E&xit", "How to use this program", "About KELVOX Setup", "Settings", "Timer",
    "&Open configuration…", "&Save configuration as…", "&Compare with clock",
    {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"},
    {"Off", "On", "Time not valid", "Timer"},
    englishPlanCaptions(),
};

// Caption set by language index: "Francais" shows the English captions.
const std::array<const CaptionSet*, kLanguageCount> kSetByLanguage{&kDutch, &kGerman, &kEnglish, &kEnglish, &kMixed};

const std::array<QString, kLanguageCount> kLanguageItems{"Nederlands", "Deutsch", "English", "Francais", "Polski"};

// Message texts; \r\n separates the lines of a box.
constexpr const char* kRelayQuestionDutch = "Relais Mode staat niet op Timer!\r\nNu op Timer zetten?";
constexpr const char* kRelayQuestionGerman = "Relais nicht auf Timer!\r\n";
constexpr const char* kRelayQuestionEnglish = "Timer is not selected in Mains Relay mode!\r\nChange to Timer?";

constexpr const char* kNoAnswerDutch = "Geen antwoord van KELVOX, controleer aansluitingen!";
constexpr const char* kNoAnswerGerman = "Kein antwort von KELVOX!";
constexpr const char* kNoAnswerEnglish = "No answer from clock, check connections!";

constexpr const char* kIniWriteErrorDutch =
    "KELVOX.INI schrijffout!\r\nCOM selectie kan hier niet opgeslagen worden.\r\nKopieer dit programma naar een map op uw harddisk.\r\nDe COM selectie wordt in deze map bewaard.";
constexpr const char* kIniWriteErrorEnglish =
    "KELVOX.INI file write error!\r\nCOM selection cannot be saved on this disk.\r\nCopy the KELVOX Setup program to your harddisk.\r\nThe COM selection will be saved in the same folder";

constexpr const char* kConfigOpenErrorDutch = "De configuratie kan niet geopend worden:";
constexpr const char* kConfigOpenErrorGerman = "Die Konfiguration kann nicht geladen werden:";
constexpr const char* kConfigOpenErrorEnglish = "The configuration cannot be opened:";
constexpr const char* kConfigSaveErrorDutch = "De configuratie kan niet opgeslagen worden:";
constexpr const char* kConfigSaveErrorGerman = "Die Konfiguration kann nicht gespeichert werden:";
constexpr const char* kConfigSaveErrorEnglish = "The configuration cannot be saved:";

constexpr const char* kLineErrorDutch =
    "De verbinding met de klok gaf beschadigde tekens.\r\nControleer de kabel of de adapter!";
constexpr const char* kLineErrorGerman =
    "Die Verbindung zur Uhr lieferte beschädigte Zeichen.\r\nBitte Kabel oder Adapter prüfen!";
constexpr const char* kLineErrorEnglish =
    "The line to the clock gave damaged characters.\r\nCheck the cable or the adapter!";

constexpr const char* kCompareSameDutch = "De klok bevat wat het venster toont.";
constexpr const char* kCompareSameGerman = "Die Uhr enthält, was das Fenster zeigt.";
constexpr const char* kCompareSameEnglish = "The clock holds what the window shows.";
constexpr const char* kCompareDifferDutch = "De klok wijkt af van het venster:";
constexpr const char* kCompareDifferGerman = "Die Uhr weicht vom Fenster ab:";
constexpr const char* kCompareDifferEnglish = "The clock differs from the window:";
constexpr const char* kCompareLineDutch = "%1: venster %2, klok %3";
constexpr const char* kCompareLineGerman = "%1: Fenster %2, Uhr %3";
constexpr const char* kCompareLineEnglish = "%1: window %2, clock %3";
constexpr const char* kCompareEntryDutch = "Tijd %1";
constexpr const char* kCompareEntryGerman = "Zeit %1";
constexpr const char* kCompareEntryEnglish = "Time %1";
constexpr const char* kCompareDeletedDutch = "gewist";
constexpr const char* kCompareDeletedGerman = "gelöscht";
constexpr const char* kCompareDeletedEnglish = "deleted";
constexpr const char* kVerifyAfterSendingDutch = "Na verzenden &controleren";
constexpr const char* kVerifyAfterSendingGerman = "Nach dem Senden &prüfen";
constexpr const char* kVerifyAfterSendingEnglish = "&Verify after sending";
constexpr const char* kVerifyDifferDutch = "De klok heeft alle 61 opdrachten bevestigd, maar wijkt af van het venster:";
constexpr const char* kVerifyDifferGerman = "Die Uhr hat alle 61 Befehle bestätigt, weicht aber vom Fenster ab:";
constexpr const char* kVerifyDifferEnglish = "The clock acknowledged all 61 commands, but differs from the window:";
constexpr const char* kVerifyReadFailedDutch =
    "De klok heeft alle 61 opdrachten bevestigd, maar wat hij bevat kon niet teruggelezen worden.";
constexpr const char* kVerifyReadFailedGerman =
    "Die Uhr hat alle 61 Befehle bestätigt, aber ihr Inhalt konnte nicht zurückgelesen werden.";
constexpr const char* kVerifyReadFailedEnglish =
    "The clock acknowledged all 61 commands, but what it holds could not be read back.";
constexpr const char* kPortMenuDutch = "&Poort";
constexpr const char* kPortMenuGerman = "&Port";
constexpr const char* kPortMenuEnglish = "&Port";
constexpr const char* kFindClockDutch = "De klok &zoeken";
constexpr const char* kFindClockGerman = "Die Uhr &suchen";
constexpr const char* kFindClockEnglish = "&Find the clock";
constexpr const char* kNoPortDutch =
    "Er is geen seriële poort gevonden. Een USB-serieeladapter (FTDI, Prolific PL2303, CH340, CP210x) heeft "
    "een stuurprogramma nodig; Apparaatbeheer (Windows) of dmesg (Linux) toont of het systeem hem ziet.";
constexpr const char* kNoPortGerman =
    "Es wurde kein serieller Port gefunden. Ein USB-Seriell-Adapter (FTDI, Prolific PL2303, CH340, CP210x) "
    "braucht seinen Treiber; der Geräte-Manager (Windows) oder dmesg (Linux) zeigt, ob das System ihn sieht.";
constexpr const char* kNoPortEnglish =
    "No serial port was found. A USB serial adapter (FTDI, Prolific PL2303, CH340, CP210x) needs its driver; "
    "Device Manager (Windows) or dmesg (Linux) shows whether the system sees it.";

using MessageTable = std::array<const char*, kLanguageCount>;

// Why a file cannot be opened or saved: Dutch, German, English; French and Polish take the
// English text, as the other boxes do.
struct FileProblemTexts {
  TProblem::Kind kind;
  std::array<const char*, 3> texts;
};
using Kind = TProblem::Kind;
const FileProblemTexts kFileProblems[] = {
    {Kind::NoSuchFile, {"bestand niet gevonden", "Datei nicht gefunden", "no such file"}},
    {Kind::NoSuchFolder, {"de map bestaat niet", "der Ordner existiert nicht", "no such folder"}},
    {Kind::NotRegularFile, {"geen gewoon bestand", "keine gewöhnliche Datei", "not a regular file"}},
    {Kind::DiskFull, {"de schijf is vol", "der Datenträger ist voll", "the disk is full"}},
    {Kind::PermissionDenied, {"geen toestemming", "keine Berechtigung", "permission denied"}},
    {Kind::ReadOnlyFile, {"het bestand is alleen-lezen", "die Datei ist schreibgeschützt", "the file is read-only"}},
    {Kind::ReadOnlyFileSystem,
     {"het bestandssysteem is alleen-lezen", "das Dateisystem ist schreibgeschützt", "the file system is read-only"}},
    {Kind::NameTooLong, {"de naam is te lang", "der Name ist zu lang", "the name is too long"}},
    {Kind::FolderTakesNoTemporaryFile,
     {"de map kan geen tijdelijk bestand opnemen, waarin elke opslag eerst geschreven wordt; er is niets "
      "geschreven",
      "der Ordner nimmt keine temporäre Datei auf, in die jedes Speichern zuerst schreibt; es wurde nichts "
      "geschrieben",
      "the folder cannot take a temporary file, which every save is written to first; nothing was written"}},
};

const MessageTable kRelayQuestion{kRelayQuestionDutch, kRelayQuestionGerman, kRelayQuestionEnglish,
                                  kRelayQuestionEnglish, kRelayQuestionEnglish};
const MessageTable kNoAnswer{kNoAnswerDutch, kNoAnswerGerman, kNoAnswerEnglish, kNoAnswerEnglish, kNoAnswerEnglish};
const MessageTable kIniWriteError{kIniWriteErrorDutch, kIniWriteErrorEnglish, kIniWriteErrorEnglish,
                                  kIniWriteErrorEnglish, kIniWriteErrorEnglish};
const MessageTable kConfigOpenError{kConfigOpenErrorDutch, kConfigOpenErrorGerman, kConfigOpenErrorEnglish,
                                    kConfigOpenErrorEnglish, kConfigOpenErrorEnglish};
const MessageTable kConfigSaveError{kConfigSaveErrorDutch, kConfigSaveErrorGerman, kConfigSaveErrorEnglish,
                                    kConfigSaveErrorEnglish, kConfigSaveErrorEnglish};

const MessageTable kLineError{kLineErrorDutch, kLineErrorGerman, kLineErrorEnglish, kLineErrorEnglish,
                              kLineErrorEnglish};
const MessageTable kCompareSame{kCompareSameDutch, kCompareSameGerman, kCompareSameEnglish, kCompareSameEnglish,
                                kCompareSameEnglish};
const MessageTable kCompareDiffer{kCompareDifferDutch, kCompareDifferGerman, kCompareDifferEnglish,
                                  kCompareDifferEnglish, kCompareDifferEnglish};
const MessageTable kCompareLine{kCompareLineDutch, kCompareLineGerman, kCompareLineEnglish, kCompareLineEnglish,
                                kCompareLineEnglish};
const MessageTable kCompareEntry{kCompareEntryDutch, kCompareEntryGerman, kCompareEntryEnglish,
                                 kCompareEntryEnglish, kCompareEntryEnglish};
const MessageTable kCompareDeleted{kCompareDeletedDutch, kCompareDeletedGerman, kCompareDeletedEnglish,
                                   kCompareDeletedEnglish, kCompareDeletedEnglish};
const MessageTable kVerifyAfterSending{kVerifyAfterSendingDutch, kVerifyAfterSendingGerman,
                                      kVerifyAfterSendingEnglish, kVerifyAfterSendingEnglish,
                                      kVerifyAfterSendingEnglish};
const MessageTable kVerifyDiffer{kVerifyDifferDutch, kVerifyDifferGerman, kVerifyDifferEnglish, kVerifyDifferEnglish,
                                 kVerifyDifferEnglish};
const MessageTable kVerifyReadFailed{kVerifyReadFailedDutch, kVerifyReadFailedGerman, kVerifyReadFailedEnglish,
                                     kVerifyReadFailedEnglish, kVerifyReadFailedEnglish};
const MessageTable kPortMenu{kPortMenuDutch, kPortMenuGerman, kPortMenuEnglish, kPortMenuEnglish,
                             kPortMenuEnglish};
const MessageTable kFindClock{kFindClockDutch, kFindClockGerman, kFindClockEnglish, kFindClockEnglish,
                              kFindClockEnglish};
const MessageTable kNoPort{kNoPortDutch, kNoPortGerman, kNoPortEnglish, kNoPortEnglish, kNoPortEnglish};

// clang-format on

bool validLanguage(int language) { return language >= 0 && language < kLanguageCount; }

QString messageFor(const MessageTable& table, int language) {
  return validLanguage(language) ? QString::fromUtf8(table[language]) : QString();
}

}  // namespace

const CaptionSet& designCaptions() { return kDesign; }

const CaptionSet* captionSetFor(int language) {
  return validLanguage(language) ? kSetByLanguage[language] : nullptr;
}

const std::array<QString, 5>& languageItems() { return kLanguageItems; }

QString relayQuestionText(int language) { return messageFor(kRelayQuestion, language); }
QString noAnswerText(int language) { return messageFor(kNoAnswer, language); }
QString iniWriteErrorText(int language) { return messageFor(kIniWriteError, language); }
QString configOpenErrorText(int language) { return messageFor(kConfigOpenError, language); }
QString configSaveErrorText(int language) { return messageFor(kConfigSaveError, language); }

QString fileProblemText(TProblem::Kind kind, int language) {
  if (!validLanguage(language)) return {};
  for (const FileProblemTexts& row : kFileProblems)
    if (row.kind == kind) return QString::fromUtf8(row.texts[static_cast<std::size_t>(std::min(language, 2))]);
  return {};
}
QString lineErrorText(int language) { return messageFor(kLineError, language); }
QString compareSameText(int language) { return messageFor(kCompareSame, language); }
QString compareDifferText(int language) { return messageFor(kCompareDiffer, language); }
QString compareLineText(int language) { return messageFor(kCompareLine, language); }
QString compareEntryText(int language) { return messageFor(kCompareEntry, language); }
QString compareDeletedText(int language) { return messageFor(kCompareDeleted, language); }
QString verifyAfterSendingText(int language) { return messageFor(kVerifyAfterSending, language); }
QString verifyDifferText(int language) { return messageFor(kVerifyDiffer, language); }
QString verifyReadFailedText(int language) { return messageFor(kVerifyReadFailed, language); }
QString portMenuText(int language) { return messageFor(kPortMenu, language); }
QString findClockText(int language) { return messageFor(kFindClock, language); }
QString noPortText(int language) { return messageFor(kNoPort, language); }
