#pragma once

#include "common/Result.h"
#include "record/Markers.h"

#include <QByteArray>
#include <QString>

// The markers of a recording beside its sample file, as plain text: "run.markers" beside
// "run.mas", one marker a line, its local date and time with milliseconds, a tab and the note,
// in UTF-8 with LF line ends:
//
//   2026-12-07 14:05:00.250	changed R5
//
// The sample file stays as it is; a program that knows nothing of markers reads it as before.
namespace kst {

// The marker file of a sample file: its extension replaced by ".markers" (added when it has
// none).
QString MarkerFilePath(const QString &samplePath);

QByteArray MarkerFileBytes(const MarkerList &markers);
// The markers of a marker file's bytes, in time order; a line that is not a marker (edited by
// hand, cut off) is skipped and counted.
MarkerList ParseMarkerFile(const QByteArray &bytes, int *skipped = nullptr);

// Writes the markers beside the sample file, whole or not at all. Without markers nothing is
// written, and a marker file left there by an earlier save is emptied, so an Open brings back no
// markers the samples never had.
Status SaveMarkerFile(const QString &samplePath, const MarkerList &markers);
// The markers beside a sample file; none when there is no marker file.
Result<MarkerList> LoadMarkerFile(const QString &samplePath);

} // namespace kst
