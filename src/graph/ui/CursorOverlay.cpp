#include "graph/ui/CursorOverlay.h"

#include "common/ui/QtColour.h"

#include <QFontMetricsF>
#include <QPainter>

namespace kst {

CursorOverlay::CursorOverlay(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    ResetCoordinates();
}

QSizeF CursorOverlay::DeviceSize() const
{
    return QSizeF(qMax(1, width()), qMax(1, height()));
}

QFont CursorOverlay::CurrentFont() const
{
    QFont font(FontName());
    font.setPointSizeF(FontSize() > 0 ? FontSize() : 1);
    font.setBold(FontBold());
    return font;
}

void CursorOverlay::DeviceClear()
{
    if (shapes_.empty())
        return;
    shapes_.clear();
    update();
}

void CursorOverlay::DeviceLines(const std::vector<QPointF> &devicePoints)
{
    QPen pen(ToQColor(ForeColor()));
    pen.setWidth(DrawWidth());
    pen.setStyle(DrawStyle() == 1 ? Qt::DashLine : Qt::SolidLine);
    shapes_.push_back({devicePoints, pen, {}, {}, {}});
    update();
}

void CursorOverlay::DeviceText(QPointF topLeft, const QString &text)
{
    shapes_.push_back({{}, QPen(ToQColor(ForeColor())), topLeft, text, CurrentFont()});
    update();
}

double CursorOverlay::DeviceTextWidth(const QString &text) const
{
    return QFontMetricsF(CurrentFont(), this).horizontalAdvance(text);
}

double CursorOverlay::DeviceLineHeight() const
{
    return QFontMetricsF(CurrentFont(), this).lineSpacing();
}

double CursorOverlay::DeviceAverageCharWidth() const
{
    return QFontMetricsF(CurrentFont(), this).averageCharWidth();
}

void CursorOverlay::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    for (const Shape &shape : shapes_) {
        painter.setPen(shape.pen);
        if (!shape.points.empty()) {
            painter.drawPolyline(shape.points.data(), int(shape.points.size()));
            continue;
        }
        painter.setFont(shape.font);
        const QFontMetricsF metrics(shape.font, this);
        const QRectF area(shape.topLeft,
                          QSizeF(metrics.horizontalAdvance(shape.text), metrics.lineSpacing()));
        painter.fillRect(area.adjusted(-3, 0, 3, 0), QColor(255, 255, 240, 225));
        painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter, shape.text);
    }
}

} // namespace kst
