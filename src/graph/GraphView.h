#pragma once

#include <QRectF>
#include <QtGlobal>

namespace kst {

// A stretch of the time axis the user zoomed or panned to: the sample step at the left edge
// (between two samples when panned by less than a step) and the sample steps across the width.
struct TimeWindow {
    double First = 0;
    double Span = 100;
    bool operator==(const TimeWindow &) const = default;
};

// A value range the user zoomed or panned to: the values at the top and bottom edges.
struct ValueRange {
    float Top = 400.0f;
    float Low = -400.0f;
    bool operator==(const ValueRange &) const = default;
};

// What the graph shows across its plot area, zoomed or not: sample steps from First over Span,
// values from Top down to Low. The print windows take it to print what is on screen.
struct GraphView {
    double First = 0;
    double Span = 100;
    float Top = 400.0f;
    float Low = -400.0f;

    // The first and the last sample the view reaches: the one at or left of the left edge (never
    // before sample 0) and the one at or right of the right edge.
    qint32 FirstIndex() const;
    qint32 LastIndex() const;
    TimeWindow Time() const { return {First, Span}; }
    ValueRange Values() const { return {Top, Low}; }
    bool operator==(const GraphView &) const = default;
};

// The fewest sample steps across the width, and the most for a log of count samples (all of it
// and a quarter more, at least the graph's usual 100).
inline constexpr double MinViewSpan = 4;
double MaxViewSpan(qint32 sampleCount);
// The narrowest value range (the labels show a thousandth per grid step) and the widest.
inline constexpr double MinViewHeight = 0.008;
inline constexpr double MaxViewHeight = 1e7;

// Zooms the time axis by factor (below 1 in, above 1 out), keeping the sample at `at` of the
// width (0 the left edge, 1 the right) where it is.
GraphView ZoomTime(GraphView view, double factor, double at, qint32 sampleCount);
// Zooms the value axis by factor, keeping the value at `at` of the height (0 the top edge, 1 the
// bottom) where it is.
GraphView ZoomValues(GraphView view, double factor, double at);
// Moves the picture by dx of the width and dy of the height, as it follows a dragging pointer
// (right and down are positive); the values move only when moveValues.
GraphView PanView(GraphView view, double dx, double dy, bool moveValues, qint32 sampleCount);
// Zooms to a box drawn on the plot, in fractions of the width and height from the top left.
GraphView ZoomToBox(GraphView view, const QRectF &box, qint32 sampleCount);
// The time window kept within the limits: its span between MinViewSpan and MaxViewSpan, and at
// least half the width on samples of the log (or the whole log within it).
GraphView KeepInLog(GraphView view, qint32 sampleCount);

} // namespace kst
