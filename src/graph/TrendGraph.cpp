#include "graph/TrendGraph.h"

#include "common/DateTimeText.h"
#include "common/DrawingSurface.h"
#include "common/GraphGrid.h"
#include "common/Module1.h"
#include "common/Numbers.h"
#include "graph/GraphScroll.h"
#include "record/UnitConversion.h"

#include <algorithm>
#include <cmath>

namespace kst {

TrendGraph::TrendGraph(Module1 &module, DrawingSurface &graphFrm, DrawingSurface &graphBox)
    : m_(module), frm_(graphFrm), box_(graphBox)
{
}

void TrendGraph::ApplyGraphScale(float top, float low, qint32 span)
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
    DrawAxisLabels(top, low);
}

void TrendGraph::RedrawGraph(qint32 &left, qint32 count, float top, float low)
{
    frm_.Cls();
    box_.Cls();
    ApplyGraphScale(m_.GraphTopY, m_.GraphLowY, m_.GraphXSpan);
    box_.SetCurrentX(0);
    if (left > count - 1)
        left = count;

    SampleLog &log = m_.Samples;
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
    // The conversion of a sample into the graph unit, exactly as NormalizeUnitValue does it,
    // with the unit lookup done once per run of samples in the same unit.
    QString lastUnit;
    bool known = false;
    double toBase = 0, fromBase = 1;
    const auto convert = [&](qint64 i) {
        const auto k = qint32(i);
        const float value = log.SampleValue(k);
        if (!known || log.SampleUnit(k) != lastUnit) {
            QString unit = log.SampleUnit(k);
            const float y = NormalizeUnitValue(value, unit, m_.GraphUnit); // trims both texts
            if (unit != log.SampleUnit(k))
                log.SetSampleUnit(k, unit);
            int exponent = 0;
            lastUnit = unit;
            known = true;
            toBase = UnitExponent(unit, exponent) ? std::pow(10.0, exponent) : 0.0;
            fromBase = UnitExponent(m_.GraphUnit, exponent) ? std::pow(10.0, -exponent) : 1.0;
            return y;
        }
        return float(double(value) * toBase * fromBase);
    };
    const auto plotted = [&](qint64 i) {
        float y = convert(i);
        if (y > top)
            y = top;
        if (y < low)
            y = low;
        return QPointF(double(i - left), double(y));
    };
    points_.clear();
    for (qint64 i = std::max<qint64>(left, 0); i < visibleEnd; ++i)
        points_.push_back(plotted(i));
    box_.PolylineTo(points_);
    if (visibleEnd < end) {
        const QPointF last = plotted(end - 1);
        box_.SetCurrentX(last.x());
        box_.SetCurrentY(last.y());
    }
    DrawAxisLabels(m_.GraphTopY, m_.GraphLowY);
}

void TrendGraph::PlotNewestSample(qint32 index, float value)
{
    float y = value;
    if (m_.GraphTopY == m_.GraphLowY)
        y = m_.GraphTopY; // a range without height shows every value on its one line
    box_.LineTo(index, y);
    if (AdvanceScroll)
        AdvanceScroll(index);
    DrawAxisLabels(m_.GraphTopY, m_.GraphLowY);
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
    const SampleLog &log = m_.Samples;
    for (int m = 0; m < 6; ++m) {
        const qint64 index = qint64(ViewStart) + offsets[m];
        if (index > log.UpperIndex())
            break;
        if (index < 0)
            continue;
        frm_.SetCurrentY(frm_.Height() * 0.92);
        frm_.SetCurrentX(m < 5 ? frm_.Width() / 20 + m * box_.Width() / 5
                               : box_.Width() + frm_.Width() / 25);
        frm_.Print(SystemTimeText(log.SampleTime(qint32(index))));
    }
}

void TrendGraph::ShowScrollWindow(qint32 scrollValue)
{
    const ViewWindow window =
        ScrollViewWindow(scrollValue, box_.ScaleWidth(), m_.Samples.SampleCount);
    ViewStart = window.Start;
    ViewEnd = window.End;
    RedrawGraph(ViewStart, ViewEnd, m_.GraphTopY, m_.GraphLowY);
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
