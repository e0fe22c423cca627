#pragma once

#include "common/DrawingSurface.h"
#include "graph/GraphView.h"
#include "record/Markers.h"

#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QtGlobal>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace kst {

class SampleLog;
struct GraphScale;

// What the graph draws besides the data line: a gap (a dashed grey line between the samples where
// the line breaks), a marker (a green line at its sample with its note at the top) and the faint
// line of a saved recording under the data line.
inline constexpr Colour GapColour = 0x707070;
inline constexpr Colour MarkerColour = 0x008000;

// The trend graph's drawing: the sample log as a strip chart on two surfaces, the frame
// (GraphFrm: value labels on the left, time labels at the bottom) and the plot area inside it
// (GraphBox: grid and data line). The plot area's user coordinates are sample steps across
// (the scale's XSpan of them) and values upwards, from its LowY to its TopY.
//
// The graph keeps no data of its own: every redraw is computed from the sample log, the graph
// scale and ViewStart, or from the user's zoom.
//
// The line breaks where the samples stop for longer than a gap (Gaps.h), whatever the zoom.
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

    // The user's zoom. A time window of its own takes the graph off the scroll bar: it neither
    // follows the scroll bar nor moves on with the recording (a new sample inside it is drawn
    // where it falls). A value range of its own replaces the scale's. With neither the graph
    // draws as it always has. Takes effect at the next drawing.
    void SetZoom(std::optional<TimeWindow> time, std::optional<ValueRange> values);
    const std::optional<TimeWindow> &TimeZoom() const { return timeZoom_; }
    const std::optional<ValueRange> &ValueZoom() const { return valueZoom_; }
    // The value range drawn: the user's, else the scale's.
    float Top() const;
    float Low() const;
    // What the plot shows: the zoom's window, or ViewStart over the plot's sample steps.
    GraphView View() const;

    // The zoomed window's drawing: grid, the saved recording, the line, gaps, markers, labels.
    // The whole time axis of a log of a million samples is drawn column by column, each run of
    // samples in a pixel column reduced to its first, lowest, highest and last point.
    void ShowZoomedWindow();

    // The user's markers, drawn at the first sample at or after their time; and a saved
    // recording drawn faint in overlayColour under the line, its first sample at the log's first.
    // Null for none; what is set must live while it is set. Take effect at the next drawing.
    void SetMarkers(const MarkerList *markers);
    void SetOverlay(const SampleLog *overlay, Colour overlayColour);
    const SampleLog *Overlay() const { return overlay_; }

private:
    // Clears the plot area, sets its coordinates and draws the grid; the left edge at x = left.
    void ScaleAndGrid(float top, float low, double span, double left = 0);
    // Draws samples first .. end - 1 of the log continuing from the current point at x = i -
    // origin, in the graph unit clipped to top..low, the line broken at gaps; the x of each gap
    // (halfway between its samples) is added to gaps. When the current point is sample first -
    // 1's, continues breaks the line at a gap before sample first too.
    void DrawRun(qint64 first, qint64 end, qint64 origin, float top, float low,
                 std::vector<double> &gaps, bool continues);
    // The gaps' lines, then the markers that fall from sample first to last, at x = i - origin;
    // the pen and the current point are left as they were.
    void DrawMarks(const std::vector<double> &gaps, qint64 first, qint64 last, qint64 origin);
    // The saved recording's samples first .. end - 1, faint, at x = i - origin.
    void DrawOverlay(qint64 first, qint64 end, qint64 origin, float top, float low);
    // Samples first .. end - 1 of a log reduced per pixel column (see ShowZoomedWindow), each
    // run between gaps as one polyline.
    void DrawTrace(const SampleLog &log, qint64 first, qint64 end, qint64 origin, float top,
                   float low, std::vector<double> *gaps);
    // A marker's index in the log would put it in the window from sample left on.
    bool MarkersFrom(qint32 left) const;
    // The recording cycle with a time zoom: the newest sample drawn where it falls in the window.
    void ShowNewestZoomed(qint32 index);
    // The samples the time labels show, label by label (-1 for a label left empty); the list
    // ends where the labels end.
    std::vector<qint64> TimeLabelSamples() const;
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
    std::vector<double> gaps_;    // likewise
    std::optional<TimeWindow> timeZoom_;
    std::optional<ValueRange> valueZoom_;
    double unzoomedWidth_ = 100;
    const MarkerList *markers_ = nullptr;
    const SampleLog *overlay_ = nullptr;
    Colour overlayColour_ = 0xC0C0C0;

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

// The gaps between samples first .. last of a log, at x = i - origin halfway between the samples
// of each; and the gaps' lines and the markers that fall from sample first to last drawn on a
// surface in its coordinates (the plot's, or a printed graph's), as the trend graph draws them:
// from the top to the bottom of the surface's scale, or between the values given (a printed
// graph's area within its margins). The pen, font and current point are left as they were.
std::vector<double> GapsBetween(const SampleLog &log, qint64 first, qint64 last, qint64 origin);
void DrawGraphMarks(DrawingSurface &surface, const SampleLog &log, const MarkerList *markers,
                    const std::vector<double> &gaps, qint64 first, qint64 last, qint64 origin,
                    std::optional<std::pair<double, double>> topBottom = std::nullopt);

// Where the plot area sits inside the frame so that the labels line up with it: the nine value
// labels (printed from i * height / 9.2) centre on the eight grid lines and the top edge, the
// time labels (printed from width / 20 + m * plot width / 5) centre under every second vertical
// line, and the last time label still fits on the right. Label sizes in frame pixels.
QRectF PlotAreaGeometry(QSizeF frame, double valueLabelWidth, double valueLabelHeight,
                        double timeLabelWidth);

} // namespace kst
