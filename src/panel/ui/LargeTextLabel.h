#pragma once

#include <QChar>
#include <QHash>
#include <QImage>
#include <QLabel>

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
    // The picture of character c drawn at (Pad, Pad + ascent) in a box of its advance.
    const QImage &Glyph(QChar c);

    struct Look {
        QString font;
        QRgb colour = 0;
        qreal ratio = 0;
        bool operator==(const Look &) const = default;
    };
    Look look_;
    QHash<QChar, QImage> glyphs_;
    int pad_ = 0; // room around a glyph for what reaches past its advance, in pixels
};

} // namespace kst
