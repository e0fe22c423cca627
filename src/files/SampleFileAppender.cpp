#include "files/SampleFileAppender.h"

#include "files/FileIo.h"
#include "files/SampleFileReader.h"
#include "files/SampleFileWriter.h"

#include <QFileInfo>

namespace kst {

Result<QString> SampleFileAppender::Open(const QString &path)
{
    Close();
    if (const Status regular = CheckRegularFile(path, true); !regular)
        return regular.Error();
    SampleFileReadResult read;
    if (QFileInfo::exists(path)) {
        SampleLog existing;
        read = LoadSampleFile(path, existing);
        if (!read.complete && !read.lastRecordCut)
            return Failure::Permanent(
                QStringLiteral("%1: not a complete sample file (line %2: %3); choose another file")
                    .arg(path)
                    .arg(read.stopLine)
                    .arg(read.stopReason));
    }
    if (const Status opened = file_.Open(path); !opened)
        return opened.Error();
    if (!read.lastRecordCut)
        return QString();
    if (const Status cut = file_.TruncateTo(read.wholeBytes); !cut) {
        Close();
        return cut.Error();
    }
    return QStringLiteral("%1: the last record (line %2) had no line end and may have been cut "
                          "off; it was removed, the records before it are kept (%3)")
        .arg(path)
        .arg(read.stopLine)
        .arg(read.recordsLoaded);
}

Status SampleFileAppender::Append(const Sample &sample)
{
    return file_.Append(SampleRecordBytes(sample));
}

Status SampleFileAppender::Append(const SampleLog &log, qint32 n)
{
    const QByteArrayView record = records_.Record(log, n);
    return file_.Append(record.data(), record.size());
}

} // namespace kst
