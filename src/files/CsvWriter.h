#pragma once

#include "files/SampleFileWriter.h"
#include "record/SampleLog.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>

namespace kst {

// The sample log as CSV for spreadsheets and scripts: RFC 4180 in UTF-8, records ended by CR LF,
// a header row, then one row per sample:
//
//   time,value,unit,over_range,average,rel_reference
//   2026-12-06T14:03:27.250+01:00,1.234,DCV,false,,
//
// time is the sample's local time in ISO 8601 with milliseconds and the offset from UTC; value a
// plain number with the sample's decimals; unit the text as stored; over_range true or false (the
// value is then the over-range marker 4000); average and rel_reference as the sample file keeps
// them, empty where they were off. A field holding a comma, a quote or a line break is quoted.
class CsvWriter {
public:
    static QByteArray HeaderRow();
    static QByteArray Row(const Sample &sample);

    explicit CsvWriter(QIODevice &device) : device_(device) {}

    // The header and rows 0 .. count - 1 (clamped to SampleCount), in large blocks. False at the
    // first failed write, with the device's reason in Error().
    bool Write(const SampleLog &log, qint32 count);
    QString Error() const { return error_; }

private:
    bool Put(const QByteArray &bytes);

    QIODevice &device_;
    QString error_;
};

using CsvSaveResult = SampleFileSaveResult;

// Writes the CSV to path atomically: a failure leaves an existing file at path untouched.
CsvSaveResult SaveCsvFile(const QString &path, const SampleLog &log, qint32 count);

} // namespace kst
