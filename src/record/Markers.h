#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QTime>
#include <vector>

namespace kst {

class DrawingSurface;
class SampleLog;

// A short note the user put at a moment of the recording ("changed R5"), in local time with
// milliseconds. Markers belong to the recording as a whole, not to one meter: each meter's graph
// shows them at its samples of that moment.
struct Marker {
    QDate date;
    QTime time;
    QString text;

    friend bool operator==(const Marker &, const Marker &) = default;
};
using MarkerList = std::vector<Marker>;

// The longest note a marker keeps, in characters.
inline constexpr int MarkerTextMax = 200;

// A note as a marker keeps it: one line (line ends and tabs become spaces, other control
// characters go), trimmed, at most MarkerTextMax characters.
QString MarkerText(const QString &typed);

// Adds a marker after those at or before its time, so the list stays in time order.
void AddMarker(MarkerList &markers, Marker marker);

// Where a moment falls in a log recorded in time order: the first sample at or after it, or
// SampleCount when every sample is earlier (the place of the next sample).
qint32 SampleAtOrAfter(const SampleLog &log, qint64 wallMs);

// The markers as a printed report lists them after the samples: "Markers:" and one line each,
// "mm-dd-yyyy hh:mm:ss  note"; nothing at all without markers.
QStringList MarkerListing(const MarkerList &markers);
// Prints that listing from the surface's current point, a line each, in its font.
void PrintMarkerListing(DrawingSurface &surface, const MarkerList &markers);

} // namespace kst
