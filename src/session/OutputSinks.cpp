#include "session/OutputSinks.h"

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

} // namespace kst
