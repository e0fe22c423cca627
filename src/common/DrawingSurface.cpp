#include "common/DrawingSurface.h"

#include <algorithm>
#include <cmath>

namespace kst {

std::vector<QPointF> PixelColumnPath(const std::vector<QPointF> &points)
{
    std::vector<QPointF> out;
    out.reserve(std::min<size_t>(points.size(), 4096));
    size_t start = 0;
    while (start < points.size()) {
        const double column = std::floor(points[start].x());
        size_t end = start + 1, low = start, high = start;
        while (end < points.size() && std::floor(points[end].x()) == column) {
            if (points[end].y() < points[low].y())
                low = end;
            if (points[end].y() > points[high].y())
                high = end;
            ++end;
        }
        if (end - start < 3) {
            out.insert(out.end(), points.begin() + qsizetype(start),
                       points.begin() + qsizetype(end));
        } else {
            const size_t first = std::min(low, high), second = std::max(low, high);
            const QPointF band[4] = {points[start], points[first],
                                     QPointF(points[first].x(), points[second].y()),
                                     points[end - 1]};
            for (const QPointF &p : band)
                if (out.empty() || out.back() != p)
                    out.push_back(p);
        }
        start = end;
    }
    return out;
}

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
    DeviceLines(PixelColumnPath(device));
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
