#pragma once

#include "common/Result.h"
#include "files/FileIo.h"
#include "files/SampleFile.h"
#include "record/SampleLog.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>

namespace kst {

// Writes records first .. count - 1 of the log, one formatted write per record into a buffer
// that goes to the sink in large blocks. count is clamped to the log's arrays. Stops at the
// first failed write.
Status WriteSampleFile(const ByteSink &sink, const SampleLog &log, qint32 count, qint32 first = 0);
Status WriteSampleFile(QIODevice &device, const SampleLog &log, qint32 count, qint32 first = 0);
// The same records as bytes in memory.
QByteArray SampleFileBytes(const SampleLog &log, qint32 count, qint32 first = 0);
// One record as a save writes it, for appending one record at a time.
QByteArray SampleRecordBytes(const Sample &sample);

// Writes the log to path atomically (SaveAtomically): any failure leaves an existing file at
// path untouched and names the file and the cause.
Status SaveSampleFile(const QString &path, const SampleLog &log, qint32 count);

} // namespace kst
