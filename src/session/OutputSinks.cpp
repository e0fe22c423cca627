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

Status PublishOutput::LinkChanged(const QDateTime &, bool lost)
{
    if (link_)
        link_(lost);
    return {};
}

Status PublishOutput::Marked(const Marker &marker)
{
    if (marker_)
        marker_(NoteJson(QDateTime(marker.date, marker.time), "marker", marker.text, meter_));
    return {};
}

Status StreamOutput::LinkChanged(const QDateTime &when, bool lost)
{
    if (closed_ || form_ != Form::Json)
        return {};
    return Print(NoteJson(when, "status",
                          lost ? QStringLiteral("link lost") : QStringLiteral("link back"), meter_),
                 "\n");
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
    const Sample sample = log.At(n);
    QByteArray rows;
    if (const QString *gap = log.GapReason(n); gap && last_)
        rows = csv_.NoteRowOf(last_->first, last_->second, CsvWriter::GapNote(*gap), meter_);
    last_ = std::pair(sample.date, sample.time);
    return Print(rows + csv_.RowOf(sample, meter_), "");
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
