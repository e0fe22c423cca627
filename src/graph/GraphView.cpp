#include "graph/GraphView.h"

#include <algorithm>
#include <cmath>

namespace kst {

qint32 GraphView::FirstIndex() const
{
    return qint32(std::clamp(std::floor(First), 0.0, 2147483647.0));
}

qint32 GraphView::LastIndex() const
{
    return qint32(std::clamp(std::ceil(First + Span), 0.0, 2147483647.0));
}

double MaxViewSpan(qint32 sampleCount)
{
    return std::max(100.0, double(sampleCount)) * 1.25;
}

GraphView KeepInLog(GraphView view, qint32 sampleCount)
{
    view.Span = std::clamp(view.Span, MinViewSpan, MaxViewSpan(sampleCount));
    const double count = std::max(0, sampleCount - 1);
    // At least half the width shows samples: from -Span/2 to the last sample less Span/2; a log
    // narrower than that may sit anywhere in the width.
    const double low = std::min(-view.Span / 2, count - view.Span);
    const double high = std::max(count - view.Span / 2, 0.0);
    view.First = std::clamp(view.First, low, high);
    return view;
}

GraphView ZoomTime(GraphView view, double factor, double at, qint32 sampleCount)
{
    const double anchor = view.First + at * view.Span;
    const double span = std::clamp(view.Span * factor, MinViewSpan, MaxViewSpan(sampleCount));
    view.First = anchor - at * span;
    view.Span = span;
    return KeepInLog(view, sampleCount);
}

GraphView ZoomValues(GraphView view, double factor, double at)
{
    const double height = double(view.Top) - double(view.Low);
    const double anchor = double(view.Top) - at * height;
    const double zoomed = std::clamp(height * factor, MinViewHeight, MaxViewHeight);
    view.Top = float(anchor + at * zoomed);
    view.Low = float(anchor - (1 - at) * zoomed);
    return view;
}

GraphView PanView(GraphView view, double dx, double dy, bool moveValues, qint32 sampleCount)
{
    view.First -= dx * view.Span;
    if (moveValues) {
        const double shift = dy * (double(view.Top) - double(view.Low));
        view.Top = float(double(view.Top) + shift);
        view.Low = float(double(view.Low) + shift);
    }
    return KeepInLog(view, sampleCount);
}

GraphView ZoomToBox(GraphView view, const QRectF &box, qint32 sampleCount)
{
    const QRectF r = box.normalized();
    const double height = double(view.Top) - double(view.Low);
    GraphView zoomed = view;
    zoomed.First = view.First + r.left() * view.Span;
    zoomed.Span = std::max(MinViewSpan, r.width() * view.Span);
    const double top = double(view.Top) - r.top() * height;
    const double low = std::min(double(view.Top) - r.bottom() * height, top - MinViewHeight);
    zoomed.Top = float(top);
    zoomed.Low = float(low);
    return KeepInLog(zoomed, sampleCount);
}

} // namespace kst
