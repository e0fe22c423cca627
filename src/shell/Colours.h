#pragma once

#include "common/DrawingSurface.h"

#include <QColor>
#include <QPalette>
#include <QWidget>

namespace kst {

// The program's 24-bit colours (red in the low byte) as Qt colours and back.
inline QColor ToQColor(Colour c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }
inline Colour FromQColor(const QColor &c) { return c.red() | (c.green() << 8) | (c.blue() << 16); }

// The system's grey-text colour of a widget's palette.
inline QColor GreyText(const QWidget *widget)
{
    return widget->palette().color(QPalette::Disabled, QPalette::WindowText);
}

// Text colour of a label, button or text box.
inline void SetTextColour(QWidget *widget, const QColor &colour)
{
    QPalette p = widget->palette();
    p.setColor(QPalette::WindowText, colour);
    p.setColor(QPalette::ButtonText, colour);
    p.setColor(QPalette::Text, colour);
    widget->setPalette(p);
}

inline QColor TextColour(const QWidget *widget)
{
    return widget->palette().color(QPalette::WindowText);
}

} // namespace kst
