#pragma once

#include <QRectF>
#include <QSizeF>
#include <QtGlobal>
#include <functional>
#include <vector>

namespace kst {

class DrawingSurface;
class Module1;

// The trend graph's drawing: the sample log as a strip chart on two surfaces, the frame
// (GraphFrm: value labels on the left, time labels at the bottom) and the plot area inside it
// (GraphBox: grid and data line). The plot area's user coordinates are sample steps across
// (GraphXSpan of them) and values upwards, from the module's GraphLowY to GraphTopY.
//
// The graph keeps no data of its own: every redraw is computed from the sample log, the graph
// scale in Module1 and ViewStart.
class TrendGraph {
public:
    TrendGraph(Module1 &module, DrawingSurface &graphFrm, DrawingSurface &graphBox);

    // Index of the sample at the left edge of the last scroll or repaint redraw (the first time
    // label and the base of the point read-out), and one past the last sample it drew.
    qint32 ViewStart = 0;
    qint32 ViewEnd = 0;

    // Scroll bookkeeping after the newest sample was drawn (the window's scroll bar moves on,
    // which may redraw). Called with the new sample's index; may be empty.
    std::function<void(qint32 index)> AdvanceScroll;

    // Sets up the plot area's coordinates for the range top..low over span sample steps, draws
    // the grid and the labels. A range whose top equals its bottom gets a nominal height, with
    // that value on the middle (solid) grid line.
    void ApplyGraphScale(float top, float low, qint32 span);

    // Clears both surfaces and draws samples left .. count - 1 at x = 0, 1, 2, ... in the graph
    // unit, clipped to top..low, as one polyline. When left is beyond the last of them the
    // caller's left becomes count and only the grid and labels are drawn.
    void RedrawGraph(qint32 &left, qint32 count, float top, float low);

    // Draws the segment from the current point to the newest sample at x = index, neither
    // converted nor clipped (the next redraw puts it in place), then runs the scroll
    // bookkeeping and redraws the labels. Called while SampleCount still equals index.
    void PlotNewestSample(qint32 index, float value);

    // Clears the frame and writes the nine value labels (top to bottom) and up to six time
    // labels, for the samples 0, 20, 40, 60, 80 and 95 steps after ViewStart.
    void DrawAxisLabels(float top, float low);

    // The windowed redraw of the scroll bar at value: sets ViewStart/ViewEnd and redraws.
    void ShowScrollWindow(qint32 scrollValue);

private:
    Module1 &m_;
    DrawingSurface &frm_;
    DrawingSurface &box_;
    std::vector<QPointF> points_; // reused by every redraw
};

// Where the plot area sits inside the frame so that the labels line up with it: the nine value
// labels (printed from i * height / 9.2) centre on the eight grid lines and the top edge, the
// time labels (printed from width / 20 + m * plot width / 5) centre under every second vertical
// line, and the last time label still fits on the right. Label sizes in frame pixels.
QRectF PlotAreaGeometry(QSizeF frame, double valueLabelWidth, double valueLabelHeight,
                        double timeLabelWidth);

} // namespace kst
