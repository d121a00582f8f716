#pragma once
// The texts of the Help menu: the instructions for the two pages and the about text.
#include <QString>

enum class HelpTopic { Settings, Timer, About };

// The text of a topic for a language index, lines separated by CR (an empty line is two CRs
// in a row, there is no LF); empty outside 0..4.
// "Francais" (3) gets French instructions, "Polski" (4) the second English wording, and every
// language but Dutch the English about text.
QString helpText(HelpTopic topic, int language);

// Turns the stored line ends (CR LF or a single CR) into "\n" for showing the text in a box.
QString displayLines(const QString& text);
