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
    const MeterReading &meter = reading.reading;
    json_.resize(0); // keeps its room for the next reading
    PutReadingJson(json_, reading.time, meter, ReadingValue(meter), meter_);
    publish_(json_, unitText_.Of(meter));
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
                          lost ? QStringLiteral("link lost") : QStringLiteral("link back"),
                          meter_) +
                 '\n');
}

Status StreamOutput::Take(const TimedReading &reading)
{
    if (closed_ || form_ == Form::Csv)
        return {};
    const float value = ReadingValue(reading.reading);
    line_.resize(0); // keeps its room for the next reading
    if (form_ == Form::Json)
        PutReadingJson(line_, reading.time, reading.reading, value, meter_);
    else
        PutReadingLine(line_, reading.time, reading.reading, value, meter_);
    line_ += '\n';
    return Print(line_);
}

Status StreamOutput::Recorded(const SampleLog &log, qint32 n)
{
    if (closed_ || form_ != Form::Csv)
        return {};
    if (!*headerPrinted_) {
        *headerPrinted_ = true;
        if (Status header = Print(CsvWriter::HeaderRow(csvFormat_, !meter_.isEmpty())); !header)
            return header;
    }
    const Sample sample = log.At(n);
    QByteArray rows;
    if (const QString *gap = log.GapReason(n); gap && last_)
        rows = csv_.NoteRowOf(last_->first, last_->second, CsvWriter::GapNote(*gap), meter_);
    last_ = std::pair(sample.date, sample.time);
    return Print(rows + csv_.RowOf(sample, meter_));
}

Status StreamOutput::Print(const QByteArray &line)
{
    if (std::fwrite(line.constData(), 1, size_t(line.size()), stream_) == size_t(line.size()) &&
        std::fflush(stream_) == 0)
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
