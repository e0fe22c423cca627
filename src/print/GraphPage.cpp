#include "print/GraphPage.h"

#include "common/DateTimeText.h"
#include "common/DrawingSurface.h"
#include "common/GraphGrid.h"
#include "common/PrinterPage.h"
#include "graph/GraphView.h"
#include "graph/TrendGraph.h"
#include "record/Gaps.h"
#include "record/SampleLog.h"
#include "record/UnitConversion.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace kst {

namespace {

qint32 ToIndex(qint64 value)
{
    return qint32(std::clamp<qint64>(value, -0x7fffffffLL, 0x7fffffffLL));
}

bool HoldsIndex(const SampleLog &log, qint64 index)
{
    return index >= 0 && index <= log.UpperIndex();
}

QString ExtremeText(float value)
{
    return FormatSingle(value, u"###0.0##");
}

// Six time labels under the graph, in 8 point, stopping at the first index beyond the arrays.
void PrintTimeLabels(DrawingSurface &surface, const SampleLog &log, const GraphPrintState &state,
                     double underGraph)
{
    surface.SetFontSize(8);
    const double w = surface.ScaleWidth();
    for (int k = 0; k <= 5; ++k) {
        const qint64 index = qint64(state.PrintFirstIndex) + RoundHalfEven(w * 3 * k / 20);
        if (!HoldsIndex(log, index))
            break;
        surface.SetCurrentY(underGraph);
        surface.SetCurrentX(w * 4.8 * k / 32);
        surface.Print(SystemTimeText(log.SampleTime(qint32(index))));
    }
}

// Strokes samples first..end (x 0 for first) with the values point(i) gives, a separate line
// between each two gaps.
template <typename Point>
void StrokeBrokenAtGaps(DrawingSurface &surface, const SampleLog &log, qint32 first, qint32 end,
                        Point point)
{
    std::vector<QPointF> points;
    if (end >= first)
        points.reserve(size_t(end - first) + 1);
    qint64 before = 0;
    for (qint32 i = first; i <= end; ++i) {
        const qint64 wall = log.SampleWallMs(i);
        if (i > first && IsGap(before, wall)) {
            surface.PolylineTo(points);
            points.clear();
            surface.SetCurrentX(double(i - first));
            surface.SetCurrentY(point(i));
        }
        before = wall;
        points.emplace_back(double(i - first), point(i));
    }
    surface.PolylineTo(points);
}

} // namespace

QString ValueLabelText(float top, float low, float step, int i)
{
    if (std::fabs(top) - float(i) * step >= step)
        return QStringLiteral("+") + FormatSingle(top - float(i) * step, u"####0.0##");
    return FormatSingle(low + float(8 - i) * step, u"####0.0##");
}

double UnderGraphOffset(float top, float low)
{
    return std::fabs(double(top) - double(low)) * 5.0 / 800.0;
}

void UpdatePrintMax(float &kept, QString &keptUnit, float value, QString &unit)
{
    if (IsOverRangeValue(value))
        return;
    if (kept == NoValueMarker) {
        kept = value;
        keptUnit = unit;
        return;
    }
    if (value > NormalizeUnitValue(kept, keptUnit, unit)) {
        kept = value;
        keptUnit = unit;
    }
}

void UpdatePrintMin(float &kept, QString &keptUnit, float value, QString &unit)
{
    if (IsOverRangeValue(value))
        return;
    if (kept == NoValueMarker) {
        kept = value;
        keptUnit = unit;
        return;
    }
    if (value < NormalizeUnitValue(kept, keptUnit, unit)) {
        kept = value;
        keptUnit = unit;
    }
}

float GraphPointValue(float value, QString &unit, QString &graphUnit, float top, float low)
{
    float v = NormalizeUnitValue(value, unit, graphUnit);
    if (v > top)
        v = top;
    if (v < low)
        v = low;
    return v;
}

