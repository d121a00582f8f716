#pragma once
// The look of the window's design, shared by the main window and the "Timer" page: fixed pixel
// places and the silver of the classic dialog.
#include <QString>

class QLabel;
class QRect;
class QWidget;

// The design's silver, RGB (192, 192, 192), behind a whole widget. Disabled texts are grey, as
// the style's own light grey would vanish on silver.
void paintSilver(QWidget* widget);

// A label at its design place, named `name`. It gets no accessible name of its own: assistive
// technology reads what it shows.
QLabel* makeLabel(const QString& name, const QString& text, const QRect& place, QWidget* parent);
