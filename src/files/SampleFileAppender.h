#pragma once

#include "common/Result.h"
#include "files/AppendFile.h"
#include "files/SampleFileWriter.h"
#include "record/SampleLog.h"

#include <QString>

namespace kst {

// Appends samples to a ".mas" file one record at a time as they are recorded, so a file cut at
// any moment (a kill, a power cut, a full disk) still loads.
class SampleFileAppender {
public:
    // Creates the file, or continues the sample file at path. A file is continued only when it
    // loads completely, since records appended after damage would never be read; a last record
    // without its line end, which may have been cut, is removed first. The value is a notice for
    // the user about what was done to continue the file; empty when there is nothing to say.
    Result<QString> Open(const QString &path);
    // The sample as one record in one write; a failed write leaves the file at its last whole
    // record and names the cause.
    Status Append(const Sample &sample);
    // Sample n of a log (a sample file keeps no gaps: they are found from the times).
    Status Append(const SampleLog &log, qint32 n);
    void Close() { file_.Close(); }

    bool IsOpen() const { return file_.IsOpen(); }
    QString Path() const { return file_.Path(); }

private:
    AppendFile file_;
    SampleRecordWriter records_;
};

} // namespace kst
