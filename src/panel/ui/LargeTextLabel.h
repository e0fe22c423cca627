#pragma once

#include <QChar>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QLabel>
#include <QPoint>

namespace kst {

// A label for the reading's large digits. Glyphs above the size the text engine keeps in its
// cache are filled from their outlines at every paint, which made the digits most of a
// reading's paint; this label keeps each character's picture (for its font, colour and scale)
// and paints a line of plain text from them. Anything else a label can show (rich text, more
// lines, a picture, an indent or a frame) is painted as a label paints it.
class LargeTextLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool PlainLine() const;

    struct Glyph {
        qreal advance = 0;
        QImage ink;   // the character's inked pixels (null for a space)
        QPoint place; // the ink's top left from the character's top left, in device pixels
    };
    const Glyph &GlyphOf(QChar c);

    // What the kept glyphs were drawn for.
    QFont font_;
    QRgb colour_ = 0;
    qreal ratio_ = 0;
    QHash<QChar, Glyph> glyphs_;
};

} // namespace kst
