#pragma once

#include <QDate>
#include <QString>
#include <QTime>

namespace kst {

// Two samples more than this far apart have a gap between them. The meter sends a few frames a
// second, so two seconds without a sample is the device gone, the meter silent, recording paused
// or a held display, not the pace of the readings. Times read from a sample file keep whole
// seconds: a pause of two seconds or less never reads as more there.
inline constexpr qint64 GapMs = 2000;

// Local dates and times on one scale of milliseconds (see SampleLog::SampleWallMs).
inline qint64 WallMs(const QDate &date, const QTime &time)
{
    return qint64(date.toJulianDay()) * 86400000 + time.msecsSinceStartOfDay();
}

inline bool IsGap(qint64 beforeWallMs, qint64 afterWallMs)
{
    return afterWallMs - beforeWallMs > GapMs;
}

// Why readings stopped, as far as the recording knows, from the least to the most telling: a
// gap found only in the times, the meter silent, the link lost, recording paused by the user.
enum class GapCause { Unknown, Silent, LinkLost, Paused };

// "no samples", "meter silent", "link lost", "recording paused".
inline QString GapCauseText(GapCause cause)
{
    switch (cause) {
    case GapCause::Silent:
        return QStringLiteral("meter silent");
    case GapCause::LinkLost:
        return QStringLiteral("link lost");
    case GapCause::Paused:
        return QStringLiteral("recording paused");
    case GapCause::Unknown:
        break;
    }
    return QStringLiteral("no samples");
}

} // namespace kst
