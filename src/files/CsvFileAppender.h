#pragma once

#include "common/Result.h"
#include "files/AppendFile.h"
#include "files/CsvWriter.h"
#include "record/SampleLog.h"

#include <QDate>
#include <QString>
#include <QTime>
#include <memory>
#include <optional>

namespace kst {

// Appends samples to a CSV file of one form (CsvWriter.h) one row at a time as they are recorded,
// each row in one write.
class CsvFileAppender {
public:
    explicit CsvFileAppender(CsvFormat format = {})
        : format_(std::move(format)), writer_(std::make_unique<CsvWriter>(format_))
    {
    }

    // Creates the file with its header row, or continues the CSV at path, which must begin with
    // that header row (the same form, and for the spreadsheet form the same separators) or with
    // the header of the earlier form without the note column, which is then continued in that
    // form. A last row without its CR LF is completed when it is a whole sample's row (every
    // field, a valid time; RFC 4180 lets a file end so) and removed otherwise. The value is a
    // notice for the user about what was done to continue the file; empty when there is nothing
    // to say.
    Result<QString> Open(const QString &path);
    // The sample's row in one write; a failed write leaves the file at its last whole row and
    // names the cause.
    Status Append(const Sample &sample);
    // Sample n of a log; when the log notes a gap before it, the gap's row (at the time of the
    // sample appended before) goes in the same write.
    Status Append(const SampleLog &log, qint32 n);
    void Close() { file_.Close(); }

    bool IsOpen() const { return file_.IsOpen(); }
    QString Path() const { return file_.Path(); }

private:
    Result<QString> Continue();
    bool IsWholeRow(const QByteArray &row) const;

    CsvFormat format_;
    AppendFile file_;
    std::unique_ptr<CsvWriter> writer_;
    // The date and time of the sample appended last in this run.
    std::optional<std::pair<QDate, QTime>> last_;
    QByteArray rows_; // what one append writes, kept for the next
};

} // namespace kst
