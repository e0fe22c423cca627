#include "graph/GraphCursor.h"

#include "common/DateTimeText.h"
#include "common/DrawingSurface.h"
#include "common/Numbers.h"
#include "meter/FrameDecoder.h"
#include "record/SampleLog.h"
#include "record/UnitConversion.h"

#include <algorithm>
#include <cmath>

namespace kst {

namespace {

QString TimeText(const QTime &time)
{
    QString text = SystemTimeText(time);
    if (time.msec() != 0) // read from a file, a sample has whole seconds
        text += u'.' + QString::number(time.msec()).rightJustified(3, u'0');
    return text;
}

QString ValueText(const SampleLog &log, qint64 i)
{
    if (i < 0 || i >= log.SampleCount)
        return QStringLiteral("no data");
    const auto k = qint32(i);
    const float value = log.SampleValue(k);
    const QString number =
        IsOverRangeValue(value) ? OverloadText : PlainValueText(value, log.SampleDecimals(k));
    return number + u' ' + log.SampleUnit(k);
}

// Sample i in the graph unit.
double InGraphUnit(const SampleLog &log, qint32 i, const QString &graphUnit)
{
    QString unit = log.SampleUnit(i);
    QString to = graphUnit;
    return double(NormalizeUnitValue(log.SampleValue(i), unit, to));
}

QString Signed(double value, int decimals)
{
    return (value >= 0 ? QStringLiteral("+") : QString()) + QString::number(value, 'f', decimals);
}

// The lines of two cursors on samples of the log.
QStringList TwoCursors(const SampleLog &log, const QString &graphUnit, qint32 a, qint32 b)
{
    const QString unit = graphUnit.trimmed();
    const int decimals = std::max(log.SampleDecimals(a), log.SampleDecimals(b));
    const bool ms = log.SampleTime(a).msec() != 0 || log.SampleTime(b).msec() != 0;
    QStringList lines{QStringLiteral("A ") + TimeText(log.SampleTime(a)) + QStringLiteral("  ") +
                          ValueText(log, a),
                      QStringLiteral("B ") + TimeText(log.SampleTime(b)) + QStringLiteral("  ") +
                          ValueText(log, b)};
    lines << QStringLiteral("Δt ") + DurationText(log.SampleWallMs(b) - log.SampleWallMs(a), ms) +
                 QStringLiteral("  Δ ") +
                 Signed(InGraphUnit(log, b, graphUnit) - InGraphUnit(log, a, graphUnit), decimals) +
                 u' ' + unit;
    double sum = 0, low = 0, high = 0;
    qint64 counted = 0;
    for (qint32 i = std::min(a, b); i <= std::max(a, b); ++i) {
        if (IsOverRangeValue(log.SampleValue(i)))
            continue;
        const double value = InGraphUnit(log, i, graphUnit);
        low = counted == 0 ? value : std::min(low, value);
        high = counted == 0 ? value : std::max(high, value);
        sum += value;
        ++counted;
    }
    if (counted == 0)
        lines << QStringLiteral("no values between A and B");
    else
        lines << QStringLiteral("mean %1  min %2  max %3 %4 (%5 samples)")
                     .arg(QString::number(sum / double(counted), 'f', decimals + 1),
                          QString::number(low, 'f', decimals), QString::number(high, 'f', decimals),
                          unit)
                     .arg(counted);
    return lines;
}

} // namespace

qint64 NearestSample(double x, qint64 viewStart, qint32 sampleCount)
{
    if (sampleCount <= 0)
        return -1;
    return std::clamp<qint64>(viewStart + std::llround(x), 0, sampleCount - 1);
}

QString DurationText(qint64 ms, bool withMs)
{
    const QString sign = ms < 0 ? QStringLiteral("-") : QString();
    const qint64 whole = std::abs(ms);
    const QString fraction =
        withMs ? u'.' + QString::number(whole % 1000).rightJustified(3, u'0') : QString();
    const qint64 seconds = whole / 1000;
    if (seconds < 60)
        return sign + QString::number(seconds) + fraction + QStringLiteral(" s");
    return sign +
           QStringLiteral("%1:%2:%3")
               .arg(seconds / 3600)
               .arg(seconds / 60 % 60, 2, 10, QChar(u'0'))
               .arg(seconds % 60, 2, 10, QChar(u'0')) +
           fraction;
}

QStringList CursorReadout(const SampleLog &log, const SampleLog *saved, const QString &graphUnit,
                          qint64 a, std::optional<qint64> b)
{
    const bool inLog = a >= 0 && a < log.SampleCount;
    QStringList lines;
    if (b && inLog && *b >= 0 && *b < log.SampleCount) {
        lines = TwoCursors(log, graphUnit, qint32(a), qint32(*b));
        if (saved)
            lines << QStringLiteral("saved: A ") + ValueText(*saved, a) + QStringLiteral("  B ") +
                         ValueText(*saved, *b);
        return lines;
    }
    if (inLog)
        lines << DateText(log.SampleDate(qint32(a))) + u' ' + TimeText(log.SampleTime(qint32(a)));
    lines << ValueText(log, a);
    if (saved)
        lines << QStringLiteral("saved: ") + ValueText(*saved, a);
    return lines;
}

void DrawCursors(DrawingSurface &surface, qint64 viewStart, qint64 a, std::optional<qint64> b,
                 const QStringList &readout)
{
    const double top = surface.ScaleTop(), bottom = top + surface.ScaleHeight();
    const double left = surface.ScaleLeft(), right = left + surface.ScaleWidth();
    surface.Cls();
    surface.SetForeColor(CursorColour);
    surface.SetDrawWidth(1);
    const double xa = double(a - viewStart);
    surface.SetDrawStyle(0);
    surface.Line(xa, top, xa, bottom);
    if (b) {
        surface.SetDrawStyle(1);
        surface.Line(double(*b - viewStart), top, double(*b - viewStart), bottom);
        surface.SetDrawStyle(0);
    }
    // The read-out in the bottom corner away from the cursor, a few pixels in (the markers'
    // notes are at the top).
    double width = 0;
    for (const QString &line : readout)
        width = std::max(width, surface.TextWidth(line));
    const double margin = surface.DeviceToUserX(6);
    const bool onRight = xa < left + (right - left) / 2;
    const double x = onRight ? right - width - margin : left + margin;
    surface.SetForeColor(Black);
    surface.SetCurrentY(bottom - surface.DeviceToUserY(4) -
                        double(readout.size()) * surface.TextHeight());
    for (const QString &line : readout) {
        surface.SetCurrentX(x);
        surface.Print(line);
    }
}

void DrawZoomBox(DrawingSurface &surface, const QRectF &box)
{
    const QRectF r = box.normalized();
    const double x0 = surface.ScaleLeft() + r.left() * surface.ScaleWidth();
    const double x1 = surface.ScaleLeft() + r.right() * surface.ScaleWidth();
    const double y0 = surface.ScaleTop() + r.top() * surface.ScaleHeight();
    const double y1 = surface.ScaleTop() + r.bottom() * surface.ScaleHeight();
    surface.Cls();
    surface.SetForeColor(CursorColour);
    surface.SetDrawWidth(1);
    surface.SetDrawStyle(1);
    surface.SetCurrentX(x0);
    surface.SetCurrentY(y0);
    surface.PolylineTo({{x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}});
    surface.SetDrawStyle(0);
}

} // namespace kst
