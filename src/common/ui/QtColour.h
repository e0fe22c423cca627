#pragma once

#include "common/DrawingSurface.h"

#include <QColor>

class QWidget;

namespace kst {

// The program keeps colours as 24-bit numbers with red in the low byte (255 is red, 0xC00000
// dark blue). A number with the top bit set refers to a system colour by its index (17 is the
// grey used for disabled text); those are taken from the application's palette.
QColor ToQColor(Colour colour);

// The 24-bit number of a colour (alpha is dropped).
Colour FromQColor(const QColor &colour);

// The system's grey-text colour (the palette's disabled text).
QColor GreyText();

// The text colour of a label, check box, button or text box.
void SetTextColour(QWidget *widget, const QColor &colour);

} // namespace kst
