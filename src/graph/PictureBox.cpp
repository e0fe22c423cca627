#include "graph/PictureBox.h"

#include "graph/QtColour.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygonF>

namespace kst {

PictureBox::PictureBox(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    EnsurePicture();
}

QSizeF PictureBox::DeviceSize() const
{
    return QSizeF(qMax(1, width()), qMax(1, height()));
}

void PictureBox::EnsurePicture()
{
    const QSize size(qMax(1, width()), qMax(1, height()));
    const qreal ratio = devicePixelRatioF();
    if (!picture_.isNull() && size == pictureSize_ && ratio == picture_.devicePixelRatio())
        return;
    const bool pixelCoordinates = picture_.isNull() || (ScaleLeft() == 0 && ScaleTop() == 0 &&
                                                        ScaleWidth() == pictureSize_.width() &&
                                                        ScaleHeight() == pictureSize_.height());
    QImage fresh(size * ratio, QImage::Format_RGB32);
    fresh.setDevicePixelRatio(ratio);
    // Point sizes on the picture follow the widget's logical resolution, so text drawn on it
    // measures what the widget's font metrics say.
    const int dpiX = qMax(1, logicalDpiX());
    const int dpiY = qMax(1, logicalDpiY());
    fresh.setDotsPerMeterX(qRound(dpiX / 0.0254));
    fresh.setDotsPerMeterY(qRound(dpiY / 0.0254));
    fresh.fill(ToQColor(backColor_));
    if (!picture_.isNull()) {
        QPainter painter(&fresh);
        painter.drawImage(QPointF(0, 0), picture_);
    }
    picture_ = fresh;
    pictureSize_ = size;
    if (pixelCoordinates)
        ResetCoordinates();
}

const QImage &PictureBox::Picture() const
{
    EnsurePicture();
    return picture_;
}

void PictureBox::SetBackColor(Colour colour)
{
    backColor_ = colour;
    EnsurePicture();
    picture_.fill(ToQColor(colour));
    update();
}

void PictureBox::DeviceClear()
{
    EnsurePicture();
    picture_.fill(ToQColor(backColor_));
    update();
}

namespace {

Qt::PenStyle PenStyleFor(int drawStyle)
{
    switch (drawStyle) {
    case 1:
        return Qt::DashLine;
    case 2:
        return Qt::DotLine;
    case 3:
        return Qt::DashDotLine;
    case 4:
        return Qt::DashDotDotLine;
    case 5:
        return Qt::NoPen;
    default:
        return Qt::SolidLine;
    }
}

} // namespace

void PictureBox::DeviceLines(const std::vector<QPointF> &devicePoints)
{
    if (devicePoints.empty())
        return;
    EnsurePicture();
    QPainter painter(&picture_);
    QPen pen(ToQColor(ForeColor()));
    pen.setWidth(DrawWidth());
    pen.setStyle(PenStyleFor(DrawStyle()));
    pen.setCapStyle(Qt::SquareCap);
    painter.setPen(pen);

    bool allSame = true;
    for (const QPointF &p : devicePoints)
        allSame = allSame && p == devicePoints.front();
    if (allSame) {
        // A line that starts where it ends leaves a dot, as a pen touching the paper does.
        painter.drawPoint(devicePoints.front());
        update();
        return;
    }
    // Grid lines (straight along an axis, often dotted) stay crisp; the data curve is smoothed.
    const bool axisLine = devicePoints.size() == 2 && (devicePoints[0].x() == devicePoints[1].x() ||
                                                       devicePoints[0].y() == devicePoints[1].y());
    painter.setRenderHint(QPainter::Antialiasing, !axisLine && pen.style() == Qt::SolidLine);
    painter.drawPolyline(devicePoints.data(), int(devicePoints.size()));
    update();
}

const QFont &PictureBox::CurrentFont() const
{
    if (FontName() != fontKeyName_ || FontSize() != fontKeySize_ || FontBold() != fontKeyBold_) {
        fontKeyName_ = FontName();
        fontKeySize_ = FontSize();
        fontKeyBold_ = FontBold();
        font_ = QFont(fontKeyName_);
        font_.setPointSizeF(fontKeySize_ > 0 ? fontKeySize_ : 1);
        font_.setBold(fontKeyBold_);
    }
    return font_;
}

void PictureBox::DeviceText(QPointF topLeft, const QString &text)
{
    EnsurePicture();
    QPainter painter(&picture_);
    painter.setFont(CurrentFont());
    painter.setPen(ToQColor(ForeColor()));
    const QFontMetricsF metrics(CurrentFont(), &picture_);
    painter.drawText(QPointF(topLeft.x(), topLeft.y() + metrics.ascent()), text);
    update();
}

double PictureBox::DeviceTextWidth(const QString &text) const
{
    EnsurePicture();
    return QFontMetricsF(CurrentFont(), &picture_).horizontalAdvance(text);
}

double PictureBox::DeviceLineHeight() const
{
    EnsurePicture();
    return QFontMetricsF(CurrentFont(), &picture_).lineSpacing();
}

double PictureBox::DeviceAverageCharWidth() const
{
    EnsurePicture();
    return QFontMetricsF(CurrentFont(), &picture_).averageCharWidth();
}

void PictureBox::paintEvent(QPaintEvent *)
{
    EnsurePicture();
    QPainter painter(this);
    painter.drawImage(QPointF(0, 0), picture_);
}

void PictureBox::resizeEvent(QResizeEvent *)
{
    EnsurePicture();
    emit Resized();
}

void PictureBox::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        leftPressed_ = true;
    QWidget::mousePressEvent(event);
}

void PictureBox::mouseReleaseEvent(QMouseEvent *event)
{
    const QPointF pos = event->position();
    const double x = ScaleLeft() + DeviceToUserX(pos.x());
    const double y = ScaleTop() + DeviceToUserY(pos.y());
    emit MouseUp(event->button(), event->modifiers(), x, y);
    const bool click =
        event->button() == Qt::LeftButton && leftPressed_ && rect().contains(pos.toPoint());
    if (event->button() == Qt::LeftButton)
        leftPressed_ = false;
    if (click)
        emit Click();
}

} // namespace kst
