#pragma once

#include <QDateTime>
#include <QString>
#include <QStringView>
#include <optional>
#include <vector>

#include "common/Numbers.h"
#include "record/Markers.h"

namespace kst {

class DrawingSurface;
class SampleLog;

// The graph print window's own variables: the sample range to print and what the last preview
// drawing found in it.
struct GraphPrintState {
    qint32 PrintFirstIndex = 0;
    qint32 PrintLastIndex = 0;
    float PrintMaxValue = NoValueMarker;
    QString PrintMaxUnit;
    float PrintMinValue = NoValueMarker;
    QString PrintMinUnit;
    QString PrintUnit;
    // Samples per range page: the screen graph's span when the window opened.
    qint32 PrintSpan = 100;
};

// Label i (0 = top .. 8 = bottom) of the value axis, one step apart: "+" and the value counted
// down from the top while the top's magnitude is at least one more step above it, otherwise the
// value counted up from the low end ("+400.0" .. "0.0" .. "-400.0").
QString ValueLabelText(float top, float low, float step, int i);

// Distance below the graph's low value of the time labels and the lines under the graph: 5 value
// units at the default range of 800 units, and the same fraction of any other range, so that the
// lines stay on the page for a range such as 0 to 2.
double UnderGraphOffset(float top, float low);

// Running extremes of the preview. The kept value stays in the unit of the sample that set it;
// over-range samples (+/-4000) are skipped; NoValueMarker means "none yet". The unit texts are
// trimmed in place by the unit conversion.
void UpdatePrintMax(float &kept, QString &keptUnit, float value, QString &unit);
void UpdatePrintMin(float &kept, QString &keptUnit, float value, QString &unit);

// A sample converted to the graph's unit and limited to the value range: above top becomes top,
// then below low becomes low. Trims both unit texts in place.
float GraphPointValue(float value, QString &unit, QString &graphUnit, float top, float low);

// All text of the printed graph page: value labels in the left margin, the lines under the
// graph ("Unit:", "Max:"/"Min:", "Print Date: "), the file name above the graph and the time
// labels (which stop at the first index beyond the arrays' upper index).
void PrintGraphLabels(DrawingSurface &surface, float top, float low, qint32 span,
                      const SampleLog &log, const GraphPrintState &state, const QString &fileName,
                      const QDateTime &now);

// The curve of samples first..last inclusive, sample first at x 0, one step per sample, broken
// where the samples stop for longer than a gap, with the gaps' dashed lines and the markers that
// fall in the range drawn from top to low as the screen graph draws them. The caller makes sure
// first..last lies within the arrays (see GraphPrintRangeReadable). Leaves the line width 1.
void PrintGraphCurve(DrawingSurface &surface, SampleLog &log, QString &graphUnit, qint32 first,
                     qint32 last, float top, float low, const MarkerList *markers = nullptr);

// The curve's line width from the "Line Wide:" text: four printer dots per step, 4 .. 40 for
// "1" .. "10"; nothing when the text is not a number.
std::optional<int> PrintLineWidth(QStringView lineWidthText);

// True when a printout of the state's range reads only samples the arrays hold.
bool GraphPrintRangeReadable(const SampleLog &log, const GraphPrintState &state);

// The whole graph page on a surface whose orientation and paper are already set: coordinates,
// grid, text, curve in the given line width, document ended. span is the preview box's
// horizontal extent. The range must be readable.
struct GraphPageSource {
    SampleLog &log;
    // The graph's unit, which the conversion trims in place.
    QString &graphUnit;
    // The value range of the printout.
    float top = 400.0f;
    float low = -400.0f;
    // Named above the graph.
    QString fileName;
    // The print date under it.
    QDateTime now;
    // The recording's markers, drawn on the graph (on every strip of several meters).
    const MarkerList *markers = nullptr;
};
void PrintGraphPage(DrawingSurface &surface, const GraphPageSource &source,
                    const GraphPrintState &state, qint32 span, int lineWidth);

// Finds the state's PrintUnit (that of sample end) and the extremes of samples first..end, which
// the caller keeps within the arrays; unit texts are trimmed in place.
void FindPrintExtremes(SampleLog &log, qint32 first, qint32 end, GraphPrintState &state);

// One meter's strip of a graph printout of several meters.
struct GraphStrip {
    // Named above the strip.
    QString name;
    SampleLog &log;
    QString &graphUnit;
    float top = 400.0f;
    float low = -400.0f;
};
// Several meters on one graph page: a band down the page for each, with its grid, value labels,
// its name and "Unit:"/"Max:"/"Min:" line above it and its curve; the file name above the first
// band, the time labels (of the first meter, whose samples set the time axis) and the print date
// under the last. Every strip prints the state's index range, as far as its samples go. The
// text gets smaller and the value labels fewer as the bands get narrower.
void PrintGraphStrips(DrawingSurface &surface, const std::vector<GraphStrip> &strips,
                      const GraphPageSource &page, const GraphPrintState &state, qint32 span,
                      int lineWidth);

// The preview: GraphFrm (frame) holds the labels, GraphBox (box) the graph area.
struct GraphPreview {
    DrawingSurface &frame;
    DrawingSurface &box;
    SampleLog &log;
    QString &graphUnit;
    GraphPrintState &state;
    bool landscape = true;
    int lineWidth = 2;
    const MarkerList *markers = nullptr;
};

// Clears and draws the preview of samples first..last - 1 across span steps and finds the
// extremes and PrintUnit; nothing at all when first >= last.
void DrawPreviewGraph(GraphPreview &preview, qint32 first, qint32 last, float top, float low,
                      qint32 span);
// The box's coordinates (0..span, top at the top), its grid and the labels.
void SetPreviewScale(GraphPreview &preview, float top, float low, qint32 span);
// Value labels beside the box, time labels and the Unit/Max/Min line under it.
void DrawPreviewLabels(GraphPreview &preview, float top, float low);

// A range of sample indexes for the preview or the printout.
struct PreviewRange {
    qint32 first = 0;
    qint32 last = 0;
    qint32 span = 0;
    bool draw = true;
};

// Range at opening: first 0, last the screen graph's span lowered to the newest sample.
PreviewRange OpeningRange(qint32 graphXSpan, qint32 sampleCount);
// Range for a repaint: with "Range" the window's indexes (nothing drawn when the first is at or
// beyond the newest sample or the last not after the first), with "All Data" every sample; span
// taken before the last is lowered to the newest sample.
PreviewRange PaintRange(bool allData, qint32 printFirst, qint32 printLast, qint32 sampleCount);
// "All Data" chosen: every sample, span one less than the count.
PreviewRange AllDataRange(qint32 sampleCount);
// "Range" chosen: page 1.
PreviewRange RangeChoiceRange(qint32 sampleCount, qint32 printSpan);
// What the screen graph shows when the user zoomed or panned it: from the sample at or left of
// its left edge across as many steps as it is wide (at least one), the last lowered to the
// newest sample; draw is false when the view holds no sample of the log.
struct GraphView;
PreviewRange ViewRange(const GraphView &view, qint32 sampleCount);

// Pages start..end of printSpan samples each, from the two page boxes.
struct PageRangeChoice {
    enum class Status { Ok, StartNotNumeric, EndNotNumeric, StartBelowOne };
    Status status = Status::Ok;
    PreviewRange range;
};
// leavingStart tells which box is being left: a box that is not a number sends the focus back to
// it first, then to the other. A start page that would put the first index before the first
// sample is refused (StartBelowOne).
PageRangeChoice ChoosePageRange(QStringView startText, QStringView endText, bool leavingStart,
                                qint32 printSpan, qint32 sampleCount);

} // namespace kst
