// The trend graph's zoomed window, and what it draws besides the data line in any window: gaps,
// markers and a saved recording.
#include "graph/TrendGraph.h"

#include "common/DrawingSurface.h"
#include "record/Gaps.h"
#include "record/GraphScale.h"
#include "record/SampleLog.h"
#include "record/UnitConversion.h"

#include <algorithm>
#include <cmath>

namespace kst {

namespace {

// The samples of one pixel column: its first and last, and its lowest and highest (the first of
// each), by index; their points are at x = index - origin.
struct Column {
    qint64 column = 0;
    qint64 first = 0, last = 0, lowAt = 0, highAt = 0;
    float low = 0, high = 0, firstY = 0, lastY = 0;

    void Start(qint64 at, qint64 i, float y)
    {
        column = at;
        first = last = lowAt = highAt = i;
        low = high = firstY = lastY = y;
    }
    void Add(qint64 i, float y)
    {
        last = i;
        lastY = y;
        if (y < low) {
            low = y;
            lowAt = i;
        }
        if (y > high) {
            high = y;
            highAt = i;
        }
    }
    // What the column leaves of the line: every point of two or fewer, else its first, its
    // extremes in their order and its last, which the per-column drawing reduces no further.
    void Put(std::vector<QPointF> &out, qint64 origin) const
    {
        const auto point = [origin](qint64 i, float y) { return QPointF(double(i - origin), y); };
        out.push_back(point(first, firstY));
        if (last - first >= 2) {
            out.push_back(lowAt < highAt ? point(lowAt, low) : point(highAt, high));
            out.push_back(lowAt < highAt ? point(highAt, high) : point(lowAt, low));
        }
        if (last > first)
            out.push_back(point(last, lastY));
    }
};

// floor(x) for the doubles of pixel columns, without the library call.
inline qint64 Floor(double x)
{
    const auto whole = qint64(x);
    return double(whole) > x ? whole - 1 : whole;
}

} // namespace

void TrendGraph::DrawTrace(const SampleLog &log, qint64 first, qint64 end, qint64 origin, float top,
                           float low, std::vector<double> *gaps)
{
    if (first >= end)
        return;
    // Each unit's conversion into the graph unit, as NormalizeUnitValue does it.
    int exponent = 0;
    const double fromBase =
        UnitExponent(scale_.Unit.trimmed(), exponent) ? std::pow(10.0, -exponent) : 1.0;
    std::vector<double> toBase(log.UnitCount());
    for (quint32 id = 0; id < log.UnitCount(); ++id)
        toBase[id] =
            UnitExponent(log.UnitText(id).trimmed(), exponent) ? std::pow(10.0, exponent) : 0.0;
    // Pixel columns as the surface finds them for a point.
    const double left = box_.ScaleLeft(), width = box_.ScaleWidth(), pixels = box_.Width();
    std::vector<QPointF> &run = points_;
    std::vector<QPointF> rest;
    run.clear();
    const auto drawRun = [&] {
        if (run.empty())
            return;
        box_.SetCurrentX(run.front().x());
        box_.SetCurrentY(run.front().y());
        if (run.size() == 1) {
            box_.LineTo(run.front().x(), run.front().y()); // a sample alone: a dot
        } else {
            rest.assign(run.begin() + 1, run.end());
            box_.PolylineTo(rest);
        }
        run.clear();
    };
    const auto columnOf = [=](qint64 i) {
        return Floor((double(i - origin) - left) * pixels / width);
    };
    // The first sample right of pixel column `at`, which sample i is in: found once a column,
    // so a sample costs no division.
    const auto columnEnd = [&](qint64 at, qint64 i) {
        qint64 b =
            std::max(i + 1, qint64(std::ceil(double(at + 1) * width / pixels + left)) + origin);
        while (b > i + 1 && columnOf(b - 1) > at)
            --b;
        while (columnOf(b) <= at)
            ++b;
        return b;
    };
    box_.SetDataLayer(true);
    Column column;
    qint64 before = 0, boundary = first;
    for (qint64 i = first; i < end; ++i) {
        const SampleLog::Packed &p = log.PackedAt(qint32(i));
        const qint64 wall = qint64(p.day) * 86400000 + p.msecs;
        float y = float(double(p.value) * toBase[p.unit] * fromBase);
        y = std::max(std::min(y, top), low);
        const bool gap = i > first && IsGap(before, wall);
        const bool nextColumn = i >= boundary;
        before = wall;
        if (!nextColumn && !gap) {
            column.Add(i, y);
            continue;
        }
        if (i > first)
            column.Put(run, origin);
        if (gap) {
            drawRun();
            if (gaps)
                gaps->push_back(double(i - origin) - 0.5);
        }
        qint64 at = column.column; // a gap within a column starts the column again
        if (nextColumn) {
            at = columnOf(i);
            boundary = columnEnd(at, i);
        }
        column.Start(at, i, y);
    }
    column.Put(run, origin);
    drawRun();
    box_.SetDataLayer(false);
}

void TrendGraph::DrawOverlay(qint64 first, qint64 end, qint64 origin, float top, float low)
{
    if (!overlay_)
        return;
    const Colour colour = box_.ForeColor();
    const double x = box_.CurrentX(), y = box_.CurrentY();
    box_.SetForeColor(overlayColour_);
    DrawTrace(*overlay_, std::max<qint64>(first, 0), std::min<qint64>(end, overlay_->SampleCount),
              origin, top, low, nullptr);
    box_.SetForeColor(colour);
    box_.SetCurrentX(x);
    box_.SetCurrentY(y);
}

std::vector<double> GapsBetween(const SampleLog &log, qint64 first, qint64 last, qint64 origin)
{
    std::vector<double> gaps;
    for (qint64 i = std::max<qint64>(first, 0) + 1;
         i <= std::min<qint64>(last, log.SampleCount - 1); ++i)
        if (IsGap(log.SampleWallMs(qint32(i - 1)), log.SampleWallMs(qint32(i))))
            gaps.push_back(double(i - origin) - 0.5);
    return gaps;
}

void DrawGraphMarks(DrawingSurface &surface, const SampleLog &log, const MarkerList *markers,
                    const std::vector<double> &gaps, qint64 first, qint64 last, qint64 origin,
                    std::optional<std::pair<double, double>> topBottom)
{
    const bool anyMarker = markers && !markers->empty() && first <= last;
    if (gaps.empty() && !anyMarker)
        return;
    const double x = surface.CurrentX(), y = surface.CurrentY();
    const Colour colour = surface.ForeColor();
    const int width = surface.DrawWidth();
    const double fontSize = surface.FontSize();
    const bool bold = surface.FontBold();
    const double top = topBottom ? topBottom->first : surface.ScaleTop();
    const double bottom = topBottom ? topBottom->second : top + surface.ScaleHeight();
    surface.SetDataLayer(true);
    surface.SetDrawWidth(1);
    surface.SetForeColor(GapColour);
    surface.SetDrawStyle(1); // dashed
    for (const double gap : gaps)
        surface.Line(gap, top, gap, bottom);
    surface.SetDrawStyle(0);
    if (anyMarker) {
        surface.SetForeColor(MarkerColour);
        surface.SetFontSize(8);
        surface.SetFontBold(false);
        int shown = 0;
        for (const Marker &marker : *markers) {
            const qint64 i = SampleAtOrAfter(log, WallMs(marker.date, marker.time));
            if (i < first || i > last)
                continue;
            const double at = double(i - origin);
            surface.Line(at, top, at, bottom);
            // The note right of its line at the top, three lines down at most, so the notes of
            // markers close together do not cover each other entirely.
            surface.SetCurrentX(at + surface.DeviceToUserX(3));
            surface.SetCurrentY(top + surface.DeviceToUserY(2) +
                                (shown++ % 3) * surface.TextHeight());
            surface.PrintText(marker.text);
        }
    }
    surface.SetDataLayer(false);
    surface.SetForeColor(colour);
    surface.SetDrawWidth(width);
    surface.SetFontSize(fontSize);
    surface.SetFontBold(bold);
    surface.SetCurrentX(x);
    surface.SetCurrentY(y);
}

void TrendGraph::DrawMarks(const std::vector<double> &gaps, qint64 first, qint64 last,
                           qint64 origin)
{
    DrawGraphMarks(box_, log_, markers_, gaps, first, last, origin);
}

void TrendGraph::ShowZoomedWindow()
{
    if (!timeZoom_)
        return;
    const TimeWindow window = *timeZoom_;
    const float top = Top(), low = Low();
    const qint64 start = qint64(std::floor(window.First));
    ViewStart = qint32(std::clamp<qint64>(start, -2147483647, 2147483647));
    box_.Cls();
    ScaleAndGrid(top, low, window.Span, window.First - double(start));
    // From the sample at or left of the left edge to the one right of the right edge.
    const qint64 count = std::min<qint64>(log_.SampleCount, qint64(log_.UpperIndex()) + 1);
    const qint64 first = std::clamp<qint64>(start, 0, count);
    const qint64 end = std::clamp<qint64>(
        start + qint64(std::ceil(window.First - double(start) + window.Span)) + 2, first, count);
    ViewEnd = qint32(end);
    DrawOverlay(start, end, start, top, low);
    gaps_.clear();
    DrawTrace(log_, first, end, start, top, low, &gaps_);
    DrawMarks(gaps_, first, end, start);
    drawn_.Valid = false;
    DrawAxisLabels(top, low);
}

void TrendGraph::ShowNewestZoomed(qint32 index)
{
    const TimeWindow window = *timeZoom_;
    // The window stays where the user put it; a sample that falls into it joins the line.
    if (index > 0 && index >= window.First - 1 && index <= window.First + window.Span + 1) {
        const float top = Top(), low = Low();
        box_.SetCurrentX(double(index - 1 - ViewStart));
        box_.SetCurrentY(Plotted(index - 1, top, low));
        gaps_.clear();
        DrawRun(index, index + 1, ViewStart, top, low, gaps_, true);
        DrawMarks(gaps_, 0, -1, ViewStart);
        ViewEnd = std::max(ViewEnd, index + 1);
    }
    UpdateAxisLabels();
}

} // namespace kst