void PrintGraphLabels(DrawingSurface &surface, float top, float low, qint32 span,
                      const SampleLog &log, const GraphPrintState &state, const QString &fileName,
                      const QDateTime &now)
{
    surface.SetFontSize(10);
    surface.SetFontBold(true);

    const float step = std::fabs(top - low) * 3.0f / 24.0f;
    for (int i = 0; i <= 8; ++i) {
        surface.SetCurrentX(-double(span) / 8 + double(span) / 32);
        surface.SetCurrentY(double(top) - i * double(step) + double(step) / 9);
        surface.Print(ValueLabelText(top, low, step, i));
    }

    const double underGraph = double(low) - UnderGraphOffset(top, low);
    surface.SetCurrentY(underGraph);
    surface.EndLine();
    surface.EndLine();
    surface.SetCurrentX(0);
    surface.PrintText(QStringLiteral("Unit:  "));
    surface.Print(state.PrintUnit);
    surface.PrintText(QStringLiteral("Max:  "));
    surface.PrintText(ExtremeText(state.PrintMaxValue));
    surface.NextZone();
    surface.PrintText(QStringLiteral("Min:  "));
    surface.Print(ExtremeText(state.PrintMinValue));
    surface.PrintText(QStringLiteral("Print Date: "));
    surface.Print(StampText(now));

    surface.SetCurrentY(double(top) - surface.ScaleHeight() / 16);
    surface.SetCurrentX(0);
    const auto width = [&surface](const QString &text) { return surface.TextWidth(text); };
    surface.Print(ElideMiddle(fileName, surface.ScaleLeft() + surface.ScaleWidth(), width));

    PrintTimeLabels(surface, log, state, underGraph);
    surface.SetFontSize(9);
}

void PrintGraphCurve(DrawingSurface &surface, SampleLog &log, QString &graphUnit, qint32 first,
                     qint32 last, float top, float low, const MarkerList *markers)
{
    if (!HoldsIndex(log, first))
        return;
    const qint32 end = std::min(last, log.UpperIndex());
    surface.SetCurrentX(0);
    // The conversion trims a stored unit text in place.
    const auto point = [&](qint32 i) {
        QString unit = log.SampleUnit(i);
        const float y = GraphPointValue(log.SampleValue(i), unit, graphUnit, top, low);
        if (unit != log.SampleUnit(i))
            log.SetSampleUnit(i, unit);
        return y;
    };
    surface.SetCurrentY(point(first));
    StrokeBrokenAtGaps(surface, log, first, end, point);
    surface.SetDrawWidth(1);
    DrawGraphMarks(surface, log, markers, GapsBetween(log, first, end, first), first, end, first,
                   std::pair<double, double>(top, low));
}

std::optional<int> PrintLineWidth(QStringView lineWidthText)
{
    const std::optional<double> number = ParseNumber(lineWidthText);
    if (!number)
        return std::nullopt;
    const qint64 width = RoundHalfEven(*number * 4);
    if (width < -32768 || width > 32767) // a 16-bit line width
        return std::nullopt;
    return int(width);
}

bool GraphPrintRangeReadable(const SampleLog &log, const GraphPrintState &state)
{
    if (!HoldsIndex(log, state.PrintFirstIndex))
        return false;
    return state.PrintLastIndex < state.PrintFirstIndex || state.PrintLastIndex <= log.UpperIndex();
}

void PrintGraphPage(DrawingSurface &surface, const GraphPageSource &source,
                    const GraphPrintState &state, qint32 span, int lineWidth)
{
    const float top = source.top;
    const float low = source.low;
    PreparePrinterPage(surface, top, low, span);
    DrawPrinterGrid(surface);
    PrintGraphLabels(surface, top, low, span, source.log, state, source.fileName, source.now);
    surface.SetDrawWidth(lineWidth);
    PrintGraphCurve(surface, source.log, source.graphUnit, state.PrintFirstIndex,
                    state.PrintLastIndex, top, low, source.markers);
    surface.SetDrawWidth(1);
    surface.EndDoc();
}

