#pragma once

#include <QChar>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QLabel>
#include <QPoint>

namespace kst {

// A label for texts that change with every reading (the reading's large digits, the
// statistics, the sample count). It keeps each character's picture (for its font, colour and
// scale) and paints a line of plain text from them, without laying the text out again: glyphs
// above the size the text engine caches were filled from their outlines at every paint, and a
// new text of any size was shaped anew. Characters stand at their advances (these texts have
// no kerning to speak of). Anything else a label can show (rich text, more lines, a picture, an
// indent or a frame) is painted as a label paints it.
class GlyphLabel : public QLabel {
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
