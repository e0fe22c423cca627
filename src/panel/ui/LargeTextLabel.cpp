#include "panel/ui/LargeTextLabel.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QStyle>
#include <cmath>

namespace kst {

bool LargeTextLabel::PlainLine() const
{
    const QString shown = text();
    return !shown.isEmpty() && pixmap().isNull() && !wordWrap() && indent() <= 0 &&
           frameWidth() == 0 && textFormat() != Qt::RichText &&
           (textFormat() == Qt::PlainText || !Qt::mightBeRichText(shown)) &&
           !shown.contains(u'\n') && !shown.contains(u'&');
}

const QImage &LargeTextLabel::Glyph(QChar c)
{
    const auto found = glyphs_.constFind(c);
    if (found != glyphs_.cend())
        return *found;
    const QFontMetricsF metrics(font());
    const qreal ratio = look_.ratio;
    const QSizeF box(metrics.horizontalAdvance(c) + 2 * pad_, metrics.height() + 2 * pad_);
    QImage image((box * ratio).toSize() + QSize(1, 1), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setFont(font());
    painter.setPen(QColor::fromRgba(look_.colour));
    painter.drawText(QPointF(pad_, pad_ + metrics.ascent()), QString(c));
    painter.end();
    return *glyphs_.insert(c, image);
}

void LargeTextLabel::paintEvent(QPaintEvent *event)
{
    if (!PlainLine()) {
        QLabel::paintEvent(event);
        return;
    }
    const Look look{font().key(), palette().color(foregroundRole()).rgba(), devicePixelRatioF()};
    if (!(look == look_)) {
        look_ = look;
        glyphs_.clear();
        pad_ = int(std::ceil(QFontMetricsF(font()).height() / 4));
    }
    const QString shown = text();
    const QFontMetricsF metrics(font());
    const QRectF room = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    const Qt::Alignment align = QStyle::visualAlignment(layoutDirection(), alignment());
    const qreal width = metrics.horizontalAdvance(shown);
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
    const auto snap = [ratio = look.ratio](qreal v) { return std::round(v * ratio) / ratio; };
    QPainter painter(this);
    for (qsizetype i = 0; i < shown.size(); ++i) {
        const qreal at = x + metrics.horizontalAdvance(shown.left(i));
        painter.drawImage(QPointF(snap(at - pad_), snap(top - pad_)), Glyph(shown[i]));
    }
}

} // namespace kst
