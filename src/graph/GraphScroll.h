#pragma once

#include <QDateTime>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QtGlobal>
#include <limits>

namespace kst {

class SampleLog;

// The arithmetic of the graph's horizontal scroll bar and of the point read-out. The scroll bar's
// value is the index of the first visible sample whenever the log is longer than the window; its
// maximum starts at 100. It is not held to 16 bits: a recording of hours (a sample every quarter
// second passes 32,767 samples in about two hours) must stay scrollable to its end.
inline constexpr qint32 ScrollInitialMaximum = 100;
inline constexpr qint32 ScrollMaximumLimit = std::numeric_limits<qint32>::max() - 5;

struct ScrollPosition {
    qint32 Value = 0;
    qint32 Maximum = ScrollInitialMaximum;
    bool operator==(const ScrollPosition &) const = default;
};

// The recording cycle's bookkeeping for the sample just stored at index, in a window width
// sample steps wide that starts at the scroll value: once the sample comes within 5 steps of
// the right edge (or beyond it) the view moves on by one sample, and when the value already
// sits at the maximum the maximum first grows by 5 (never past ScrollMaximumLimit). Returns
// true when the value changed.
bool AdvanceGraphScroll(ScrollPosition &scroll, double width, qint32 index);

// The samples a scroll redraw shows: [Start, End).
struct ViewWindow {
    qint32 Start = 0;
    qint32 End = 0;
    bool operator==(const ViewWindow &) const = default;
};

// With more samples than fit the width, the window starts at the scroll value and is width
// samples long (cut at the last sample); otherwise it is the whole log from 0.
ViewWindow ScrollViewWindow(qint32 value, double width, qint32 sampleCount);

// Where the scroll bar goes when recording starts with sampleCount samples already in the log:
// near its end, so the newest samples show about 5 steps from the right edge with room to move
// on; from the start when the log still fits. The maximum is at least 100.
ScrollPosition RecordingStartPosition(ScrollPosition scroll, double width, qint32 sampleCount);

// The scroll maximum after a file was loaded: large enough to reach the last sample (within the
// 16-bit limit), never smaller than before.
qint32 MaximumAfterLoad(qint32 maximum, qint32 sampleCount);

// The point read-out of a click at graph x in the window starting at viewStart: the click's
// whole-number x (halves to the even neighbour) and the sample index it reads.
qint32 ClickSampleOffset(double x);

// Texts of the read-out window for the sample at index: its value with its own decimals, its
// unit and its time of day; "NO DATA", no unit and the current date and time when there is no
// sample there.
struct PointReadout {
    QString Value;
    QString Unit;
    QString Time;
};
PointReadout ReadoutFor(const SampleLog &log, qint64 index, const QDateTime &now);

// Top-left corner of the read-out window, in twips on the screen, given the graph frame's
// rectangle in twips on the screen: on the side away from the click (left for clicks at x >= 50,
// else right), at the bottom for clicks above the value 0, else at the top.
QPointF ReadoutPlacement(const QRectF &frameTwips, qint32 clickX, float clickY);

} // namespace kst
