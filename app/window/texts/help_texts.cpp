#include "help_texts.h"

#include <array>

#include "captions.h"

// Every text is one literal with one source line per box line; "\r" ends each line but the last.
// clang-format off
namespace {

constexpr const char* kSettingsEnglish =
    "SETTINGS: \r"
    "\r"
    "1. Connect the KELVOX clock to a free serial port\r"
    "2. Select the correct port in the left tab page in the main window.\r"
    "3. Choose a language\r"
    "Now the other settings can be selected.\r"
    "\r"
    "When ready press the \"Send settings to Clock\" button to activate the new settings.\r"
    "\r"
    "- Mains relay mode:  \r"
    "  * Off, the relay will switch off \r"
    "  * On, the relay will switch on \r"
    "  * Time not valid, the relay will switch ON when time is not valid\r"
    "  * Timer, the relay will switch on and off at specified moments (Timer tab page) \r"
    "\r"
    "- Universal Time Offset: This should be the difference between your local time and UTC. \r"
    "  For most European countries this is +1 hour.\r"
    "\r"
    "- Daylight saving On/Off: When \"ON\" the time will be set back 1 hour at 03:00 the third Sundaymorning in March and 1 hour forward at 02:00 the third Sundaymorning in October.\r"
    "\r"
    "- Time valid timeout: This specifies the length of time before the clock will report that it has not received a correct KVX signal. Default is 72 hours which results in less than max. 0.5 seconds time error.";

// The "Polski" wording: another first line, button name and autumn hour.
constexpr const char* kSettingsEnglish2 =
    "How to use this program: \r"
    "\r"
    "1. Connect the KELVOX clock to a free serial port\r"
    "2. Select the correct port in the left tab page in the main window.\r"
    "3. Choose a language\r"
    "Now the other settings can be selected.\r"
    "\r"
    "When ready press the \"Send to Clock\" button to activate the new settings.\r"
    "\r"
    "- Mains relay mode:  \r"
    "  * Off, the relay will switch off \r"
    "  * On, the relay will switch on \r"
    "  * Time not valid, the relay will switch ON when time is not valid\r"
    "  * Timer, the relay will switch on and off at specified moments (Timer tab page) \r"
    "\r"
    "- Universal Time Offset: This should be the difference between your local time and UTC. \r"
    "  For most European countries this is +1 hour.\r"
    "\r"
    "- Daylight saving On/Off: When \"ON\" the time will be set back 1 hour at 03:00 the third Sundaymorning in March and 1 hour forward at 03:00 the third Sundaymorning in October.\r"
    "\r"
    "- Time valid timeout: This specifies the length of time before the clock will report that it has not received a correct KVX signal. Default is 72 hours which results in less than max. 0.5 seconds time error.";

constexpr const char* kSettingsDutch =
    "INSTELLINGEN: \r"
    "\r"
    "1. Sluit de KELVOX klok aan op een vrije seriele poort (mbv. bijgeleverde kabel)\r"
    "2. Selecteer in het linker tabblad de juiste COM poort\r"
    "Nu kunnen de andere instellingen worden gekozen.\r"
    "\r"
    "Na alles te hebben ingesteld klikt u op de \"Stuur naar klok\" knop.\r"
    "\r"
    "- Taal: Hiermee wordt de taal in de klok en in dit programma bepaald\r"
    "\r"
    "- 230V relais mode: \r"
    "  * Uit, de spanning wordt afgeschakeld.\r"
    "  * Aan, de spanning wordt aangezet.\r"
    "  * Tijd fout, de spanning wordt aangezet indien de interne tijd niet goed is.\r"
    "  * Tijdklok, op de geprogrammeerde tijden zal de uitgang aan- en uitgeschakeld worden (zie Tijdklok).\r"
    "\r"
    "- UTC Offset: Het tijdverschil tussen de lokale tijd en UTC. \r"
    "  Voor Nederland en Belgie is dit +1 uur (tov. wintertijd).\r"
    "\r"
    "- Automatische zomer-/wintertijd Aan/Uit: Indien Aan zal de tijd op de derde zondagmorgen in maart om 02:00 vooruitgezet worden naar 03:00 en op de derde zondagmorgen in oktober weer teruggezet van 03:00 naar 02:00.\r"
    "\r"
    "- Tijd zonder ontvangst: Hiermee kan de max. tijd worden ingesteld voordat de KELVOX klok een foutmelding geeft bij geen KVX signaal. Standaard staat deze op 72 uur, dit geeft maximaal 0.5 seconden afwijking.";

// The ‚ (single low quotation mark) beside the double quotes belongs to the text.
constexpr const char* kSettingsGerman =
    "Wie man das Programm verwendet: \r"
    "\r"
    "1. Verbinden Sie  die Uhr mit einem freien seriellen Port\r"
    "2. Stellen Sie  den richtigen Port im Haupt-Bildschirm auf der linken Tabellen-Seite ein\r"
    "3. Waehlen Sie eine Sprache\r"
    "Jetzt können die anderen Einstellungen ausgewaehlt werden.\r"
    "\r"
    "Danach drücken Sie den ‚\"Sende zur Uhr\" Knopf, um die neuen Einstellunge zu aktivieren.\r"
    "\r"
    "- Haupt-Relais(Uebertragungs)-Modus:  \r"
    "  * AUS, das Relais  schaltet sich aus\r"
    "  * AN,   das Relais  schaltet sich an\r"
    "  * Zeit nicht korrekt ! Der Relais-Modus schaltet sich ein wenn die Zeit ungueltig ist\r"
    "  * Timer, the relay will switch on and off at specified moments (Timer tab page) \r"
    "\r"
    "- Universeller Zeitausgleich, Das ist die Differenz zwischen der lokalen Zeit und  UTC. \r"
    " Für Deutschland ist das + 1 Stunde  \r"
    "\r"
    "- Zeit-Einstellung,  das Relais schaltet sich an und aus bei voreingestellten Zeiten ( siehe Zeiteinstellungs-Tab) Sommerzeit AN/AUS,  Wenn der Schalter auf AN (1)steht wird die Zeit am dritten Sonntag im März um 3:00 Uhr um eine Stunde zurückgestellt und am dritten Sonntag im Oktober um 3:00 Uhr um eine Stunde vorgestellt. \r"
    "\r"
    "- Korrekte Zeit-Timeout: Gibt die Dauer der korrekten Zeitangabe an, bevor die Uhr wiederholt angibt,  dass sie kein korrektes KVX-Signal empfaengt. Der  eingestellte Wert (Default) ist 72 Stunden bei weniger als 0.5 Sekunden Zeitfehler.";

// The French texts use the grave accent ` where an apostrophe is meant; the box shows it so.
constexpr const char* kSettingsFrench =
    "Comment utiliser ce programme: \r"
    "\r"
    "1. Connectez la KELVOX clock sur une sortie sérielle de libre.\r"
    "2. Sélectionnez la sortie correspondante dans le tableau gauche du menu principal.\r"
    "3. Le programme obtiendra les préférences de la KELVOX clock.\r"
    "Vous pouvez maintenant sélectionner les autres préférences.\r"
    "\r"
    "Pour sauvegarder vos préférences cliquez sur \"send to clock\".\r"
    "\r"
    "- Mains relay mode:  \r"
    "  * Off , le relay s`éteint\r"
    "  * On  , le relay s`allume\r"
    "  * Time not valid , le relay s`allume dès que le temps n`est pas valide.\r"
    "  * Timer, le relay s`allume & s`éteint au moments spécifiés (dans le timer-tableau)\r"
    "\r"
    "- Universal Time Offset: La différence entre l`heure local et l`UTC.\r"
    "  Pour l`Allemagne c`est +1 heure.\r"
    "\r"
    "- Daylight saving On/Off: Quand \"ON\" : l`heure sera avancée d`une heure (à 03:00 H chaque \r"
    "  troisième dimanche de mars) et retardée d`une heure chaque troisième dimanche du mois d`octobre. \r"
    "\r"
    "- - Time valid timeout: Ceci spécifie la longueur de temps avant que la KVX-clock signale qu`elle n`a plus reçu un signal correct.\r"
    "La KVX-clock est programmée à 72 heures, qui résulte dans max. 0.5 secondes d`erreur de temps.";

constexpr const char* kTimerEnglish =
    "TIMER PROGRAMMING (on Timer tab page) \r"
    "\r"
    "The timer can be programmed with 8 ON or OFF times per day. \r"
    "* Select Day: First select the correct day by changing the day-tab page.\r"
    "* Select switch time: To set a time click on the left box next to Time(1-8), then set ON or OFF and select the correct time with \"Edit selected time\". \r"
    "* Delete a switch time: Click the box again to delete the time setting.\r"
    "After programming all time setpoints for all days press the \"Send settings to clock\" button.";

// The "Polski" wording names the button differently in its last line.
constexpr const char* kTimerEnglish2 =
    "TIMER PROGRAMMING (on Timer tab page) \r"
    "\r"
    "The timer can be programmed with 8 ON or OFF times per day. \r"
    "* Select Day: First select the correct day by changing the day-tab page.\r"
    "* Select switch time: To set a time click on the left box next to Time(1-8), then set ON or OFF and select the correct time with \"Edit selected time\". \r"
    "* Delete a switch time: Click the box again to delete the time setting.\r"
    "After programming all time setpoints for all days press the \"Send to clock\" button.";

constexpr const char* kTimerDutch =
    "TIJDKLOK PROGRAMMERING (Timer tab pagina) \r"
    "\r"
    "De tijdklok heeft maximaal 8 schakeltijden per dag. \r"
    "* Dag selecteren: Kies eerst de dag met behulp van de dag-tabs.\r"
    "* Schakeltijd instellen: Klik op een van de acht linker vakjes om een tijd in te kunnen stellen.Selecteer AAN of UIT en ga naar \"tijd instellen\". \r"
    "* Schakeltijd wissen: Nogmaals het linker vakje aanklikken zal de tijd wissen.\r"
    "Na alle tijden voor alle dagen te hebben ingesteld klikt u op de \"Stuur naar klok\" knop.";

constexpr const char* kTimerGerman =
    "Zeiten-Programmierung (siehe Zeiten-Tab) \r"
    "\r"
    "Der Timer kann mit acht AN- und Aus- Zeiten pro Tag programmiert werden.\r"
    "* Tagesauswahl: Waehlen Sie zuerst den korrekten Tag indem Sie in die richtige Tagestabelle wechseln.\r"
    "* Zeitauswahl: Um eine Zeit auszuwaehlen klicken Sie bitte auf die linken  Ausschnitte  neben der Zeiteinstellungen (1-8, es erscheint ein Haekchen), dann  klicken Sie rechts EIN oder AUS an und tragen die korrekte Zeit im Kasten ‚\"Ausgewaehlte Zeit aendern\" ein.\r"
    "* Schaltzeit loeschen:  Linke Ausschnitte (mit Haekchen) anklicken um  Einstellungen zu loeschen.\r"
    "Nach Programmierung aller Einstellungen für alle Tage klicken Sie bitte das Feld‚ \"Einstellungen in Uhr sichern\"";

constexpr const char* kTimerFrench =
    "PROGRAMMER TIMER (voir tableau Timer) \r"
    "\r"
    "Le timer peut être programmé avec 8 ON ou OFF par jour.\r"
    "* Sélectionner Journée: Sélectionnez d`abord la journée dans le tableau Journée.\r"
    "* Sélectionner Switch-time: pour sauvegarder une heure, cliquer sur le cadre a gauche de l`heure, après sélectionnez ON ou OFF et programmez l`heure avec \"Edit selected time\".\r"
    "* Effacer un switch time: cliquez le cadre une fois pour effacer la programmation.\r"
    "Après la programmation des \"switch times\" confirmez en cliquant \"Send to clock\".";

constexpr const char* kAboutEnglish =
    "Setup program for the KELVOX clock\r"
    "Features:\r"
    "  * COM-port selection\r"
    "  * Setting of UTC, daylight saving, timevalid period\r"
    "  * Language select\r"
    "  * Relay Timer setting\r"
    "\r"
    "Software version : V1.1";

constexpr const char* kAboutDutch =
    "Setup programma voor de KELVOX klok\r"
    "Opties:\r"
    "  * COM poort selectie\r"
    "  * Lokale tijd instelling (tov. UTC), zomertijd en ontvangst probleem timeout\r"
    "  * Taal instelling\r"
    "  * Relais tijdklok instelling\r"
    "\r"
    "Software versie : V1.1";

// Rows by topic (Settings, Timer, About), columns by language index:
// Nederlands, Deutsch, English, Francais, Polski.
using TopicRow = std::array<const char*, kLanguageCount>;
constexpr std::array<TopicRow, 3> kHelpTable{{
    {kSettingsDutch, kSettingsGerman, kSettingsEnglish, kSettingsFrench, kSettingsEnglish2},
    {kTimerDutch, kTimerGerman, kTimerEnglish, kTimerFrench, kTimerEnglish2},
    {kAboutDutch, kAboutEnglish, kAboutEnglish, kAboutEnglish, kAboutEnglish},
}};

}  // namespace
// clang-format on

QString helpText(HelpTopic topic, int language) {
  if (language < 0 || language >= kLanguageCount) return QString();
  return QString::fromUtf8(kHelpTable[static_cast<std::size_t>(topic)][language]);
}

QString displayLines(const QString& text) {
  QString shown = text;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return shown;
}
