#include "graph/GraphScroll.h"

#include "common/DateTimeText.h"
#include "common/Numbers.h"
#include "record/SampleLog.h"

#include <algorithm>

namespace kst {

bool AdvanceGraphScroll(ScrollPosition &scroll, double width, qint32 index)
{
    if (!(scroll.Value + width - 5.0 < index))
        return false;
    if (scroll.Value >= scroll.Maximum)
        scroll.Maximum = std::min(scroll.Maximum + 5, ScrollMaximumLimit);
    if (scroll.Value >= scroll.Maximum)
        return false; // pinned at the limit
    ++scroll.Value;
    return true;
}

ViewWindow ScrollViewWindow(qint32 value, double width, qint32 sampleCount)
{
    const qint64 wholeWidth = RoundHalfEven(width);
    if (sampleCount > wholeWidth) {
        const qint64 end = std::min<qint64>(RoundHalfEven(value + width), sampleCount);
        return {value, qint32(end)};
    }
    return {0, sampleCount};
}

ScrollPosition RecordingStartPosition(ScrollPosition scroll, double width, qint32 sampleCount)
{
    if (width - 5 < sampleCount) {
        const qint64 maximum = RoundHalfEven(sampleCount - width + 9);
        const qint64 value = RoundHalfEven(sampleCount - width + 4);
        scroll.Maximum = qint32(std::clamp<qint64>(maximum, 0, ScrollMaximumLimit));
        scroll.Value = qint32(std::clamp<qint64>(value, 0, scroll.Maximum));
    } else {
        scroll.Value = 0;
    }
    if (scroll.Maximum < ScrollInitialMaximum)
        scroll.Maximum = ScrollInitialMaximum;
    return scroll;
}

qint32 MaximumAfterLoad(qint32 maximum, qint32 sampleCount)
{
    const qint32 last = std::min(sampleCount - 1, ScrollMaximumLimit);
    return std::max(maximum, last);
}

qint32 ClickSampleOffset(double x)
{
    return qint32(std::clamp<qint64>(RoundHalfEven(x), -2147483647, 2147483647));
}

PointReadout ReadoutFor(const SampleLog &log, qint64 index, const QDateTime &now)
{
    if (index < 0 || index >= log.SampleCount)
        return {QStringLiteral("NO DATA"), QString(), StampText(now)};
    const auto i = qint32(index);
    return {FormatSingle(log.SampleValue(i), DigitsPattern(log.SampleDecimals(i))),
            log.SampleUnit(i), SystemTimeText(log.SampleTime(i))};
}

QPointF ReadoutPlacement(const QRectF &frameTwips, qint32 clickX, float clickY)
{
    const double left =
        clickX >= 50 ? frameTwips.left() : frameTwips.left() + frameTwips.width() - 1500;
    const double top =
        clickY > 0 ? frameTwips.top() + frameTwips.height() - 200 : frameTwips.top() + 650;
    return {left, top};
}

} // namespace kst
