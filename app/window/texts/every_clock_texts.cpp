#include "every_clock_texts.h"

// clang-format off
namespace {

const EveryClockTexts kEveryClockDutch{
    "Naar &elke klok sturen…", "Naar elke klok sturen", "&Starten", "S&toppen", "&Rapport opslaan…", "S&luiten",
    {"Poort", "Beschrijving", "Identiteit", "Voortgang", "Toestand"},
    "wacht", "klok zoeken", "verzenden", "teruglezen",
    "geverifieerd", "wijkt af", "mislukt", "geen klok", "overgeslagen",
    "Het rapport kan niet opgeslagen worden:",
};

const EveryClockTexts kEveryClockGerman{
    "An &jede Uhr senden…", "An jede Uhr senden", "&Starten", "S&toppen", "&Bericht speichern…", "S&chließen",
    {"Port", "Beschreibung", "Kennung", "Fortschritt", "Zustand"},
    "wartet", "sucht die Uhr", "sendet", "liest zurück",
    "geprüft", "weicht ab", "fehlgeschlagen", "keine Uhr", "übersprungen",
    "Der Bericht kann nicht gespeichert werden:",
};

const EveryClockTexts kEveryClockEnglish{
    "Send to &every clock…", "Send to every clock", "&Start", "S&top", "Save &report…", "&Close",
    {"Port", "Description", "Identity", "Progress", "State"},
    "waiting", "looking for the clock", "sending", "reading back",
    "verified", "differs", "failed", "not a clock", "skipped",
    "The report cannot be saved:",
};

}  // namespace
// clang-format on

const EveryClockTexts& everyClockTexts(int language) {
  if (language == 0) return kEveryClockDutch;
  if (language == 1) return kEveryClockGerman;
  return kEveryClockEnglish;
}
