#pragma once

#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QtGlobal>
#include <functional>
#include <vector>

namespace kst {

class DrawingSurface;
class SampleLog;
struct GraphScale;

// The trend graph's drawing: the sample log as a strip chart on two surfaces, the frame
// (GraphFrm: value labels on the left, time labels at the bottom) and the plot area inside it
// (GraphBox: grid and data line). The plot area's user coordinates are sample steps across
// (the scale's XSpan of them) and values upwards, from its LowY to its TopY.
//
// The graph keeps no data of its own: every redraw is computed from the sample log, the graph
// scale and ViewStart.
class TrendGraph {
public:
    TrendGraph(SampleLog &log, GraphScale &scale, DrawingSurface &graphFrm,
               DrawingSurface &graphBox);

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

    // The recording cycle's one drawing: the picture RedrawGraph(left, count) leaves, plus the
    // newest segment to the raw value of sample count at x = count when newestSegment is set,
    // and the labels when they changed. When the picture on a scrolling surface already shows
    // an earlier part of the same window (the view only advanced), it is scrolled and only the
    // new samples are drawn.
    void ShowRecordedWindow(qint32 left, qint32 count, bool newestSegment);

    // Forget what the surfaces show (they were cleared or recoloured from outside), so the next
    // drawing is a full one.
    void Invalidate();

private:
    // Clears the plot area, sets its coordinates and draws the grid.
    void ScaleAndGrid(float top, float low, qint32 span);
    // Clears and draws samples left .. count - 1 (see RedrawGraph), without the labels.
    void DrawWindow(qint32 &left, qint32 count, float top, float low);
    // Sample i in the graph unit, clipped to top..low (trims its unit as the conversion does).
    float Plotted(qint64 i, float top, float low);
    // The segment from the current point to the raw value at x = index.
    void DrawNewestSegment(qint32 index, float value);
    // The labels, redrawn only when a text, the range or the frame changed.
    void UpdateAxisLabels();

    SampleLog &log_;
    GraphScale &scale_;
    DrawingSurface &frm_;
    DrawingSurface &box_;
    std::vector<QPointF> points_; // reused by every redraw

    // What the plot area shows: samples Start .. End - 1 of the log from x = 0, drawn for this
    // range, span, unit, size and pen, and whether the newest segment follows them.
    struct Drawn {
        bool Valid = false;
        qint32 Start = 0, End = 0;
        bool Newest = false;
        qint32 NewestIndex = 0;
        float NewestValue = 0;
        float Top = 0, Low = 0;
        qint32 Span = 0;
        QString Unit;
        double Width = 0, Height = 0;
        qint32 Colour = 0;
        int PenWidth = 0;
    } drawn_;
    void NoteDrawn(qint32 start, qint32 end);
    bool SameScale() const;

    // The labels last drawn: range, frame and plot sizes, and the times of the time labels.
    struct Labels {
        bool Valid = false;
        float Top = 0, Low = 0;
        double FrameWidth = 0, FrameHeight = 0, BoxWidth = 0;
        std::vector<qint64> Times; // whole seconds of day, -1 for a slot before the log
        bool operator==(const Labels &) const = default;
    } labels_;
    // Unit lookup cache of Plotted.
    QString lastUnit_;
    QString lastGraphUnit_;
    bool unitKnown_ = false;
    double toBase_ = 0, fromBase_ = 1;
};

// Where the plot area sits inside the frame so that the labels line up with it: the nine value
// labels (printed from i * height / 9.2) centre on the eight grid lines and the top edge, the
// time labels (printed from width / 20 + m * plot width / 5) centre under every second vertical
// line, and the last time label still fits on the right. Label sizes in frame pixels.
QRectF PlotAreaGeometry(QSizeF frame, double valueLabelWidth, double valueLabelHeight,
                        double timeLabelWidth);

} // namespace kst
