#include "session/OutputSinks.h"

#include "files/CsvWriter.h"
#include "files/RecordingJournal.h"
#include "meter/ReadingExport.h"

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
    publish_(ReadingJson(reading.time, reading.reading, ReadingValue(reading.reading), meter_),
             reading.reading.AcDcText + reading.reading.UnitText);
    return {};
}

Status StreamOutput::Take(const TimedReading &reading)
{
    if (closed_ || form_ == Form::Csv)
        return {};
    const float value = ReadingValue(reading.reading);
    return Print(form_ == Form::Json
                     ? ReadingJson(reading.time, reading.reading, value, meter_)
                     : ReadingLine(reading.time, reading.reading, value, meter_).toUtf8(),
                 "\n");
}

Status StreamOutput::Recorded(const SampleLog &log, qint32 n)
{
    if (closed_ || form_ != Form::Csv)
        return {};
    if (!*headerPrinted_) {
        *headerPrinted_ = true;
        if (Status header = Print(CsvWriter::HeaderRow(csvFormat_, !meter_.isEmpty()), ""); !header)
            return header;
    }
    return Print(csv_.RowOf(log.At(n), meter_), "");
}

Status StreamOutput::Print(const QByteArray &line, const char *end)
{
    if (std::fwrite(line.constData(), 1, size_t(line.size()), stream_) == size_t(line.size()) &&
        std::fputs(end, stream_) != EOF && std::fflush(stream_) == 0)
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

} // namespace kst
