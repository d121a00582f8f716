#pragma once
// The window's caption sets, one per interface language, and the short language-dependent
// message texts. Pure data: the window puts these texts on its controls and boxes.
#include <QString>
#include <array>

#include "problem.h"
#include "plan_captions.h"

// Caption of every message box with a single "OK" button, and the task-bar text.
inline constexpr char kApplicationTitle[] = "KELVOX setup program";
// Caption of the main window.
inline constexpr char kWindowCaption[] = "KELVOX Setup";

// Number of items of the Language radio group; a language index is 0..kLanguageCount-1.
inline constexpr int kLanguageCount = 5;
// The index of "English", whose words the window's own additions show before the first switch.
inline constexpr int kEnglishIndex = 2;

// All captions that follow the interface language. The comments give the control names
// of the window design where they differ from the member name.
struct CaptionSet {
  QString language, relayMode, label10, label11, label12, label14, serialPorts,
      hourUnit /* Label4, Label5, Label6 */, sendToClock, readClock, panel10, tabSheet1, weekdays,
      fileMenu /* MainMenu */, helpMenu /* Help1 */, quit /* Quit1 */, howToUse /* Howtousethisprogram1 */,
      about /* AboutKELVOXSetup1 */, settingsHelpItem /* Se1 */, timerHelpItem /* Timer1 */,
      openConfig /* OpenConfiguration1 */, saveConfig /* SaveConfiguration1 */,
      compareWithClock /* CompareWithClock1 */;
  std::array<QString, 7> days;        // WeekdaysTab, Monday first
  std::array<QString, 4> relayItems;  // RelayMode items, index = relay mode
  PlanCaptions plan;                  // the week overview, copy and clear of a day, the plan's export
};

// The window's texts before the first language switch.
const CaptionSet& designCaptions();
// The caption set put on the window for a language index; nullptr outside 0..4.
// "Francais" (3) takes the English set, "Polski" (4) a mixed set.
const CaptionSet* captionSetFor(int language);
// The items of the Language radio group: "Nederlands", "Deutsch", "English", "Francais", "Polski".
const std::array<QString, 5>& languageItems();

// Message box texts by language index, lines separated by CR LF as stored; empty outside
// 0..4 (show nothing).
QString relayQuestionText(int language);  // asked before sending when the relay is not on Timer
QString noAnswerText(int language);       // the clock did not answer in time, or answered an error
QString iniWriteErrorText(int language);  // kelvox.ini could not be written
// First line of the box when a configuration file is refused or cannot be written; the file's
// name and the reason follow.
QString configOpenErrorText(int language);
QString configSaveErrorText(int language);

// The usual reasons a file cannot be opened or saved, said after its name in the window's
// language; empty for any other reason, which is shown in the system's words.
QString fileProblemText(TProblem::Kind kind, int language);
// The line to the clock gave damaged characters: check the cable or the adapter.
QString lineErrorText(int language);
// "Compare with clock": the clock holds what the window shows; or the first line above the
// differences, one line each: lineText (%1 what, %2 the window's value, %3 the clock's),
// entryText (%1 the entry's number) after a day's name, and deletedText for a deleted entry.
QString compareSameText(int language);
QString compareDifferText(int language);
QString compareLineText(int language);
QString compareEntryText(int language);
QString compareDeletedText(int language);
// "Verify after sending": the File menu's item that reads the clock back after "Send to clock";
// the first line above what the read-back found other than the window (the differences follow as
// compareLineText has them); and the line after a failed read-back's box.
QString verifyAfterSendingText(int language);
QString verifyDifferText(int language);
QString verifyReadFailedText(int language);
// The Port menu's title and its item that looks for the clock on every port.
QString portMenuText(int language);
QString findClockText(int language);
// The line the no-answer box adds when the machine has no serial port at all: which adapters are
// usual, that a driver may be missing, and where the system shows them.
QString noPortText(int language);
