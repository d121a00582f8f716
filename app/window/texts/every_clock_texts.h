#pragma once
// The texts of "Send to every clock…": its menu item, the dialog's title, buttons and columns,
// and the words for where each port's job stands. Pure data, one set per interface language.
#include <QString>
#include <array>

struct EveryClockTexts {
  QString menuItem, title, start, stop, saveReport, close;
  std::array<QString, 5> columns;  // port, description, identity, progress, state
  // While a job runs: not yet started, looking for the clock, sending, reading back.
  QString waiting, looking, sending, readingBack;
  // How it ended.
  QString verified, differs, failed, notAClock, skipped;
  // The first line of the box when the report cannot be written; the file's name and the reason follow.
  QString reportError;
};

// The set for a language index; "Francais" and "Polski" (and any index outside 0..4) take English.
const EveryClockTexts& everyClockTexts(int language);
