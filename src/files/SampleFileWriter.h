#pragma once

#include "files/SampleFile.h"
#include "record/SampleLog.h"

#include <QIODevice>
#include <QString>
#include <functional>

namespace kst {

struct SampleFileWriteResult {
    bool ok = true;
    qint32 recordsWritten = 0;
    QString error; // the device's reason when ok is false
};

// Writes records first .. count - 1 of the log to an open device, one formatted write per record
// into a buffer that goes to the device in large blocks. count is clamped to the log's arrays.
// Stops at the first failed device write.
SampleFileWriteResult WriteSampleFile(QIODevice &device, const SampleLog &log, qint32 count,
                                      qint32 first = 0);

struct SampleFileSaveResult {
    bool ok = false;
    QString error; // names the file and the reason when ok is false
};

// Writes the log to path atomically: the records go to a temporary file that replaces path only
// when every byte was written. Any failure leaves an existing file at path untouched.
SampleFileSaveResult SaveSampleFile(const QString &path, const SampleLog &log, qint32 count);
// Writes a file whole or not at all: write fills the device and returns an empty text, or the
// reason it failed; on any failure the old file stays as it was.
SampleFileSaveResult SaveAtomically(const QString &path,
                                    const std::function<QString(QIODevice &)> &write);

} // namespace kst
