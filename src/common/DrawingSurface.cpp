#include "common/DrawingSurface.h"

#include <cmath>

namespace kst {

void DrawingSurface::Scale(double x1, double y1, double x2, double y2)
{
    scaleLeft_ = x1;
    scaleTop_ = y1;
    scaleWidth_ = x2 - x1;
    scaleHeight_ = y2 - y1;
}

void DrawingSurface::ScaleToDevice()
{
    const QSizeF size = DeviceSize();
    Scale(0, 0, size.width(), size.height());
}

QPointF DrawingSurface::ToDevice(double x, double y) const
{
    const QSizeF size = DeviceSize();
    // A zero extent (a range whose top equals its bottom) puts every point on the first edge
    // instead of dividing by zero.
    const double dx = scaleWidth_ == 0 ? 0 : (x - scaleLeft_) * size.width() / scaleWidth_;
    const double dy = scaleHeight_ == 0 ? 0 : (y - scaleTop_) * size.height() / scaleHeight_;
    return {dx, dy};
}

void DrawingSurface::Cls()
{
    DeviceClear();
    currentX_ = scaleLeft_;
    currentY_ = scaleTop_;
}

void DrawingSurface::Line(double x1, double y1, double x2, double y2)
{
    DeviceLines({ToDevice(x1, y1), ToDevice(x2, y2)});
    currentX_ = x2;
    currentY_ = y2;
}

void DrawingSurface::PolylineTo(const std::vector<QPointF> &points)
{
    if (points.empty())
        return;
    std::vector<QPointF> device;
    device.reserve(points.size() + 1);
    device.push_back(ToDevice(currentX_, currentY_));
    for (const QPointF &p : points)
        device.push_back(ToDevice(p.x(), p.y()));
    DeviceLines(device);
    currentX_ = points.back().x();
    currentY_ = points.back().y();
}

void DrawingSurface::PrintText(const QString &text)
{
    DeviceText(ToDevice(currentX_, currentY_), text);
    currentX_ += TextWidth(text);
}

void DrawingSurface::NextZone()
{
    const double zone = DeviceToUserX(DeviceAverageCharWidth() * ZoneColumns);
    if (zone == 0)
        return;
    // Small tolerance so a position exactly on a zone start steps to the next one.
    const double zones = std::floor((currentX_ - scaleLeft_) / zone + 1e-9);
    currentX_ = scaleLeft_ + (zones + 1) * zone;
}

void DrawingSurface::EndLine()
{
    currentX_ = scaleLeft_;
    currentY_ += TextHeight();
}

double DrawingSurface::TextWidth(const QString &text) const
{
    return DeviceToUserX(DeviceTextWidth(text));
}

double DrawingSurface::TextHeight() const
{
    return DeviceToUserY(DeviceLineHeight());
}

} // namespace kst
