#pragma once

#include "common/Result.h"
#include "files/AppendFile.h"
#include "files/CsvWriter.h"
#include "record/SampleLog.h"

#include <QString>

namespace kst {

// Appends samples to a CSV file of one form (CsvWriter.h) one row at a time as they are recorded,
// each row in one write.
class CsvFileAppender {
public:
    explicit CsvFileAppender(CsvFormat format = {}) : format_(std::move(format)), writer_(format_)
    {
    }

    // Creates the file with its header row, or continues the CSV at path, which must begin with
    // that header row (the same form, and for the spreadsheet form the same separators). A last
    // row without its CR LF is completed when it is whole (all six fields, a valid time; RFC 4180
    // lets a file end so) and removed when it was cut. The value is a notice for the user about
    // what was done to continue the file; empty when there is nothing to say.
    Result<QString> Open(const QString &path);
    // The sample's row in one write; a failed write leaves the file at its last whole row and
    // names the cause.
    Status Append(const Sample &sample);
    void Close() { file_.Close(); }

    bool IsOpen() const { return file_.IsOpen(); }
    QString Path() const { return file_.Path(); }

private:
    Result<QString> Continue();
    bool IsWholeRow(const QByteArray &row) const;

    CsvFormat format_;
    AppendFile file_;
    CsvWriter writer_;
};

} // namespace kst
