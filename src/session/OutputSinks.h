#pragma once

#include "files/CsvFileAppender.h"
#include "files/CsvWriter.h"
#include "files/SampleFileAppender.h"
#include "record/ReadingSink.h"
#include "record/SampleLog.h"

#include <QByteArray>
#include <QString>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace kst {

class RecordingJournal;

// The recording journal as an output: every recorded sample is appended; Flush syncs it. The
// journal says itself when it cannot write (RecordingJournal::WriteFailed).
class JournalOutput : public ReadingSink {
public:
    // continuedFile names the file the samples before the journal's first one came from.
    JournalOutput(RecordingJournal &journal, std::function<QString()> continuedFile)
        : journal_(journal), continuedFile_(std::move(continuedFile))
    {
    }
    Status Recorded(const SampleLog &log, qint32 n) override;
    Status Flush() override;

private:
    RecordingJournal &journal_;
    std::function<QString()> continuedFile_;
};

// Every reading the meter sends, for a publisher: its JSON object (as kst-log --json prints it)
// and its unit text; and, where the publisher takes them, the link's state and the markers (a
// JSON object each, {"time":...,"marker":"changed R5"}).
class PublishOutput : public ReadingSink {
public:
    using Publish = std::function<void(const QByteArray &json, const QString &unit)>;
    using PublishLink = std::function<void(bool lost)>;
    using PublishMarker = std::function<void(const QByteArray &json)>;
    // With a meter's name (several meters), the JSON carries it.
    explicit PublishOutput(Publish publish, QString meter = {})
        : publish_(std::move(publish)), meter_(std::move(meter))
    {
    }
    void SetLinkPublisher(PublishLink link) { link_ = std::move(link); }
    void SetMarkerPublisher(PublishMarker marker) { marker_ = std::move(marker); }
    Status Take(const TimedReading &reading) override;
    Status LinkChanged(const QDateTime &when, bool lost) override;
    Status Marked(const Marker &marker) override;

private:
    Publish publish_;
    PublishLink link_;
    PublishMarker marker_;
    QString meter_;
    QByteArray json_;
    SampleUnitText unitText_;
};

// Readings printed on a stream as they arrive, one line each: every reading as text
// ("2026-12-06T14:03:27.250+01:00<TAB>1.234<TAB>DCV") or JSON, or every recorded sample as a CSV
// row after a header row. In JSON the link's loss and return are lines too,
// {"time":...,"status":"link lost"} and "link back"; in CSV a gap has its row. A reader that went
// away (a closed pipe) ends the printing, not the recording. With several meters on one stream,
// each meter's output carries its name (a field after the time) and they share one CSV header.
class StreamOutput : public ReadingSink {
public:
    enum class Form { Text, Json, Csv };
    StreamOutput(std::FILE *stream, Form form, CsvFormat csv = {}, QString meter = {},
                 std::shared_ptr<bool> headerPrinted = std::make_shared<bool>(false))
        : stream_(stream), form_(form), csvFormat_(std::move(csv)), csv_(csvFormat_),
          meter_(std::move(meter)), headerPrinted_(std::move(headerPrinted))
    {
    }
    Status Take(const TimedReading &reading) override;
    Status Recorded(const SampleLog &log, qint32 n) override;
    Status LinkChanged(const QDateTime &when, bool lost) override;
    Status Flush() override;
    // The reader went away: nothing more is printed.
    bool Closed() const { return closed_; }

private:
    Status Print(const QByteArray &line);

    std::FILE *stream_;
    Form form_;
    CsvFormat csvFormat_;
    CsvWriter csv_;
    QString meter_;
    std::shared_ptr<bool> headerPrinted_;
    bool closed_ = false;
    QByteArray line_; // the reading's line, kept for the next one
    // The date and time of the last sample printed, where a gap after it begins.
    std::optional<std::pair<QDate, QTime>> last_;
};

// Recorded samples appended to a sample file or to a CSV file as they arrive, each record in one
// write, so a file cut at any moment still loads; a failed write leaves the file at its last
// whole record and names the cause. An existing file is continued when it is whole (see the
// appenders).
template <typename Appender> class AppendOutput : public ReadingSink {
public:
    // Anything after the path goes to the appender (a CSV file's form).
    template <typename... Options>
    explicit AppendOutput(QString path, Options &&...options)
        : path_(std::move(path)), appender_(std::forward<Options>(options)...)
    {
    }
    // Creates or continues the file; the value is a notice about what continuing it took.
    Result<QString> Open() { return appender_.Open(path_); }
    Status Recorded(const SampleLog &log, qint32 n) override
    {
        return appender_.IsOpen() ? appender_.Append(log, n) : Status();
    }
    void Close() { appender_.Close(); }
    QString Path() const { return path_; }

private:
    QString path_;
    Appender appender_;
};
using SampleFileOutput = AppendOutput<SampleFileAppender>;
using CsvFileOutput = AppendOutput<CsvFileAppender>;

} // namespace kst
