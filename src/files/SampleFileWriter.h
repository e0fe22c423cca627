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

// The records of a log's samples one at a time, as an appender writes them: the record's room,
// its unit's UTF-8 and its date's text are kept for the next record.
class SampleRecordWriter {
public:
    // Sample i of the log as one record (as SampleRecordBytes writes it); valid until the next.
    QByteArrayView Record(const SampleLog &log, qint32 i);

private:
    QByteArray record_;
    QString unit_;
    QByteArray unitBytes_;
    qint32 day_ = 0;
    char date_[24];
    qsizetype dateSize_ = 0;
};

// Writes the log to path atomically (SaveAtomically): any failure leaves an existing file at
// path untouched and names the file and the cause.
Status SaveSampleFile(const QString &path, const SampleLog &log, qint32 count);

} // namespace kst