void FindPrintExtremes(SampleLog &log, qint32 first, qint32 end, GraphPrintState &state)
{
    state.PrintMaxValue = NoValueMarker;
    state.PrintMinValue = NoValueMarker;
    state.PrintMaxUnit = log.SampleUnit(first);
    state.PrintMinUnit = state.PrintMaxUnit;
    state.PrintUnit = log.SampleUnit(end);
    for (qint32 i = first; i <= end; ++i) {
        QString unit = log.SampleUnit(i);
        const float value = log.SampleValue(i);
        UpdatePrintMax(state.PrintMaxValue, state.PrintMaxUnit, value, unit);
        UpdatePrintMin(state.PrintMinValue, state.PrintMinUnit, value, unit);
        if (unit != log.SampleUnit(i))
            log.SetSampleUnit(i, unit);
    }
}

namespace {

// Text size and how many value labels fit a band: all nine for one or two bands, then every
// other, then top, middle and bottom.
struct StripText {
    double fontSize;
    int labelEvery;
};
StripText StripTextFor(size_t bands)
{
    if (bands <= 2)
        return {9, 1};
    if (bands <= 4)
        return {7, 2};
    return {5, 4};
}

void PrintStrip(DrawingSurface &surface, const GraphStrip &strip, size_t band, size_t bands,
                const GraphPrintState &range, qint32 span, int lineWidth, const MarkerList *markers)
{
    const float top = strip.top;
    const float low = strip.low;
    PreparePrinterBand(surface, top, low, span, int(band), int(bands));
    DrawPrinterGridBetween(surface, top, low);
    const StripText text = StripTextFor(bands);
    surface.SetFontSize(text.fontSize);
    surface.SetFontBold(true);
    const float step = std::fabs(top - low) / 8.0f;
    for (int i = 0; i <= 8; i += text.labelEvery) {
        surface.SetCurrentX(-double(span) / 8 + double(span) / 32);
        surface.SetCurrentY(double(top) - i * double(step) - surface.TextHeight() / 2);
        surface.Print(ValueLabelText(top, low, step, i));
    }

    // A meter with fewer samples than the range prints the ones it recorded.
    GraphPrintState found = range;
    const qint32 first = range.PrintFirstIndex;
    const qint32 end = std::min(range.PrintLastIndex, strip.log.SampleCount - 1);
    if (first >= 0 && end >= first)
        FindPrintExtremes(strip.log, first, end, found);
    surface.SetCurrentX(0);
    surface.SetCurrentY(double(top) - surface.TextHeight());
    surface.PrintText(strip.name);
    // The unit in one column under another, unless a long name pushes it along.
    surface.SetCurrentX(
        std::max(surface.CurrentX() + surface.TextWidth(QStringLiteral("  ")), double(span) / 8));
    surface.PrintText(QStringLiteral("Unit:  ") + found.PrintUnit);
    surface.NextZone();
    surface.PrintText(QStringLiteral("Max:  ") + ExtremeText(found.PrintMaxValue));
    surface.NextZone();
    surface.PrintText(QStringLiteral("Min:  ") + ExtremeText(found.PrintMinValue));

    surface.SetDrawWidth(lineWidth);
    if (first >= 0 && end >= first)
        PrintGraphCurve(surface, strip.log, strip.graphUnit, first, end, top, low, markers);
    surface.SetDrawWidth(1);
}

} // namespace

