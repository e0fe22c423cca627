#pragma once

#include <QDate>
#include <QString>
#include <QTime>
#include <functional>

// The ".mas" sample file: one text line per sample, nine comma-separated fields ended by CR LF,
//
//   1.234,#2000-05-04#,#10:15:30#,"DCV",3,#TRUE#,#FALSE#,99999,99999
//
// value, date, time of day, unit, decimals, is-max flag, is-min flag, running average and Rel
// reference. Files are written as UTF-8; a line that is not valid UTF-8 is read as Windows-1252
// so files from older Windows machines still load. SampleFileReader.h reads them,
// SampleFileWriter.h writes them, SampleFileFields.h holds the conversions of each field that
// both share.
namespace kst {

struct SampleFileReadResult {
    qint32 recordsLoaded = 0;
    // True when the whole file was read; false when reading stopped early.
    bool complete = true;
    // 1-based line where reading stopped (0 when complete) and why.
    qint64 stopLine = 0;
    QString stopReason;
    // The last record had no line end and was left out: a full disk or a copy broken off may
    // have cut it, and what is left of it would read as a sample with a wrong value.
    bool lastRecordCut = false;
    // Bytes from the start of the file to the end of the last loaded record's line: the part of
    // the file that is whole.
    qint64 wholeBytes = 0;
    // Indices (into the log) of the last loaded record flagged as maximum, as minimum, and with
    // an average other than 99999; -1 when there is none. They restore the read-outs.
    qint32 lastMaxIndex = -1;
    qint32 lastMinIndex = -1;
    qint32 lastAvgIndex = -1;
};

// Called while a file is read with the bytes consumed so far and the device's size (0 when
// unknown); at most about every 30 ms, so it may let the interface process its events.
using SampleFileProgress = std::function<void(qint64 bytesDone, qint64 bytesTotal)>;

// "default" N ".mas" for the first N = 1, 2, 3, ... naming no existing file in sampleFolder.
QString NextDefaultFileName(const QString &sampleFolder);

// The texts a statistic read-out shows for a record restored from a file.
struct ReadoutTexts {
    QString data; // the value formatted "###0.0##"
    QString time; // the record's date "mm-dd-yyyy", a space, its time in the system's format
};
ReadoutTexts LoadedReadoutTexts(float value, const QDate &date, const QTime &time);

} // namespace kst
