#include "common/ui/GlyphLabel.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QStyle>
#include <cmath>

namespace kst {

bool GlyphLabel::PlainLine() const
{
    const QString shown = text();
    return !shown.isEmpty() && pixmap().isNull() && !wordWrap() && indent() <= 0 &&
           frameWidth() == 0 && textFormat() != Qt::RichText &&
           (textFormat() == Qt::PlainText || !Qt::mightBeRichText(shown)) &&
           !shown.contains(u'\n') && !shown.contains(u'&');
}

const GlyphLabel::Glyph &GlyphLabel::GlyphOf(QChar c)
{
    const auto found = glyphs_.constFind(c);
    if (found != glyphs_.cend())
        return *found;
    const QFontMetricsF metrics(font_);
    Glyph glyph;
    glyph.advance = metrics.horizontalAdvance(c);
    // Drawn with room around it for what reaches past its advance, then cut to its ink.
    const int pad = int(std::ceil(metrics.height() / 4));
    const QSizeF box(glyph.advance + 2 * pad, metrics.height() + 2 * pad);
    QImage image((box * ratio_).toSize() + QSize(1, 1), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio_);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setFont(font_);
    painter.setPen(QColor::fromRgba(colour_));
    painter.drawText(QPointF(pad, pad + metrics.ascent()), QString(c));
    painter.end();
    QRect ink;
    for (int y = 0; y < image.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(row[x]) != 0)
                ink |= QRect(x, y, 1, 1);
    }
    if (!ink.isEmpty()) {
        glyph.ink = image.copy(ink);
        glyph.ink.setDevicePixelRatio(ratio_);
        glyph.place =
            ink.topLeft() - QPoint(int(std::lround(pad * ratio_)), int(std::lround(pad * ratio_)));
    }
    return *glyphs_.insert(c, glyph);
}

void GlyphLabel::paintEvent(QPaintEvent *event)
{
    if (!PlainLine()) {
        QLabel::paintEvent(event);
        return;
    }
    const QRgb colour = palette().color(foregroundRole()).rgba();
    const qreal ratio = devicePixelRatioF();
    if (font() != font_ || colour != colour_ || ratio != ratio_) {
        font_ = font();
        colour_ = colour;
        ratio_ = ratio;
        glyphs_.clear();
    }
    const QString shown = text();
    qreal width = 0;
    for (const QChar c : shown)
        width += GlyphOf(c).advance;
    const QFontMetricsF metrics(font_);
    const QRectF room = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    const Qt::Alignment align = QStyle::visualAlignment(layoutDirection(), alignment());
    qreal x = room.left();
    if (align & Qt::AlignRight)
        x = room.right() - width; // a QRectF's right is its left plus its width
    else if (align & Qt::AlignHCenter)
        x = room.left() + (room.width() - width) / 2;
    qreal top = room.top();
    if (align & Qt::AlignBottom)
        top = room.bottom() - metrics.height();
    else if (align & Qt::AlignVCenter)
        top = room.top() + (room.height() - metrics.height()) / 2;
    // Each character at its place in the line, on whole device pixels.
    QPainter painter(this);
    const int y = int(std::lround(top * ratio));
    for (const QChar c : shown) {
        const Glyph &glyph = GlyphOf(c);
        if (!glyph.ink.isNull()) {
            const QPoint at = QPoint(int(std::lround(x * ratio)), y) + glyph.place;
            painter.drawImage(QPointF(at) / ratio, glyph.ink);
        }
        x += glyph.advance;
    }
}

} // namespace kst