void PrintGraphStrips(DrawingSurface &surface, const std::vector<GraphStrip> &strips,
                      const GraphPageSource &page, const GraphPrintState &state, qint32 span,
                      int lineWidth)
{
    for (size_t band = 0; band < strips.size(); ++band) {
        PrintStrip(surface, strips[band], band, strips.size(), state, span, lineWidth,
                   page.markers);
        const float top = strips[band].top;
        const float low = strips[band].low;
        if (band == 0) {
            surface.SetFontSize(StripTextFor(strips.size()).fontSize + 1);
            surface.SetCurrentX(0);
            surface.SetCurrentY(double(top) - 3 * surface.TextHeight());
            const auto width = [&surface](const QString &text) { return surface.TextWidth(text); };
            surface.Print(
                ElideMiddle(page.fileName, surface.ScaleLeft() + surface.ScaleWidth(), width));
        }
        if (band + 1 < strips.size())
            continue;
        const double underGraph = double(low) - UnderGraphOffset(top, low);
        PrintTimeLabels(surface, strips.front().log, state, underGraph);
        surface.SetCurrentY(underGraph);
        surface.EndLine();
        surface.SetCurrentX(0);
        surface.PrintText(QStringLiteral("Print Date: "));
        surface.Print(StampText(page.now));
    }
    surface.SetFontSize(9);
    surface.EndDoc();
}

void DrawPreviewGraph(GraphPreview &preview, qint32 first, qint32 last, float top, float low,
                      qint32 span)
{
    SampleLog &log = preview.log;
    GraphPrintState &state = preview.state;
    if (first >= last || !HoldsIndex(log, first))
        return;
    preview.frame.Cls();
    preview.box.Cls();
    SetPreviewScale(preview, top, low, span);

    DrawingSurface &box = preview.box;
    box.SetForeColor(Red);
    box.SetDrawWidth(preview.lineWidth);
    box.SetCurrentX(0);
    // The stroke starts at the raw first value, as the screen graph does.
    box.SetCurrentY(log.SampleValue(first));
    const qint32 end = std::min(last - 1, log.UpperIndex());
    FindPrintExtremes(log, first, end, state);

    StrokeBrokenAtGaps(box, log, first, end, [&](qint32 i) {
        QString unit = log.SampleUnit(i);
        const float y = GraphPointValue(log.SampleValue(i), unit, preview.graphUnit, top, low);
        if (unit != log.SampleUnit(i)) // the conversion trims a stored unit text in place
            log.SetSampleUnit(i, unit);
        return y;
    });
    box.SetForeColor(Black);
    box.SetDrawWidth(1);
    DrawGraphMarks(box, log, preview.markers, GapsBetween(log, first, end, first), first, end,
                   first);
    DrawPreviewLabels(preview, top, low);
}

void SetPreviewScale(GraphPreview &preview, float top, float low, qint32 span)
{
    DrawingSurface &box = preview.box;
    const double range = std::fabs(double(top) - double(low));
    box.Scale(0, range, span, 0);
    box.SetScaleTop(top);
    DrawGraphGrid(box);
    DrawPreviewLabels(preview, top, low);
}

void DrawPreviewLabels(GraphPreview &preview, float top, float low)
{
    DrawingSurface &frame = preview.frame;
    const SampleLog &log = preview.log;
    const GraphPrintState &state = preview.state;
    frame.Cls();
    const double fw = frame.ScaleWidth();
    const double fh = frame.ScaleHeight();
    const double left = frame.ScaleLeft();
    const double topEdge = frame.ScaleTop();

    const float step = std::fabs(top - low) / 8.0f;
    for (int i = 0; i <= 8; ++i) {
        frame.SetCurrentX(left + fw / 100);
        frame.SetCurrentY(topEdge + fh * i / 9);
        frame.Print(ValueLabelText(top, low, step, i));
    }
    if (log.SampleCount == 0)
        return;

    // The window's layout keeps the lines under the preview box inside the frame in either
    // orientation; the orientation matters to the printed page only.
    frame.SetFontSize(8);
    frame.SetFontBold(false);
    static constexpr double columnsAt[] = {1.0, 4.6, 8.2, 11.8, 15.5, 18.4};
    const double extent = preview.box.ScaleWidth();
    for (int k = 0; k <= 5; ++k) {
        const qint64 index = qint64(state.PrintFirstIndex) + RoundHalfEven(k / 5.0 * extent);
        if (!HoldsIndex(log, index))
            return;
        frame.SetCurrentX(left + fw * columnsAt[k] / 20);
        frame.SetCurrentY(topEdge + fh * 0.92);
        frame.Print(SystemTimeText(log.SampleTime(qint32(index))));
    }

    frame.SetFontSize(9);
    frame.SetFontBold(true);
    frame.SetCurrentX(left + fw / 10);
    frame.SetCurrentY(topEdge + fh * 0.95);
    frame.PrintText(QStringLiteral("Unit:  ") + state.PrintUnit);
    frame.NextZone();
    frame.PrintText(QStringLiteral("     Max:  ") + ExtremeText(state.PrintMaxValue));
    frame.NextZone();
    frame.PrintText(QStringLiteral("Min:  ") + ExtremeText(state.PrintMinValue));
    frame.EndLine();
}

