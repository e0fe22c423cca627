#include "common/Placement.h"

#include "common/Numbers.h"

#include <algorithm>

namespace kst {

qint64 TwipsFromPixels(double pixels, double logicalDpi)
{
    return RoundHalfEven(pixels * TwipsPerInch / logicalDpi);
}

int PixelsFromTwips(double twips, double logicalDpi)
{
    return int(RoundHalfEven(twips * logicalDpi / TwipsPerInch));
}

WindowPlacement FitPlacement(const QRect &stored, const QRect &available, const QSize &minimum,
                             const QMargins &frame)
{
    const QSize frameSize(frame.left() + frame.right(), frame.top() + frame.bottom());
    const QSize room = available.size() - frameSize;
    if (stored.width() >= room.width() && stored.height() >= room.height() &&
        minimum.width() <= room.width() && minimum.height() <= room.height())
        return {available.topLeft(), room, true};
    const QSize size = stored.size().boundedTo(room).expandedTo(minimum);
    const QSize outer = size + frameSize;
    // Past the right or bottom edge: moved in, but never beyond the left or top edge.
    const int x =
        std::max(available.left(),
                 std::min(stored.x(), available.left() + available.width() - outer.width()));
    const int y =
        std::max(available.top(),
                 std::min(stored.y(), available.top() + available.height() - outer.height()));
    return {QPoint(x, y), size, false};
}

} // namespace kst
