// The graph view's zoom and pan, its cursor read-out, and what it draws besides the samples
// (markers, a saved recording).
#include "graph/ui/TrendGraphView.h"

#include "graph/GraphCursor.h"
#include "graph/ui/CursorOverlay.h"
#include "graph/ui/PictureBox.h"
#include "record/MeterRecording.h"

#include <QScrollBar>
#include <algorithm>
#include <cmath>

namespace kst {

namespace {

// A colour part of the way from one to another, channel by channel.
Colour Blend(Colour from, Colour to, double part)
{
    Colour out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const double a = (from >> shift) & 0xFF, b = (to >> shift) & 0xFF;
        out |= Colour(std::lround(a + (b - a) * part)) << shift;
    }
    return out;
}

} // namespace

void TrendGraphView::Navigate(const GraphView &next, bool time, bool values)
{
    std::optional<TimeWindow> window = graph_->TimeZoom();
    std::optional<ValueRange> range = graph_->ValueZoom();
    if (time)
        window = next.Time();
    if (values)
        range = next.Values();
    ApplyZoom(window, range);
    if (time)
        emit TimeZoomChosen(window);
}

void TrendGraphView::ApplyZoom(std::optional<TimeWindow> time, std::optional<ValueRange> values)
{
    graph_->SetZoom(time, values);
    SyncScrollBar();
    hScroll_->setEnabled(!recording_ || time);
    Form_Paint();
}

void TrendGraphView::SyncScrollBar()
{
    const std::optional<TimeWindow> time = graph_->TimeZoom();
    if (!time)
        return;
    syncing_ = true;
    const double last = std::max(0.0, meter_.Samples.SampleCount - time->Span);
    const int value = int(std::clamp(std::round(time->First), 0.0, double(ScrollMaximumLimit)));
    hScroll_->setMaximum(std::max({hScroll_->maximum(), value, int(std::min(last, 2e9))}));
    hScroll_->setPageStep(int(std::clamp(std::round(time->Span), 1.0, 2e9)));
    hScroll_->setValue(value);
    syncing_ = false;
}

void TrendGraphView::ZoomTimeAt(double factor, double at)
{
    Navigate(ZoomTime(View(), factor, at, meter_.Samples.SampleCount), true, false);
}

void TrendGraphView::ZoomValuesAt(double factor, double at)
{
    Navigate(ZoomValues(View(), factor, at), false, true);
}

void TrendGraphView::PanFrom(const GraphView &from, double dx, double dy)
{
    const bool values = graph_->ValueZoom().has_value();
    Navigate(PanView(from, dx, dy, values, meter_.Samples.SampleCount), true, values);
}

void TrendGraphView::ZoomToBox(const QRectF &box)
{
    Navigate(kst::ZoomToBox(View(), box, meter_.Samples.SampleCount), true, true);
}

void TrendGraphView::ShowZoomBox(std::optional<QRectF> box)
{
    zoomBox_ = box;
    DrawOverlay();
}

void TrendGraphView::SetTimeZoom(std::optional<TimeWindow> time)
{
    if (time != graph_->TimeZoom())
        ApplyZoom(time, graph_->ValueZoom());
}

void TrendGraphView::Follow()
{
    graph_->SetZoom(std::nullopt, std::nullopt);
    hScroll_->setPageStep(10);
    // Where START puts the scroll bar: the newest samples near the right edge.
    // (The plot's coordinates may still be the zoom's.)
    const ScrollPosition scroll =
        RecordingStartPosition({hScroll_->value(), hScroll_->maximum()}, double(meter_.Scale.XSpan),
                               meter_.Samples.SampleCount);
    hScroll_->setEnabled(!recording_);
    syncing_ = true;
    hScroll_->setMaximum(scroll.Maximum);
    hScroll_->setValue(scroll.Value);
    syncing_ = false;
    Form_Paint();
}

void TrendGraphView::FollowNewest()
{
    Timer1_Timer(); // a double click's first click may have opened the point read-out
    Follow();
    emit FollowChosen();
}

void TrendGraphView::SetCursorReadout(bool on)
{
    cursorOn_ = on;
    graphBox_->setMouseTracking(on);
    ClearCursors();
}

void TrendGraphView::CursorAt(std::optional<double> x)
{
    if (!cursorOn_)
        return;
    hover_.reset();
    if (x)
        if (const qint64 i = NearestSample(*x, graph_->ViewStart, meter_.Samples.SampleCount);
            i >= 0)
            hover_ = i;
    DrawOverlay();
}

void TrendGraphView::PinCursor(double x)
{
    const qint64 i = NearestSample(x, graph_->ViewStart, meter_.Samples.SampleCount);
    if (i < 0)
        return;
    if (pinnedA_ && !pinnedB_) {
        pinnedB_ = i;
    } else {
        pinnedA_ = i;
        pinnedB_.reset();
    }
    DrawOverlay();
}

void TrendGraphView::ClearCursors()
{
    hover_.reset();
    pinnedA_.reset();
    pinnedB_.reset();
    DrawOverlay();
}

void TrendGraphView::DrawOverlay()
{
    if (!overlay_)
        return;
    // Sample indexes, -1 for none: the first cursor is the pinned one, else the pointer's; the
    // second the other pinned one, else the pointer's while one is pinned.
    const qint32 count = meter_.Samples.SampleCount;
    const auto valid = [count](const std::optional<qint64> &i) {
        return i && *i < count ? *i : qint64(-1);
    };
    const qint64 pinnedA = valid(pinnedA_), pinnedB = valid(pinnedB_), hover = valid(hover_);
    const qint64 a = pinnedA >= 0 ? pinnedA : hover;
    const qint64 b = pinnedA < 0 ? -1 : pinnedB >= 0 ? pinnedB : hover;
    cursorLines_.clear();
    if (!zoomBox_ && (!cursorOn_ || a < 0)) {
        overlay_->Cls();
        overlay_->hide();
        return;
    }
    overlay_->Scale(graphBox_->ScaleLeft(), graphBox_->ScaleTop(),
                    graphBox_->ScaleLeft() + graphBox_->ScaleWidth(),
                    graphBox_->ScaleTop() + graphBox_->ScaleHeight());
    if (zoomBox_) {
        DrawZoomBox(*overlay_, *zoomBox_);
    } else {
        const std::optional<qint64> second =
            b >= 0 && b != a ? std::optional<qint64>(b) : std::nullopt;
        cursorLines_ =
            kst::CursorReadout(meter_.Samples, saved_.get(), meter_.Scale.Unit, a, second);
        DrawCursors(*overlay_, graph_->ViewStart, a, second, cursorLines_);
    }
    overlay_->show();
}

void TrendGraphView::SetMarkers(const MarkerList *markers)
{
    graph_->SetMarkers(markers);
    Form_Paint();
}

void TrendGraphView::SetSavedRecording(std::unique_ptr<SampleLog> saved)
{
    saved_ = std::move(saved);
    // Faint: a third of the way from the background to the line's colour.
    graph_->SetOverlay(saved_.get(), Blend(back_, fore_, 0.35));
    graph_->Invalidate();
    Form_Paint();
}

} // namespace kst
