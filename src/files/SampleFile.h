#pragma once

#include "record/SampleLog.h"

#include <QIODevice>
#include <QString>
#include <functional>

// The ".mas" sample file: one text line per sample, nine comma-separated fields ended by CR LF,
//
//   1.234,#2000-05-04#,#10:15:30#,"DCV",3,#TRUE#,#FALSE#,99999,99999
//
// value, date, time of day, unit, decimals, is-max flag, is-min flag, running average and Rel
// reference. Files are written as UTF-8; a line that is not valid UTF-8 is read as Windows-1252
// so files from older Windows machines still load.
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

struct SampleFileReadResult {
    qint32 recordsLoaded = 0;
    // True when the whole file was read; false when reading stopped early.
    bool complete = true;
    // 1-based line where reading stopped (0 when complete) and why.
    qint64 stopLine = 0;
    QString stopReason;
    // Indices (into the log) of the last loaded record flagged as maximum, as minimum, and with
    // an average other than 99999; -1 when there is none. They restore the read-outs.
    qint32 lastMaxIndex = -1;
    qint32 lastMinIndex = -1;
    qint32 lastAvgIndex = -1;
};

// Called while a file is read with the bytes consumed so far and the device's size (0 when
// unknown); at most about every 30 ms, so it may let the interface process its events.
using SampleFileProgress = std::function<void(qint64 bytesDone, qint64 bytesTotal)>;

// Appends the device's records to the log at SampleCount, growing the arrays by the log's
// capacity rule; the caller empties the log first. Fields are separated by commas or line ends,
// blanks before a field are skipped, and a last line without its line end is read. Reading stops
// at the first record with too few fields or a field that does not convert; the records before
// it stay loaded.
SampleFileReadResult ReadSampleFile(QIODevice &device, SampleLog &log,
                                    const SampleFileProgress &progress = {});

// Opens path and reads it as above; a file that cannot be opened loads nothing and is reported
// as stopped at line 0 with the reason.
SampleFileReadResult LoadSampleFile(const QString &path, SampleLog &log,
                                    const SampleFileProgress &progress = {});

// "default" N ".mas" for the first N = 1, 2, 3, ... naming no existing file in sampleFolder.
QString NextDefaultFileName(const QString &sampleFolder);

// The texts a statistic read-out shows for a record restored from a file.
struct ReadoutTexts {
    QString data; // the value formatted "###0.0##"
    QString time; // the record's date "mm-dd-yyyy", a space, its time in the system's format
};
ReadoutTexts LoadedReadoutTexts(float value, const QDate &date, const QTime &time);

} // namespace kst
