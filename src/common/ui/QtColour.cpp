#include "common/ui/QtColour.h"

#include <QGuiApplication>
#include <QPalette>
#include <QWidget>

namespace kst {

namespace {

QColor SystemColour(int index)
{
    const QPalette palette = QGuiApplication::palette();
    switch (index) {
    case 5: // window background
        return palette.color(QPalette::Active, QPalette::Base);
    case 8: // window text
        return palette.color(QPalette::Active, QPalette::Text);
    case 13: // selected item
        return palette.color(QPalette::Active, QPalette::Highlight);
    case 14: // selected item text
        return palette.color(QPalette::Active, QPalette::HighlightedText);
    case 15: // button face
        return palette.color(QPalette::Active, QPalette::Button);
    case 16: // button shadow
        return palette.color(QPalette::Active, QPalette::Dark);
    case 17: // disabled text
        return palette.color(QPalette::Disabled, QPalette::Text);
    case 18: // button text
        return palette.color(QPalette::Active, QPalette::ButtonText);
    case 20: // button highlight
        return palette.color(QPalette::Active, QPalette::Light);
    default:
        return palette.color(QPalette::Active, QPalette::Window);
    }
}

} // namespace

QColor ToQColor(Colour colour)
{
    const quint32 bits = quint32(colour);
    if (bits & 0x80000000u)
        return SystemColour(int(bits & 0xFFu));
    return QColor(int(bits & 0xFFu), int((bits >> 8) & 0xFFu), int((bits >> 16) & 0xFFu));
}

Colour FromQColor(const QColor &colour)
{
    const QColor rgb = colour.toRgb();
    return Colour(quint32(rgb.red()) | (quint32(rgb.green()) << 8) | (quint32(rgb.blue()) << 16));
}

QColor GreyText()
{
    return ToQColor(GreyTextColour);
}

void SetTextColour(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::ButtonText, colour);
    palette.setColor(QPalette::Text, colour);
    widget->setPalette(palette);
}

} // namespace kst
