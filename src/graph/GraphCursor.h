#pragma once

#include <QRectF>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <optional>

namespace kst {

class DrawingSurface;
class SampleLog;

// The cursor read-out: a vertical line at a sample with its time and each trace's value there,
// or two cursors with what lies between them.

// The sample nearest to graph x in a window whose x = 0 is sample viewStart, within the log;
// -1 for an empty log.
qint64 NearestSample(double x, qint64 viewStart, qint32 sampleCount);

// A length of time: "12.250 s" under a minute, else "1:02:03.250"; the milliseconds only when
// withMs; a minus sign when negative.
QString DurationText(qint64 ms, bool withMs);

// The read-out's lines. One cursor at sample a: its date and time (with milliseconds where the
// sample has them), the line's value and unit there, and the saved recording's at the same
// sample when there is one ("saved: ..."). Two cursors, a and b: each one's time, value and unit
// ("A ...", "B ..."), the time and value from a to b ("Δt ... Δ ..."), and the mean, lowest and
// highest value from a to b, both included and over-range samples left out, in the graph unit.
QStringList CursorReadout(const SampleLog &log, const SampleLog *saved, const QString &graphUnit,
                          qint64 a, std::optional<qint64> b);

// The cursors on a surface in the plot's coordinates (sample i at x = i - viewStart): a solid
// line at a, a dashed one at b, and the read-out at the bottom, in the corner away from a.
void DrawCursors(DrawingSurface &surface, qint64 viewStart, qint64 a, std::optional<qint64> b,
                 const QStringList &readout);
// The box a Shift-drag zooms to, given in fractions of the plot from its top left.
void DrawZoomBox(DrawingSurface &surface, const QRectF &box);

inline constexpr qint32 CursorColour = 0x800080;

} // namespace kst
