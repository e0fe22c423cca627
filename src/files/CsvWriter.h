#pragma once

#include "common/Result.h"
#include "files/FileIo.h"
#include "record/Markers.h"
#include "record/SampleLog.h"

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace kst {

// The sample log as CSV, RFC 4180 in UTF-8 with records ended by CR LF: a header row, then one
// row per sample. Two forms:
//
// For programs (Iso):
//   time,value,unit,over_range,average,rel_reference,note
//   2026-12-06T14:03:27.250+01:00,1.234,DCV,false,,,
//   2026-12-06T14:03:27.500+01:00,,,,,,gap: link lost
//   2026-12-06T14:05:00.000+01:00,,,,,,marker: changed R5
// time is the instant in local time, ISO 8601 with milliseconds and the offset from UTC; value a
// plain number with the sample's decimals; unit the text as stored; over_range true or false (the
// value is then the over-range marker 4000); average and rel_reference as the sample file keeps
// them, empty where they were off. A sample's note is empty. Where the samples stop for longer
// than a gap (Gaps.h) a row with an empty value says so, at the time of the last sample before
// the gap, with the reason where the recording knew it ("no samples" where only the times tell);
// a marker is a row of its own at its time, before the first sample at or after it. Files of the
// earlier form, without the note column, are still continued in that form.
//
// For spreadsheets (Spreadsheet), which take the file in the user's locale: a byte order mark
// (so the letters arrive as UTF-8), the local time as "2026-12-06 14:03:27.250" (which they read
// as a date and time), numbers and the seconds' fraction with the locale's decimal separator
// ("14:03:27,250" where it is a comma, as such a spreadsheet reads times), fields separated by
// ';' where that separator is a comma, and a text that a spreadsheet would take for a formula
// (beginning with =, +, - or @ and not a number) made text by a leading apostrophe.
//
// In both, control characters are dropped from text, and a text holding the field separator or a
// quote is quoted. A local time that the clock skipped (the hour summer time begins) names the
// instant it would have been without the jump: 02:30 on that day is written as 03:30 and the
// summer offset.
enum class CsvForm { Iso, Spreadsheet };

struct CsvFormat {
    CsvForm form = CsvForm::Iso;
    // The spreadsheet form's decimal separator comes from it.
    QLocale locale = QLocale::c();
    // The note column; off only to continue a file of the earlier form, which has no notes.
    bool notes = true;

    // The decimal separator: the locale's in the spreadsheet form, else a point.
    QString DecimalPoint() const;
    // The field separator: ';' where the decimal separator is a comma, else ','.
    char Separator() const;
};

// The forms' names where a user chooses one (a command line, the settings): "iso" and
// "spreadsheet"; nothing for another name.
std::optional<CsvForm> CsvFormFromName(const QString &name);
QString CsvFormName(CsvForm form);

// Called while rows are written with the rows done and the rows in all; false stops the export.
using ExportProgress = std::function<bool(qint32 done, qint32 total)>;
enum class ExportEnd { Written, Cancelled };

class CsvRowWriter;

class CsvWriter {
public:
    // A writer for rows one at a time, as an appender puts them: it keeps what it looked up (the
    // UTC offset of the day), so a row in the same day as the one before needs no local-time
    // conversion.
    explicit CsvWriter(const CsvFormat &format = {});
    ~CsvWriter();
    // With a meter's name, the row of a file of several meters (see HeaderRow).
    QByteArray RowOf(const Sample &sample, const QString &meter = {});
    // Sample n of a log's row appended to out; the unit's cell is kept for the next row.
    void PutRowOf(QByteArray &out, const SampleLog &log, qint32 n);
    // A row of the note column alone, at a date and time: a gap's or a marker's (see the notes
    // below). Empty in the form without notes.
    QByteArray NoteRowOf(const QDate &date, const QTime &time, const QString &note,
                         const QString &meter = {});

    // The notes: "gap: <reason>" and "marker: <text>".
    static QString GapNote(const QString &reason);
    static QString MarkerNote(const QString &text);

    // The header row (after the byte order mark in the spreadsheet form) and one sample's row, in
    // the program's form by default.
    // With meters, the header of a file of several meters: a "meter" column after "time".
    static QByteArray HeaderRow(const CsvFormat &format = {}, bool meters = false);
    static QByteArray Row(const Sample &sample, const CsvFormat &format = {});

private:
    std::unique_ptr<CsvRowWriter> writer_;
};

// Writes the header and rows 0 .. count - 1 (clamped to SampleCount) to sink in large blocks;
// progress is told every few thousand rows and may cancel. The log may grow while progress is
// told (a window goes on recording); the rows written stay those before count. Standard output is
// DescriptorSink(STDOUT_FILENO, ...).
// The markers, in time order, go between the rows.
Result<ExportEnd> WriteCsv(const ByteSink &sink, const SampleLog &log, qint32 count,
                           const CsvFormat &format = {}, const ExportProgress &progress = {},
                           const MarkerList &markers = {});

// One meter's samples for a CSV of several meters: rows 0 .. count - 1 of log under name.
struct MeterSamples {
    QString name;
    const SampleLog *log = nullptr;
    qint32 count = 0;
};
// The same for several meters in one tidy file: with one meter exactly the file above; with
// several a "meter" column (the meter's name) after "time", the rows of all meters in time order
// (a tie keeps the meters' order); a gap's row names its meter, a marker's none.
Result<ExportEnd> WriteCsv(const ByteSink &sink, std::vector<MeterSamples> meters,
                           const CsvFormat &format = {}, const ExportProgress &progress = {},
                           const MarkerList &markers = {});
Result<ExportEnd> SaveCsvFile(const QString &path, const std::vector<MeterSamples> &meters,
                              const CsvFormat &format = {}, const ExportProgress &progress = {},
                              const MarkerList &markers = {});

// Writes the CSV to path atomically: a failure or a cancel leaves an existing file at path
// untouched; a failure names the file and the cause.
Result<ExportEnd> SaveCsvFile(const QString &path, const SampleLog &log, qint32 count,
                              const CsvFormat &format = {}, const ExportProgress &progress = {});

} // namespace kst
