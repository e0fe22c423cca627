#include "graph/TrendGraph.h"

#include "common/DateTimeText.h"
#include "common/DrawingSurface.h"
#include "common/GraphGrid.h"
#include "common/Numbers.h"
#include "graph/GraphScroll.h"
#include "record/GraphScale.h"
#include "record/SampleLog.h"
#include "record/UnitConversion.h"

#include <algorithm>
#include <cmath>

namespace kst {

TrendGraph::TrendGraph(SampleLog &log, GraphScale &scale, DrawingSurface &graphFrm,
                       DrawingSurface &graphBox)
    : log_(log), scale_(scale), frm_(graphFrm), box_(graphBox)
{
}

void TrendGraph::ScaleAndGrid(float top, float low, qint32 span)
{
    const float h = std::fabs(top - low);
    if (h == 0) {
        // No range to show: keep the grid and put the one value on the middle line.
        box_.Scale(0, double(top) + 1, span, double(top) - 1);
    } else {
        box_.Scale(0, h, span, 0);
        box_.SetScaleTop(top);
    }
    DrawGraphGrid(box_);
}

void TrendGraph::ApplyGraphScale(float top, float low, qint32 span)
{
    ScaleAndGrid(top, low, span);
    drawn_.Valid = false;
    DrawAxisLabels(top, low);
}

float TrendGraph::Plotted(qint64 i, float top, float low)
{
    // The conversion into the graph unit exactly as NormalizeUnitValue does it, with the unit
    // lookup done once per run of samples in the same unit.
    SampleLog &log = log_;
    const auto k = qint32(i);
    const float value = log.SampleValue(k);
    float y;
    if (!unitKnown_ || log.SampleUnit(k) != lastUnit_ || scale_.Unit != lastGraphUnit_) {
        QString unit = log.SampleUnit(k);
        y = NormalizeUnitValue(value, unit, scale_.Unit); // trims both texts
        if (unit != log.SampleUnit(k))
            log.SetSampleUnit(k, unit);
        int exponent = 0;
        lastUnit_ = unit;
        lastGraphUnit_ = scale_.Unit;
        unitKnown_ = true;
        toBase_ = UnitExponent(unit, exponent) ? std::pow(10.0, exponent) : 0.0;
        fromBase_ = UnitExponent(scale_.Unit, exponent) ? std::pow(10.0, -exponent) : 1.0;
    } else {
        y = float(double(value) * toBase_ * fromBase_);
    }
    if (y > top)
        y = top;
    if (y < low)
        y = low;
    return y;
}

void TrendGraph::DrawWindow(qint32 &left, qint32 count, float top, float low)
{
    box_.Cls();
    ScaleAndGrid(scale_.TopY, scale_.LowY, scale_.XSpan);
    box_.SetCurrentX(0);
    if (left > count - 1)
        left = count;

    SampleLog &log = log_;
    // Never read past the stored samples, whatever the caller passes.
    const qint64 stored = qint64(log.UpperIndex()) + 1;
    const qint64 end = std::min<qint64>(count, stored);
    box_.SetCurrentY(left >= 0 && left < stored ? double(log.SampleValue(qint32(left))) : 0.0);

    // Samples past the right edge are not visible: only the last of them is needed, for the
    // current point the line ends at (a whole log drawn after loading a file).
    qint64 visibleEnd = end;
    const double width = box_.ScaleLeft() + box_.ScaleWidth();
    if (width > 0 && end - left > qint64(width) + 2)
        visibleEnd = left + qint64(width) + 2;
    points_.clear();
    const qint64 first = std::max<qint64>(left, 0);
    for (qint64 i = first; i < visibleEnd; ++i)
        points_.emplace_back(double(i - left), double(Plotted(i, top, low)));
    box_.SetDataLayer(true);
    box_.PolylineTo(points_);
    box_.SetDataLayer(false);
    if (visibleEnd < end) {
        box_.SetCurrentX(double(end - 1 - left));
        box_.SetCurrentY(Plotted(end - 1, top, low));
    }
    NoteDrawn(left, qint32(std::max(first, visibleEnd)));
    // Drawn only for the range the module holds: another range is drawn afresh next time.
    if (top != scale_.TopY || low != scale_.LowY)
        drawn_.Valid = false;
}

void TrendGraph::NoteDrawn(qint32 start, qint32 end)
{
    drawn_.Valid = true;
    drawn_.Start = start;
    drawn_.End = end;
    drawn_.Newest = false;
    drawn_.Top = scale_.TopY;
    drawn_.Low = scale_.LowY;
    drawn_.Span = scale_.XSpan;
    drawn_.Unit = scale_.Unit;
    drawn_.Width = box_.Width();
    drawn_.Height = box_.Height();
    drawn_.Colour = box_.ForeColor();
    drawn_.PenWidth = box_.DrawWidth();
}

bool TrendGraph::SameScale() const
{
    return drawn_.Valid && drawn_.Top == scale_.TopY && drawn_.Low == scale_.LowY &&
           drawn_.Span == scale_.XSpan && drawn_.Unit == scale_.Unit &&
           drawn_.Width == box_.Width() && drawn_.Height == box_.Height() &&
           drawn_.Colour == box_.ForeColor() && drawn_.PenWidth == box_.DrawWidth() &&
           box_.ScaleWidth() == scale_.XSpan;
}

void TrendGraph::Invalidate()
{
    drawn_.Valid = false;
    labels_.Valid = false;
}

void TrendGraph::RedrawGraph(qint32 &left, qint32 count, float top, float low)
{
    DrawWindow(left, count, top, low);
    DrawAxisLabels(scale_.TopY, scale_.LowY);
}

void TrendGraph::DrawNewestSegment(qint32 index, float value)
{
    float y = value;
    if (scale_.TopY == scale_.LowY)
        y = scale_.TopY; // a range without height shows every value on its one line
    box_.SetDataLayer(true);
    box_.LineTo(index, y);
    box_.SetDataLayer(false);
    drawn_.Newest = true;
    drawn_.NewestIndex = index;
    drawn_.NewestValue = y;
}

void TrendGraph::PlotNewestSample(qint32 index, float value)
{
    DrawNewestSegment(index, value);
    if (AdvanceScroll)
        AdvanceScroll(index);
    DrawAxisLabels(scale_.TopY, scale_.LowY);
}

void TrendGraph::ShowRecordedWindow(qint32 left, qint32 count, bool newestSegment)
{
    const float top = scale_.TopY, low = scale_.LowY;
    SampleLog &log = log_;
    const qint64 stored = qint64(log.UpperIndex()) + 1;
    // How far the picture already goes: the newest segment drawn last time counts as the line
    // to that sample when it lies where the line would put it.
    qint32 shownEnd = drawn_.End;
    bool canAdvance = box_.CanScroll() && SameScale() && left >= drawn_.Start &&
                      drawn_.End > drawn_.Start && count <= stored;
    if (canAdvance && drawn_.Newest) {
        canAdvance = drawn_.Start == 0 && left == 0 && drawn_.NewestIndex == drawn_.End &&
                     drawn_.End < count + 1 && drawn_.End < stored &&
                     drawn_.NewestValue == Plotted(drawn_.End, top, low);
        shownEnd = drawn_.End + 1;
    }
    const qint64 visibleEnd = std::min<qint64>(count, qint64(left) + scale_.XSpan + 2);
    canAdvance = canAdvance && count >= shownEnd && left - drawn_.Start < scale_.XSpan &&
                 visibleEnd - shownEnd <= scale_.XSpan;
    if (canAdvance) {
        if (left > drawn_.Start)
            box_.ScrollData(left - drawn_.Start);
        const qint32 last = shownEnd - 1;
        box_.SetCurrentX(double(last - left));
        box_.SetCurrentY(Plotted(last, top, low));
        points_.clear();
        for (qint64 i = shownEnd; i < visibleEnd; ++i)
            points_.emplace_back(double(i - left), double(Plotted(i, top, low)));
        box_.SetDataLayer(true);
        box_.PolylineTo(points_);
        box_.SetDataLayer(false);
        const qint32 end = qint32(std::max<qint64>(shownEnd, visibleEnd));
        NoteDrawn(left, end);
        if (count > end) {
            box_.SetCurrentX(double(count - 1 - left));
            box_.SetCurrentY(Plotted(count - 1, top, low));
        }
    } else {
        qint32 l = left;
        DrawWindow(l, count, top, low);
    }
    if (newestSegment && count >= 0 && count < stored)
        DrawNewestSegment(count, log.SampleValue(count));
    UpdateAxisLabels();
}

void TrendGraph::UpdateAxisLabels()
{
    Labels now;
    now.Valid = true;
    now.Top = scale_.TopY;
    now.Low = scale_.LowY;
    now.FrameWidth = frm_.Width();
    now.FrameHeight = frm_.Height();
    now.BoxWidth = box_.Width();
    static constexpr int offsets[] = {0, 20, 40, 60, 80, 95};
    const SampleLog &log = log_;
    for (int offset : offsets) {
        const qint64 index = qint64(ViewStart) + offset;
        if (index > log.UpperIndex())
            break;
        // The labels show whole seconds: readings within one second leave them as they are.
        now.Times.push_back(
            index < 0 ? -1 : log.SampleTime(qint32(index)).msecsSinceStartOfDay() / 1000);
    }
    if (now == labels_)
        return;
    DrawAxisLabels(scale_.TopY, scale_.LowY);
}

void TrendGraph::DrawAxisLabels(float top, float low)
{
    static const QString pattern = QStringLiteral("####0.0##");
    frm_.Cls();
    frm_.SetFontSize(9);
    frm_.SetFontBold(true);
    const float step = std::fabs(top - low) / 8;
    for (int i = 0; i <= 8; ++i) {
        frm_.SetCurrentX(frm_.Width() / 100);
        frm_.SetCurrentY(i * frm_.Height() / 9.2);
        QString text;
        if (std::fabs(top) - float(i) * step >= step) {
            text = FormatSingle(top - float(i) * step, pattern);
            // The plus marks values above the middle; a negative value keeps just its minus.
            if (!text.startsWith(u'-'))
                text.prepend(u'+');
        } else {
            text = FormatSingle(low + float(8 - i) * step, pattern);
        }
        frm_.Print(text);
    }

    frm_.SetFontSize(8);
    frm_.SetFontBold(false);
    // Fixed sample offsets: under every second vertical grid line when the span is 100.
    static constexpr int offsets[] = {0, 20, 40, 60, 80, 95};
    const SampleLog &log = log_;
    labels_ = Labels{};
    labels_.Valid = true;
    labels_.Top = top;
    labels_.Low = low;
    labels_.FrameWidth = frm_.Width();
    labels_.FrameHeight = frm_.Height();
    labels_.BoxWidth = box_.Width();
    for (int m = 0; m < 6; ++m) {
        const qint64 index = qint64(ViewStart) + offsets[m];
        if (index > log.UpperIndex())
            break;
        if (index < 0) {
            labels_.Times.push_back(-1);
            continue;
        }
        const QTime time = log.SampleTime(qint32(index));
        labels_.Times.push_back(time.msecsSinceStartOfDay() / 1000);
        frm_.SetCurrentY(frm_.Height() * 0.92);
        frm_.SetCurrentX(m < 5 ? frm_.Width() / 20 + m * box_.Width() / 5
                               : box_.Width() + frm_.Width() / 25);
        frm_.Print(SystemTimeText(time));
    }
}

void TrendGraph::ShowScrollWindow(qint32 scrollValue)
{
    const ViewWindow window = ScrollViewWindow(scrollValue, box_.ScaleWidth(), log_.SampleCount);
    ViewStart = window.Start;
    ViewEnd = window.End;
    RedrawGraph(ViewStart, ViewEnd, scale_.TopY, scale_.LowY);
}

QRectF PlotAreaGeometry(QSizeF frame, double valueLabelWidth, double valueLabelHeight,
                        double timeLabelWidth)
{
    const double w = frame.width();
    const double h = frame.height();
    // Grid line i of the plot (i = 0 the top edge) at top + i * height / 8 meets the middle of
    // value label i, printed from i * h / 9.2.
    const double top = valueLabelHeight / 2;
    const double height = h * 8 / 9.2;
    // The first time label starts at w / 20 and centres under the left edge; the value labels
    // (from w / 100) must fit left of it.
    const double left = std::max(w / 20 + timeLabelWidth / 2, w / 100 + valueLabelWidth + 2);
    // The sixth label starts at plot width + w / 25 and must end inside the frame.
    const double width = std::min(w - left - 2, w - w / 25 - timeLabelWidth * 1.1 - 4);
    return QRectF(left, top, std::max(1.0, width), std::max(1.0, height));
}

} // namespace kst
