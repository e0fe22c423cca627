#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QtGlobal>

namespace kst {

// Window placement is stored in twips, 1440 to the inch, converted with the screen's logical DPI.
inline constexpr double TwipsPerInch = 1440.0;

qint64 TwipsFromPixels(double pixels, double logicalDpi);
int PixelsFromTwips(double twips, double logicalDpi);

// Where a window goes on the screen: its frame's top-left corner and its own size inside the
// frame, or the whole free area of the screen (maximized, with `size` as the size to return to).
struct WindowPlacement {
    QPoint position;
    QSize size;
    bool maximized = false;
    friend bool operator==(const WindowPlacement &, const WindowPlacement &) = default;
};

// The stored placement (frame corner and window size, as the settings keep them) fitted into
// `available`, the screen's area without its panels, for a window with a frame of `frame` round
// it that cannot be smaller than `minimum`:
// - a window at least as large as the area in both directions fills it, maximized (a first
//   start stores the whole screen);
// - else a window too wide or too high shrinks to fit (never below its minimum), and one that
//   reaches past an edge moves in, its frame's left and top edges kept on the area first.
// A placement that fits is kept as it is.
WindowPlacement FitPlacement(const QRect &stored, const QRect &available, const QSize &minimum,
                             const QMargins &frame);

} // namespace kst
