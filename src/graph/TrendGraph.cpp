#include "graph/TrendGraph.h"

#include "common/DateTimeText.h"
#include "common/DrawingSurface.h"
#include "common/GraphGrid.h"
#include "common/Numbers.h"
#include "graph/GraphScroll.h"
#include "record/Gaps.h"
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

void TrendGraph::ScaleAndGrid(float top, float low, double span, double left)
{
    const float h = std::fabs(top - low);
    if (h == 0) {
        // No range to show: keep the grid and put the one value on the middle line.
        box_.Scale(left, double(top) + 1, left + span, double(top) - 1);
    } else {
        box_.Scale(left, h, left + span, 0);
        box_.SetScaleTop(top);
    }
    DrawGraphGrid(box_);
}

float TrendGraph::Top() const
{
    return valueZoom_ ? valueZoom_->Top : scale_.TopY;
}

float TrendGraph::Low() const
{
    return valueZoom_ ? valueZoom_->Low : scale_.LowY;
}

void TrendGraph::SetZoom(std::optional<TimeWindow> time, std::optional<ValueRange> values)
{
    // The plot's sample steps as they were before the time zoom come back with it: the scroll
    // redraw reads its window's width from them.
    if (time && !timeZoom_)
        unzoomedWidth_ = box_.ScaleWidth();
    if (!time && timeZoom_) {
        box_.SetScaleLeft(0);
        box_.SetScaleWidth(unzoomedWidth_);
    }
    timeZoom_ = time;
    valueZoom_ = values;
    Invalidate();
}

GraphView TrendGraph::View() const
{
    if (timeZoom_)
        return {timeZoom_->First, timeZoom_->Span, Top(), Low()};
    return {double(ViewStart), double(scale_.XSpan), Top(), Low()};
}

void TrendGraph::SetMarkers(const MarkerList *markers)
{
    markers_ = markers;
    drawn_.Valid = false;
}

void TrendGraph::SetOverlay(const SampleLog *overlay, Colour overlayColour)
{
    overlay_ = overlay;
    overlayColour_ = overlayColour;
    drawn_.Valid = false;
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
    ScaleAndGrid(Top(), Low(), scale_.XSpan);
    box_.SetCurrentX(0);
    if (left > count - 1)
        left = count;

    SampleLog &log = log_;
    // Never read past the stored samples, whatever the caller passes.
    const qint64 stored = qint64(log.UpperIndex()) + 1;
    const qint64 end = std::min<qint64>(count, stored);
    // Samples past the right edge are not visible: only the last of them is needed, for the
    // current point the line ends at (a whole log drawn after loading a file).
    qint64 visibleEnd = end;
    const double width = box_.ScaleLeft() + box_.ScaleWidth();
    if (width > 0 && end - left > qint64(width) + 2)
        visibleEnd = left + qint64(width) + 2;
    const qint64 first = std::max<qint64>(left, 0);
    DrawOverlay(first, visibleEnd, left, top, low);
    box_.SetCurrentY(left >= 0 && left < stored ? double(log.SampleValue(qint32(left))) : 0.0);
    gaps_.clear();
    DrawRun(first, visibleEnd, left, top, low, gaps_, false);
    if (visibleEnd < end) {
        box_.SetCurrentX(double(end - 1 - left));
        box_.SetCurrentY(Plotted(end - 1, top, low));
    }
    DrawMarks(gaps_, first, qint64(left) + scale_.XSpan + 1, left);
    NoteDrawn(left, qint32(std::max(first, visibleEnd)));
    // Drawn only for the range the module holds: another range is drawn afresh next time.
    if (top != Top() || low != Low())
        drawn_.Valid = false;
}

void TrendGraph::DrawRun(qint64 first, qint64 end, qint64 origin, float top, float low,
                         std::vector<double> &gaps, bool continues)
{
    points_.clear();
    box_.SetDataLayer(true);
    for (qint64 i = first; i < end; ++i) {
        const double x = double(i - origin);
        const double y = double(Plotted(i, top, low));
        if ((i > first || continues) && i > 0 &&
            IsGap(log_.SampleWallMs(qint32(i - 1)), log_.SampleWallMs(qint32(i)))) {
            box_.PolylineTo(points_);
            points_.clear();
            gaps.push_back(x - 0.5);
            box_.SetCurrentX(x);
            box_.SetCurrentY(y);
        }
        points_.emplace_back(x, y);
    }
    box_.PolylineTo(points_);
    box_.SetDataLayer(false);
}

void TrendGraph::NoteDrawn(qint32 start, qint32 end)
{
    drawn_.Valid = true;
    drawn_.Start = start;
    drawn_.End = end;
    drawn_.Newest = false;
    drawn_.Top = Top();
    drawn_.Low = Low();
    drawn_.Span = scale_.XSpan;
    drawn_.Unit = scale_.Unit;
    drawn_.Width = box_.Width();
    drawn_.Height = box_.Height();
    drawn_.Colour = box_.ForeColor();
    drawn_.PenWidth = box_.DrawWidth();
}

bool TrendGraph::SameScale() const
{
    return drawn_.Valid && drawn_.Top == Top() && drawn_.Low == Low() &&
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
    DrawAxisLabels(Top(), Low());
}

