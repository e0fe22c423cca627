#include "record/Markers.h"

#include "common/DateTimeText.h"
#include "common/DrawingSurface.h"
#include "record/Gaps.h"
#include "record/SampleLog.h"

#include <algorithm>

namespace kst {

QString MarkerText(const QString &typed)
{
    QString text;
    text.reserve(typed.size());
    for (const QChar c : typed) {
        if (c == u'\t' || c == u'\n' || c == u'\r')
            text += u' ';
        else if (c.category() != QChar::Other_Control)
            text += c;
    }
    return text.trimmed().left(MarkerTextMax);
}

void AddMarker(MarkerList &markers, Marker marker)
{
    const qint64 at = WallMs(marker.date, marker.time);
    const auto place =
        std::upper_bound(markers.begin(), markers.end(), at, [](qint64 wall, const Marker &m) {
            return wall < WallMs(m.date, m.time);
        });
    markers.insert(place, std::move(marker));
}

qint32 SampleAtOrAfter(const SampleLog &log, qint64 wallMs)
{
    qint32 low = 0, high = log.SampleCount;
    while (low < high) {
        const qint32 middle = low + (high - low) / 2;
        if (log.SampleWallMs(middle) < wallMs)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

QStringList MarkerListing(const MarkerList &markers)
{
    if (markers.empty())
        return {};
    QStringList lines{QStringLiteral("Markers:")};
    for (const Marker &marker : markers)
        lines << DateText(marker.date) + u' ' + ClockText(marker.time) + QStringLiteral("  ") +
                     marker.text;
    return lines;
}

void PrintMarkerListing(DrawingSurface &surface, const MarkerList &markers)
{
    for (const QString &line : MarkerListing(markers))
        surface.Print(line);
}

} // namespace kst
