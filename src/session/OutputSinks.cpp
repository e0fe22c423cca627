#include "session/OutputSinks.h"

#include "files/CsvWriter.h"
#include "files/RecordingJournal.h"
#include "files/SampleFile.h"
#include "meter/ReadingExport.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <cerrno>

namespace kst {

Status JournalOutput::Recorded(const SampleLog &log, qint32 n)
{
    static_cast<void>(log); // the journal reads the log it was built on
    journal_.Append(n, continuedFile_());
    return {};
}

Status JournalOutput::Flush()
{
    journal_.Sync();
    return {};
}

Status PublishOutput::Take(const TimedReading &reading)
{
    publish_(ReadingJson(reading.time, reading.reading, ReadingValue(reading.reading)),
             reading.reading.AcDcText + reading.reading.UnitText);
    return {};
}

Status StreamOutput::Take(const TimedReading &reading)
{
    if (closed_)
        return {};
    const float value = ReadingValue(reading.reading);
    const QByteArray line = form_ == Form::Json
                                ? ReadingJson(reading.time, reading.reading, value)
                                : ReadingLine(reading.time, reading.reading, value).toUtf8();
    if (std::fwrite(line.constData(), 1, size_t(line.size()), stream_) == size_t(line.size()) &&
        std::fputc('\n', stream_) != EOF && std::fflush(stream_) == 0)
        return {};
    const int error = errno;
    if (error != EPIPE)
        return Failure::FromErrno(error, QStringLiteral("standard output"));
    closed_ = true; // a reader that went away (kst-log ... | head)
    return Failure::Permanent(QStringLiteral("standard output: the reader went away"));
}

Status StreamOutput::Flush()
{
    if (!closed_)
        static_cast<void>(std::fflush(stream_)); // a failure shows at the next line
    return {};
}

FileOutput::FileOutput(QString path, Form form) : path_(std::move(path)), form_(form) {}

FileOutput::~FileOutput() = default;

Status FileOutput::Open()
{
    if (form_ == Form::Samples && QFileInfo::exists(path_)) {
        // Only a file that loads completely is continued: records appended after a damaged one
        // would never be read.
        SampleLog existing;
        const SampleFileReadResult read = LoadSampleFile(path_, existing);
        if (!read.complete)
            return Failure::Permanent(QStringLiteral("%1: not a complete sample file (line %2: "
                                                     "%3); choose another file")
                                          .arg(path_)
                                          .arg(read.stopLine)
                                          .arg(read.stopReason));
    }
    file_ = std::make_unique<QFile>(path_);
    const QIODevice::OpenMode mode =
        QIODevice::Append | QIODevice::Unbuffered |
        (form_ == Form::Csv ? QIODevice::ReadWrite : QIODevice::WriteOnly);
    if (!file_->open(mode))
        return Failure::Permanent(QStringLiteral("%1: %2").arg(path_, file_->errorString()));
    return Continue();
}

Status FileOutput::Continue()
{
    if (form_ == Form::Csv) {
        if (file_->size() == 0)
            return Append(CsvWriter::HeaderRow());
        // An existing file is continued when it is this program's CSV and ends with a whole row.
        QFile existing(path_);
        const QByteArray header = CsvWriter::HeaderRow();
        bool ours = existing.open(QIODevice::ReadOnly) && existing.read(header.size()) == header;
        ours = ours && existing.seek(existing.size() - 2) && existing.read(2) == "\r\n";
        if (!ours)
            return Failure::Permanent(
                QStringLiteral("%1: not a CSV file of kst-log; choose another file").arg(path_));
        return {};
    }
    // A last record without its line end gets one, so the next record starts a line.
    if (file_->size() > 0) {
        QFile tail(path_);
        if (tail.open(QIODevice::ReadOnly) && tail.seek(tail.size() - 1) && tail.read(1) != "\n")
            return Append(QByteArrayLiteral("\r\n"));
    }
    return {};
}

Status FileOutput::Recorded(const SampleLog &log, qint32 n)
{
    if (!file_ || !file_->isOpen())
        return {};
    if (form_ == Form::Csv)
        return Append(CsvWriter::Row(log.At(n)));
    QByteArray record;
    QBuffer buffer(&record);
    buffer.open(QIODevice::WriteOnly);
    WriteSampleFile(buffer, log, n + 1, n);
    return Append(record);
}

Status FileOutput::Append(const QByteArray &bytes)
{
    // One write per record: a reader never sees half of one unless the disk fills mid-record.
    if (file_->write(bytes) == bytes.size())
        return {};
    return Failure::Transient(QStringLiteral("%1: %2").arg(path_, file_->errorString()));
}

void FileOutput::Close()
{
    if (file_)
        file_->close();
}

} // namespace kst
