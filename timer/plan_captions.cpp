#include "plan_captions.h"

// clang-format off
namespace {

const PlanCaptions& dutchPlanCaptions() {
  static const PlanCaptions captions{
      "Weekoverzicht…", "Weekoverzicht",
      "Schakeltijden werken in tijdvolgorde door de week en zetten het relais op hun seconde AAN of UIT; de "
      "stand loopt door over middernacht en van zondag naar maandag. Geen schakeltijd: de hele week UIT. Twee "
      "tijden van één dag op dezelfde seconde die verschillen, zijn een conflict (rood): de latere in de lijst werkt.",
      "Dag…", "%1 &kopiëren naar…", "%1 &wissen", "%1 kopiëren naar", "maandag t/m vrijdag", "elke dag",
      "&Kopiëren of wissen ongedaan maken", "Weekplan &exporteren…", "Het weekplan kan niet opgeslagen worden:",
      {{"Maandag", "Dinsdag", "Woensdag", "Donderdag", "Vrijdag", "Zaterdag", "Zondag"},
       "AAN", "UIT", "de hele dag UIT", "de hele dag AAN", "conflict om %1 (%2): %3 werkt als laatste",
       "%1 is geen tijd van de dag en schakelt niets", "Tijd %1", "geen schakeltijden"},
      {"KELVOX weekplan", "Datum: %1", "Herkomst: %1", "bestand %1", "de klok op %1, gelezen %2",
       "niet van een klok of uit een bestand gelezen",
       "Taal: %1", "230V-relais: %1", {"Uit", "Aan", "Tijd fout", "Tijdklok"}, "UTC-verschil: %1",
       "Zomertijd: %1", "Tijd-fout-timeout: %1", "%1 uur", "%1 uur", "aan", "uit"},
  };
  return captions;
}

const PlanCaptions& germanPlanCaptions() {
  static const PlanCaptions captions{
      "Wochenübersicht…", "Wochenübersicht",
      "Schaltzeiten wirken in zeitlicher Folge durch die Woche und schalten das Relais zu ihrer Sekunde AN oder "
      "AUS; der Zustand bleibt über Mitternacht und von Sonntag auf Montag erhalten. Ohne Schaltzeit: die ganze "
      "Woche AUS. Zwei Zeiten eines Tages in derselben Sekunde, die sich widersprechen, sind ein Konflikt (rot): "
      "die spätere in der Liste wirkt.",
      "Tag…", "%1 &kopieren nach…", "%1 &löschen", "%1 kopieren nach", "Montag bis Freitag", "jeden Tag",
      "Kopieren oder Löschen &rückgängig", "Wochenplan &exportieren…",
      "Der Wochenplan kann nicht gespeichert werden:",
      {{"Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag", "Sonntag"},
       "AN", "AUS", "den ganzen Tag AUS", "den ganzen Tag AN", "Konflikt um %1 (%2): %3 wirkt zuletzt",
       "%1 ist keine Tageszeit und schaltet nichts", "Zeit %1", "keine Schaltzeiten"},
      {"KELVOX Wochenplan", "Datum: %1", "Herkunft: %1", "Datei %1", "die Uhr an %1, gelesen %2",
       "weder von einer Uhr noch aus einer Datei gelesen",
       "Sprache: %1", "230V-Relais: %1", {"Aus", "An", "Zeit nicht korrekt", "Zeitschaltuhr"},
       "UTC-Abweichung: %1", "Sommerzeit: %1", "Timeout bei ungültiger Zeit: %1", "%1 Stunde", "%1 Stunden",
       "an", "aus"},
  };
  return captions;
}

}  // namespace

const PlanCaptions& englishPlanCaptions() {
  static const PlanCaptions captions{
      "Week overview…", "Week overview",
      "Switch times act in time order through the week, each setting the relay ON or OFF at its second; the "
      "state carries over midnight and from Sunday into Monday. No switch time: OFF all week. Two times of one "
      "day at one second that disagree are a conflict (red): the later one in the list acts.",
      "Day…", "&Copy %1 to…", "C&lear %1", "Copy %1 to", "Monday to Friday", "every day",
      "&Undo copy or clear", "&Export week plan…", "The week plan cannot be saved:",
      englishPlanWords(),
      {"KELVOX week plan", "Date: %1", "From: %1", "file %1", "the clock on %1, read %2",
       "not read from a clock or a file",
       "Language: %1", "Mains relay: %1", {"Off", "On", "Time not valid", "Timer"}, "UTC offset: %1",
       "Daylight saving: %1", "Time not valid timeout: %1", "%1 hour", "%1 hours", "on", "off"},
  };
  return captions;
}
// clang-format on

const PlanCaptions& planCaptionsFor(int language) {
  switch (language) {
    case 0:
      return dutchPlanCaptions();
    case 1:
      return germanPlanCaptions();
    default:
      return englishPlanCaptions();
  }
}

QString planLanguageName(int language) {
  static const std::array<QString, 5> names{"Nederlands", "Deutsch", "English", "Francais", "Polski"};
  return language >= 0 && language < int(names.size()) ? names[std::size_t(language)] : QString::number(language);
}