PreviewRange OpeningRange(qint32 graphXSpan, qint32 sampleCount)
{
    PreviewRange range;
    range.first = 0;
    range.last = graphXSpan > sampleCount - 1 ? sampleCount - 1 : graphXSpan;
    range.span = graphXSpan;
    range.draw = range.first < range.last;
    return range;
}

PreviewRange PaintRange(bool allData, qint32 printFirst, qint32 printLast, qint32 sampleCount)
{
    PreviewRange range;
    if (allData) {
        range.first = 0;
        range.last = sampleCount - 1;
    } else {
        range.first = printFirst;
        range.last = printLast;
        if (range.first >= sampleCount - 1 || range.last <= range.first)
            range.draw = false;
    }
    range.span = range.last - range.first;
    if (range.last > sampleCount - 1)
        range.last = sampleCount - 1;
    if (range.first < 0 || range.first >= range.last)
        range.draw = false;
    return range;
}

PreviewRange AllDataRange(qint32 sampleCount)
{
    PreviewRange range;
    range.first = 0;
    range.last = sampleCount - 1;
    range.span = sampleCount - 1;
    range.draw = range.first < range.last;
    return range;
}

PreviewRange ViewRange(const GraphView &view, qint32 sampleCount)
{
    const qint32 first = std::max(view.FirstIndex(), 0);
    const qint32 span = ToIndex(std::max<qint64>(1, qint64(std::ceil(view.Span))));
    const qint32 last = ToIndex(std::min<qint64>(qint64(first) + span, qint64(sampleCount) - 1));
    return {first, last, span, first < sampleCount && last > first};
}

PreviewRange RangeChoiceRange(qint32 sampleCount, qint32 printSpan)
{
    PreviewRange range;
    range.first = 0;
    range.last = sampleCount <= printSpan ? sampleCount - 1 : printSpan;
    range.span = printSpan;
    range.draw = range.first < range.last;
    return range;
}

PageRangeChoice ChoosePageRange(QStringView startText, QStringView endText, bool leavingStart,
                                qint32 printSpan, qint32 sampleCount)
{
    PageRangeChoice choice;
    const std::optional<double> start = ParseNumber(startText);
    const std::optional<double> end = ParseNumber(endText);
    using Status = PageRangeChoice::Status;
    if (leavingStart ? !start : !end) {
        choice.status = leavingStart ? Status::StartNotNumeric : Status::EndNotNumeric;
        return choice;
    }
    if (!start || !end) {
        choice.status = !start ? Status::StartNotNumeric : Status::EndNotNumeric;
        return choice;
    }
    const qint64 first = RoundHalfEven((*start - 1) * printSpan);
    const qint64 last = RoundHalfEven(*end * printSpan);
    if (first < 0) {
        choice.status = Status::StartBelowOne;
        return choice;
    }
    PreviewRange &range = choice.range;
    range.first = ToIndex(first);
    range.last = ToIndex(last);
    range.span = ToIndex(last - first);
    if (range.last > sampleCount - 1)
        range.last = sampleCount - 1;
    range.draw = range.first < range.last;
    return choice;
}

} // namespace kst