void TrendGraph::DrawNewestSegment(qint32 index, float value)
{
    float y = value;
    if (Top() == Low())
        y = Top(); // a range without height shows every value on its one line
    const bool gap = index > 0 && IsGap(log_.SampleWallMs(index - 1), log_.SampleWallMs(index));
    box_.SetDataLayer(true);
    if (gap) { // the line starts again at the sample: a dot until the next one
        box_.SetCurrentX(index);
        box_.SetCurrentY(y);
    }
    box_.LineTo(index, y);
    box_.SetDataLayer(false);
    if (gap)
        DrawMarks({index - 0.5}, index, index - 1, 0); // the gap's line, no markers
    drawn_.Newest = true;
    drawn_.NewestIndex = index;
    drawn_.NewestValue = y;
}

void TrendGraph::PlotNewestSample(qint32 index, float value)
{
    DrawNewestSegment(index, value);
    if (AdvanceScroll)
        AdvanceScroll(index);
    DrawAxisLabels(Top(), Low());
}

void TrendGraph::ShowRecordedWindow(qint32 left, qint32 count, bool newestSegment)
{
    if (timeZoom_) {
        ShowNewestZoomed(count);
        return;
    }
    const float top = Top(), low = Low();
    SampleLog &log = log_;
    const qint64 stored = qint64(log.UpperIndex()) + 1;
    // How far the picture already goes: the newest segment drawn last time counts as the line
    // to that sample when it lies where the line would put it. Markers and a saved recording in
    // the window are drawn whole every time.
    qint32 shownEnd = drawn_.End;
    bool canAdvance = box_.CanScroll() && SameScale() && left >= drawn_.Start &&
                      drawn_.End > drawn_.Start && count <= stored && !overlay_ &&
                      !MarkersFrom(left);
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
        gaps_.clear();
        DrawRun(shownEnd, visibleEnd, left, top, low, gaps_, true);
        DrawMarks(gaps_, 0, -1, left);
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

bool TrendGraph::MarkersFrom(qint32 left) const
{
    if (!markers_ || markers_->empty())
        return false;
    const Marker &last = markers_->back();
    return left < 0 || WallMs(last.date, last.time) >= log_.SampleWallMs(left);
}

std::vector<qint64> TrendGraph::TimeLabelSamples() const
{
    std::vector<qint64> samples;
    if (timeZoom_) {
        // Under every second vertical grid line and near the right edge, where samples are.
        for (const double at : {0.0, 0.2, 0.4, 0.6, 0.8, 0.95}) {
            const qint64 index = std::llround(timeZoom_->First + at * timeZoom_->Span);
            samples.push_back(index >= 0 && index < log_.SampleCount ? index : -1);
        }
        return samples;
    }
    // Fixed sample offsets: under every second vertical grid line when the span is 100. A slot
    // that holds no recorded sample shows midnight; the labels end at the arrays' upper index.
    static constexpr int offsets[] = {0, 20, 40, 60, 80, 95};
    for (int offset : offsets) {
        const qint64 index = qint64(ViewStart) + offset;
        if (index > log_.UpperIndex())
            break;
        samples.push_back(index < 0 ? -1 : index);
    }
    return samples;
}

void TrendGraph::UpdateAxisLabels()
{
    Labels now;
    now.Valid = true;
    now.Top = Top();
    now.Low = Low();
    now.FrameWidth = frm_.Width();
    now.FrameHeight = frm_.Height();
    now.BoxWidth = box_.Width();
    // The labels show whole seconds: readings within one second leave them as they are.
    for (const qint64 index : TimeLabelSamples())
        now.Times.push_back(
            index < 0 ? -1 : log_.SampleTime(qint32(index)).msecsSinceStartOfDay() / 1000);
    if (now == labels_)
        return;
    DrawAxisLabels(Top(), Low());
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
    const SampleLog &log = log_;
    labels_ = Labels{};
    labels_.Valid = true;
    labels_.Top = top;
    labels_.Low = low;
    labels_.FrameWidth = frm_.Width();
    labels_.FrameHeight = frm_.Height();
    labels_.BoxWidth = box_.Width();
    const std::vector<qint64> samples = TimeLabelSamples();
    for (size_t m = 0; m < samples.size(); ++m) {
        if (samples[m] < 0) {
            labels_.Times.push_back(-1);
            continue;
        }
        const QTime time = log.SampleTime(qint32(samples[m]));
        labels_.Times.push_back(time.msecsSinceStartOfDay() / 1000);
        frm_.SetCurrentY(frm_.Height() * 0.92);
        frm_.SetCurrentX(m < 5 ? frm_.Width() / 20 + double(m) * box_.Width() / 5
                               : box_.Width() + frm_.Width() / 25);
        frm_.Print(SystemTimeText(time));
    }
}

void TrendGraph::ShowScrollWindow(qint32 scrollValue)
{
    if (timeZoom_) {
        ShowZoomedWindow();
        return;
    }
    const ViewWindow window = ScrollViewWindow(scrollValue, box_.ScaleWidth(), log_.SampleCount);
    ViewStart = window.Start;
    ViewEnd = window.End;
    RedrawGraph(ViewStart, ViewEnd, Top(), Low());
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
