#include "files/CsvWriter.h"

#include "common/DateTimeText.h"
#include "common/Numbers.h"
#include "files/SampleFileFields.h"
#include "record/Gaps.h"

#include <QDateTime>
#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

namespace kst {

using masfield::PutTwoDigits;

namespace {

// A stored local date and time as the instant it names: the local date, time and UTC offset of
// that instant. Outside the hours the clock jumps, the date and time are the stored ones.
struct Stamp {
    qint32 day;   // Julian day
    qint32 msecs; // since local midnight
    int offset;   // seconds east of UTC
};

// Finds each row's UTC offset as QDateTime does for local time, but once a day: a day whose
// first and last moments have the same offset has it all day. Only a day on which the clock
// jumps takes each row through QDateTime.
class LocalTimes {
public:
    Stamp Resolve(qint32 day, qint32 msecs)
    {
        if (day != day_) {
            day_ = day;
            const QDate date = QDate::fromJulianDay(day);
            const QDateTime first(date, QTime(0, 0));
            const QDateTime last(date, QTime(23, 59, 59, 999));
            uniform_ =
                first.isValid() && last.isValid() && first.offsetFromUtc() == last.offsetFromUtc();
            offset_ = first.offsetFromUtc();
        }
        if (uniform_)
            return {day, msecs, offset_};
        return ResolveOnJumpDay(day, msecs);
    }

private:
    static Stamp ResolveOnJumpDay(qint32 day, qint32 msecs)
    {
        const QDate date = QDate::fromJulianDay(day);
        const QTime time = QTime::fromMSecsSinceStartOfDay(msecs);
        const QDateTime local(date, time);
        if (local.isValid())
            return {day, msecs, local.offsetFromUtc()};
        // Skipped by the clock: read with the offset in force before the jump, found an hour or
        // more earlier.
        const QDateTime wall(date, time, Qt::UTC);
        for (int hours = 1; hours <= 48; ++hours) {
            const QDateTime earlierWall = wall.addSecs(-3600 * hours);
            const QDateTime earlier(earlierWall.date(), earlierWall.time());
            if (!earlier.isValid())
                continue;
            const QDateTime instant = QDateTime::fromMSecsSinceEpoch(
                wall.toMSecsSinceEpoch() - qint64(earlier.offsetFromUtc()) * 1000);
            return {qint32(instant.date().toJulianDay()), instant.time().msecsSinceStartOfDay(),
                    instant.offsetFromUtc()};
        }
        return {day, msecs, 0};
    }

    qint32 day_ = INT_MIN;
    bool uniform_ = false;
    int offset_ = 0;
};

// value with decimals places (0 to 7), rounded half away from zero as the plain value text is,
// with sep as the decimal separator; no sign on a value that rounds to zero. Formats from the
// exact product of the single and a power of ten, which a double holds (24 + 17 bits).
char *PutFixed(char *out, float value, int decimals, QByteArrayView sep)
{
    static constexpr double Tens[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6, 1e7};
    decimals = std::clamp(decimals, 0, 7);
    const double scaled = std::fabs(double(value)) * Tens[decimals];
    if (!(scaled < 9e15)) { // very large, or not a number: the general formatter
        const QByteArray text = PlainValueText(value, decimals).toLatin1();
        const qsizetype point = text.indexOf('.');
        std::memcpy(out, text.constData(), size_t(point < 0 ? text.size() : point));
        out += point < 0 ? text.size() : point;
        if (point >= 0) {
            std::memcpy(out, sep.data(), size_t(sep.size()));
            out += sep.size();
            std::memcpy(out, text.constData() + point + 1, size_t(text.size() - point - 1));
            out += text.size() - point - 1;
        }
        return out;
    }
    const double whole = std::floor(scaled);
    const quint64 n = quint64(whole) + (scaled - whole >= 0.5 ? 1 : 0);
    if (value < 0 && n != 0)
        *out++ = '-';
    char digits[24];
    char *const end = std::to_chars(digits, digits + sizeof digits, n).ptr;
    const int count = int(end - digits);
    if (count > decimals) {
        std::memcpy(out, digits, size_t(count - decimals));
        out += count - decimals;
    } else {
        *out++ = '0';
    }
    if (decimals > 0) {
        std::memcpy(out, sep.data(), size_t(sep.size()));
        out += sep.size();
        for (int i = count; i < decimals; ++i) // the fraction's leading zeros
            *out++ = '0';
        const int shown = std::min(count, decimals);
        std::memcpy(out, end - shown, size_t(shown));
        out += shown;
    }
    return out;
}

class RowWriter {
public:
    explicit RowWriter(const CsvFormat &format)
        : spreadsheet_(format.form == CsvForm::Spreadsheet), notes_(format.notes),
          separator_(format.Separator()), decimal_(format.DecimalPoint().toUtf8())
    {
    }

    bool Notes() const { return notes_; }

    // With meters: the meter's name follows the time.
    QByteArray Header(bool meters = false) const
    {
        QByteArray header = spreadsheet_ ? QByteArrayLiteral("\xEF\xBB\xBF") : QByteArray();
        header += meters ? "time,meter,value,unit,over_range,average,rel_reference"
                         : "time,value,unit,over_range,average,rel_reference";
        header += notes_ ? ",note\r\n" : "\r\n";
        if (separator_ != ',')
            header.replace(',', separator_);
        return header;
    }

    // A text as a cell (a unit, a meter's name): control characters dropped, a formula made text
    // in the spreadsheet form, quoted when it holds the separator or a quote.
    QByteArray UnitCell(const QString &unit) const
    {
        QString text;
        text.reserve(unit.size() + 1);
        for (const QChar c : unit)
            if (c.unicode() >= 0x20 && !(c.unicode() >= 0x7F && c.unicode() <= 0x9F))
                text += c;
        if (spreadsheet_ && !text.isEmpty() && QStringView(u"=+-@").contains(text.front()) &&
            !IsNumeric(text))
            text.prepend(u'\'');
        QByteArray bytes = text.toUtf8();
        if (bytes.contains(separator_) || bytes.contains('"'))
            bytes = '"' + bytes.replace("\"", "\"\"") + '"';
        return bytes;
    }

    // Room a row needs besides its unit cell.
    static constexpr qsizetype RowMax = 192;

    char *Put(char *out, const QDate &date, const QTime &time, float value, int decimals,
              QByteArrayView unitCell, float avg, float relRef, QByteArrayView meterCell = {})
    {
        out = PutTime(out, date, time);
        *out++ = separator_;
        if (!meterCell.isEmpty()) {
            std::memcpy(out, meterCell.data(), size_t(meterCell.size()));
            out += meterCell.size();
            *out++ = separator_;
        }
        out = PutFixed(out, value, decimals, Decimal());
        *out++ = separator_;
        if (!unitCell.isEmpty()) // an empty unit may have no bytes at all
            std::memcpy(out, unitCell.data(), size_t(unitCell.size()));
        out += unitCell.size();
        *out++ = separator_;
        const bool over = IsOverRangeValue(value);
        std::memcpy(out, over ? "true" : "false", over ? 4 : 5);
        out += over ? 4 : 5;
        *out++ = separator_;
        out = PutOptional(out, avg);
        *out++ = separator_;
        out = PutOptional(out, relRef);
        if (notes_)
            *out++ = separator_; // a sample has no note
        *out++ = '\r';
        *out++ = '\n';
        return out;
    }

    // A row of the note column alone: the time, the meter's name when given, empty value cells
    // and the note.
    char *PutNote(char *out, const QDate &date, const QTime &time, QByteArrayView noteCell,
                  QByteArrayView meterCell = {})
    {
        out = PutTime(out, date, time);
        *out++ = separator_;
        if (!meterCell.isEmpty()) {
            std::memcpy(out, meterCell.data(), size_t(meterCell.size()));
            out += meterCell.size();
            *out++ = separator_;
        }
        for (int cell = 0; cell < 5; ++cell) // value, unit, over_range, average, rel_reference
            *out++ = separator_;
        std::memcpy(out, noteCell.data(), size_t(noteCell.size()));
        out += noteCell.size();
        *out++ = '\r';
        *out++ = '\n';
        return out;
    }

private:
    QByteArrayView Decimal() const { return decimal_; }

    char *PutOptional(char *out, float value) const
    {
        if (value == NoValueMarker)
            return out;
        char text[masfield::NumberMax];
        char *const end = masfield::PutNumber(text, value);
        for (const char *p = text; p < end; ++p) {
            if (*p == '.') {
                const QByteArrayView sep = Decimal();
                std::memcpy(out, sep.data(), size_t(sep.size()));
                out += sep.size();
            } else {
                *out++ = *p;
            }
        }
        return out;
    }

    char *PutTime(char *out, const QDate &date, const QTime &time)
    {
        const qint32 day = qint32(date.toJulianDay());
        if (!date.isValid() || !time.isValid() || date.year() < 1 || date.year() > 9999)
            return PutSlowTime(out, QDateTime(date, time));
        const Stamp stamp = times_.Resolve(day, time.msecsSinceStartOfDay());
        if (stamp.day != textDay_) {
            textDay_ = stamp.day;
            int y = 0, m = 0, d = 0;
            QDate::fromJulianDay(stamp.day).getDate(&y, &m, &d);
            char *p = PutTwoDigits(PutTwoDigits(dateText_, y / 100), y % 100);
            *p++ = '-';
            p = PutTwoDigits(p, m);
            *p++ = '-';
            PutTwoDigits(p, d);
        }
        std::memcpy(out, dateText_, 10);
        out += 10;
        *out++ = spreadsheet_ ? ' ' : 'T';
        const qint32 ms = stamp.msecs;
        out = PutTwoDigits(out, ms / 3600000);
        *out++ = ':';
        out = PutTwoDigits(out, ms / 60000 % 60);
        *out++ = ':';
        out = PutTwoDigits(out, ms / 1000 % 60);
        if (spreadsheet_) { // a spreadsheet reads the seconds' fraction as a decimal
            std::memcpy(out, decimal_.constData(), size_t(decimal_.size()));
            out += decimal_.size();
        } else {
            *out++ = '.';
        }
        *out++ = char('0' + ms % 1000 / 100);
        out = PutTwoDigits(out, ms % 100);
        if (spreadsheet_)
            return out;
        const int minutes = std::abs(stamp.offset) / 60;
        *out++ = stamp.offset < 0 ? '-' : '+';
        out = PutTwoDigits(out, minutes / 60);
        *out++ = ':';
        return PutTwoDigits(out, minutes % 60);
    }

    // A date the digits above cannot write: as QDateTime writes it.
    char *PutSlowTime(char *out, const QDateTime &when) const
    {
        const QByteArray text = spreadsheet_
                                    ? when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"))
                                          .replace(u'.', QString::fromUtf8(decimal_))
                                          .toUtf8()
                                    : IsoTimestampText(when).toLatin1();
        const qsizetype size = std::min<qsizetype>(text.size(), 40);
        std::memcpy(out, text.constData(), size_t(size));
        return out + size;
    }

    bool spreadsheet_;
    bool notes_;
    char separator_;
    QByteArray decimal_;
    LocalTimes times_;
    qint32 textDay_ = INT_MIN;
    char dateText_[10];
};

QByteArray RowOf(RowWriter &writer, const Sample &sample, const QString &meter = {})
{
    const QByteArray unit = writer.UnitCell(sample.unit);
    const QByteArray meterCell = meter.isEmpty() ? QByteArray() : writer.UnitCell(meter);
    QByteArray row(RowWriter::RowMax + unit.size() + meterCell.size(), Qt::Uninitialized);
    char *const end = writer.Put(row.data(), sample.date, sample.time, sample.value,
                                 sample.decimals, unit, sample.avg, sample.relRef, meterCell);
    row.truncate(end - row.constData());
    return row;
}

QByteArray NoteRowOf(RowWriter &writer, const QDate &date, const QTime &time, const QString &note,
                     const QString &meter = {})
{
    if (!writer.Notes())
        return {};
    const QByteArray cell = writer.UnitCell(note);
    const QByteArray meterCell = meter.isEmpty() ? QByteArray() : writer.UnitCell(meter);
    QByteArray row(RowWriter::RowMax + cell.size() + meterCell.size(), Qt::Uninitialized);
    row.truncate(writer.PutNote(row.data(), date, time, cell, meterCell) - row.constData());
    return row;
}

// A marker's row, ready to go between the samples' rows.
struct MarkerRow {
    qint64 wall;
    QByteArray row;
};

std::vector<MarkerRow> MarkerRows(const CsvFormat &format, const MarkerList &markers)
{
    std::vector<MarkerRow> rows;
    RowWriter writer(format);
    for (const Marker &marker : markers)
        if (writer.Notes())
            rows.push_back(
                {WallMs(marker.date, marker.time),
                 NoteRowOf(writer, marker.date, marker.time, CsvWriter::MarkerNote(marker.text))});
    return rows;
}

// The note of the gap before sample i of a log, when there is one.
std::optional<QString> GapBefore(const SampleLog &log, qint32 i)
{
    if (i <= 0 || !IsGap(log.SampleWallMs(i - 1), log.SampleWallMs(i)))
        return std::nullopt;
    const QString *reason = log.GapReason(i);
    return CsvWriter::GapNote(reason ? *reason : GapCauseText(GapCause::Unknown));
}

} // namespace

QString CsvFormat::DecimalPoint() const
{
    return form == CsvForm::Spreadsheet ? locale.decimalPoint() : QStringLiteral(".");
}

char CsvFormat::Separator() const
{
    return DecimalPoint() == u"," ? ';' : ',';
}

std::optional<CsvForm> CsvFormFromName(const QString &name)
{
    if (name == u"iso")
        return CsvForm::Iso;
    if (name == u"spreadsheet")
        return CsvForm::Spreadsheet;
    return std::nullopt;
}

QString CsvFormName(CsvForm form)
{
    return form == CsvForm::Spreadsheet ? QStringLiteral("spreadsheet") : QStringLiteral("iso");
}

class CsvRowWriter : public RowWriter {
public:
    using RowWriter::RowWriter;

    // The unit's cell, made again when the unit changes.
    const QByteArray &KeptUnitCell(const QString &unit)
    {
        if (unit != unit_) {
            unit_ = unit;
            unitCell_ = UnitCell(unit);
        }
        return unitCell_;
    }

private:
    QString unit_;
    QByteArray unitCell_; // of the empty unit, empty
};

CsvWriter::CsvWriter(const CsvFormat &format) : writer_(std::make_unique<CsvRowWriter>(format)) {}

CsvWriter::~CsvWriter() = default;

QByteArray CsvWriter::RowOf(const Sample &sample, const QString &meter)
{
    return kst::RowOf(*writer_, sample, meter);
}

void CsvWriter::PutRowOf(QByteArray &out, const SampleLog &log, qint32 n)
{
    const QByteArray &unit = writer_->KeptUnitCell(log.SampleUnit(n));
    const qsizetype at = out.size();
    out.resize(at + RowWriter::RowMax + unit.size()); // keeps its room
    const char *end =
        writer_->Put(out.data() + at, log.SampleDate(n), log.SampleTime(n), log.SampleValue(n),
                     log.SampleDecimals(n), unit, log.SampleAvg(n), log.SampleRelRef(n));
    out.truncate(end - out.constData());
}

QByteArray CsvWriter::NoteRowOf(const QDate &date, const QTime &time, const QString &note,
                                const QString &meter)
{
    return kst::NoteRowOf(*writer_, date, time, note, meter);
}

QString CsvWriter::GapNote(const QString &reason)
{
    return QStringLiteral("gap: ") + reason;
}

QString CsvWriter::MarkerNote(const QString &text)
{
    return QStringLiteral("marker: ") + text;
}

QByteArray CsvWriter::HeaderRow(const CsvFormat &format, bool meters)
{
    return RowWriter(format).Header(meters);
}

QByteArray CsvWriter::Row(const Sample &sample, const CsvFormat &format)
{
    RowWriter writer(format);
    return kst::RowOf(writer, sample);
}

namespace {

// Rows gathered into large blocks for a sink.
class RowBlocks {
public:
    RowBlocks(const ByteSink &sink, QByteArray start, qsizetype expected) : sink_(sink)
    {
        block_ = std::move(start);
        const qsizetype used = block_.size();
        block_.resize(std::max<qsizetype>(used + 1024, std::min<qsizetype>(256 * 1024, expected)));
        begin_ = block_.data();
        out_ = begin_ + used;
    }
    // Where a row of at most RowMax + size bytes goes; a full block goes to the sink first.
    Result<char *> Room(qsizetype size)
    {
        if ((out_ - begin_) + RowWriter::RowMax + size > block_.size()) {
            if (const Status put = Flush(); !put)
                return put.Error();
            if (RowWriter::RowMax + size > block_.size())
                block_.resize(RowWriter::RowMax + size);
            begin_ = out_ = block_.data();
        }
        return out_;
    }
    void Wrote(char *end) { out_ = end; }
    Status Put(const QByteArray &row)
    {
        const Result<char *> at = Room(row.size());
        if (!at)
            return at.Error();
        std::memcpy(*at, row.constData(), size_t(row.size()));
        out_ = *at + row.size();
        return {};
    }
    Status Flush()
    {
        const Status put = sink_(begin_, out_ - begin_);
        begin_ = out_ = block_.data();
        return put;
    }

private:
    const ByteSink &sink_;
    QByteArray block_;
    char *begin_;
    char *out_;
};

// The rows that go before sample i of a log: the note of a gap before it, at the time of the
// sample before, and the markers up to its time.
Status PutNotesBefore(RowBlocks &blocks, RowWriter &writer, const SampleLog &log, qint32 i,
                      const std::vector<MarkerRow> &markers, size_t &nextMarker,
                      const QString &meter = {})
{
    if (!writer.Notes())
        return {};
    if (const std::optional<QString> gap = GapBefore(log, i))
        if (const Status put = blocks.Put(
                NoteRowOf(writer, log.SampleDate(i - 1), log.SampleTime(i - 1), *gap, meter));
            !put)
            return put;
    const qint64 wall = log.SampleWallMs(i);
    for (; nextMarker < markers.size() && markers[nextMarker].wall <= wall; ++nextMarker)
        if (const Status put = blocks.Put(markers[nextMarker].row); !put)
            return put;
    return {};
}

// The markers after the last sample.
Status PutLastMarkers(RowBlocks &blocks, const std::vector<MarkerRow> &markers, size_t next)
{
    for (; next < markers.size(); ++next)
        if (const Status put = blocks.Put(markers[next].row); !put)
            return put;
    return blocks.Flush();
}

} // namespace

Result<ExportEnd> WriteCsv(const ByteSink &sink, const SampleLog &log, qint32 count,
                           const CsvFormat &format, const ExportProgress &progress,
                           const MarkerList &markers)
{
    const qint32 n = std::clamp<qint32>(count, 0, log.SampleCount);
    RowWriter writer(format);
    const std::vector<MarkerRow> marks = MarkerRows(format, markers);
    size_t nextMark = 0;
    RowBlocks blocks(sink, writer.Header(), qsizetype(n) * 80 + 1024);
    std::vector<QByteArray> units(log.UnitCount());
    std::vector<bool> unitDone(log.UnitCount());
    constexpr qint32 ProgressRows = 8192;
    for (qint32 i = 0; i < n; ++i) {
        if (const Status notes = PutNotesBefore(blocks, writer, log, i, marks, nextMark); !notes)
            return notes.Error();
        const quint32 unitId = log.SampleUnitId(i);
        if (unitId >= unitDone.size()) { // a unit text that came while progress was told
            units.resize(log.UnitCount());
            unitDone.resize(log.UnitCount());
        }
        if (!unitDone[unitId]) {
            units[unitId] = writer.UnitCell(log.UnitText(unitId));
            unitDone[unitId] = true;
        }
        const QByteArray &unit = units[unitId];
        const Result<char *> out = blocks.Room(unit.size());
        if (!out)
            return out.Error();
        blocks.Wrote(writer.Put(*out, log.SampleDate(i), log.SampleTime(i), log.SampleValue(i),
                                log.SampleDecimals(i), unit, log.SampleAvg(i),
                                log.SampleRelRef(i)));
        if (progress && (i + 1) % ProgressRows == 0 && !progress(i + 1, n))
            return ExportEnd::Cancelled;
    }
    if (const Status put = PutLastMarkers(blocks, marks, nextMark); !put)
        return put.Error();
    if (progress)
        (void)progress(n, n); // every row is written: too late to cancel
    return ExportEnd::Written;
}

namespace {

// The meter whose next row comes first in time; a tie keeps the meters' order. -1 when every
// meter's rows are written.
int NextMeter(const std::vector<MeterSamples> &meters, const std::vector<qint32> &next)
{
    int best = -1;
    qint64 bestDay = 0, bestMs = 0;
    for (size_t m = 0; m < meters.size(); ++m) {
        if (next[m] >= meters[m].count)
            continue;
        const qint64 day = meters[m].log->SampleDate(next[m]).toJulianDay();
        const qint64 ms = meters[m].log->SampleTime(next[m]).msecsSinceStartOfDay();
        if (best < 0 || day < bestDay || (day == bestDay && ms < bestMs)) {
            best = int(m);
            bestDay = day;
            bestMs = ms;
        }
    }
    return best;
}

} // namespace

Result<ExportEnd> WriteCsv(const ByteSink &sink, std::vector<MeterSamples> meters,
                           const CsvFormat &format, const ExportProgress &progress,
                           const MarkerList &markers)
{
    if (meters.size() == 1)
        return WriteCsv(sink, *meters[0].log, meters[0].count, format, progress, markers);
    RowWriter writer(format);
    qint32 total = 0;
    std::vector<QByteArray> names;
    for (MeterSamples &meter : meters) {
        meter.count = std::clamp<qint32>(meter.count, 0, meter.log->SampleCount);
        total += meter.count;
        names.push_back(writer.UnitCell(meter.name));
    }
    const std::vector<MarkerRow> marks = MarkerRows(format, markers);
    size_t nextMark = 0;
    RowBlocks blocks(sink, writer.Header(true), qsizetype(total) * 90 + 1024);
    std::vector<qint32> next(meters.size(), 0);
    for (qint32 done = 0;; ++done) {
        const int m = NextMeter(meters, next);
        if (m < 0)
            break;
        const SampleLog &log = *meters[size_t(m)].log;
        const qint32 i = next[size_t(m)]++;
        if (const Status notes =
                PutNotesBefore(blocks, writer, log, i, marks, nextMark, meters[size_t(m)].name);
            !notes)
            return notes.Error();
        const QByteArray unit = writer.UnitCell(log.SampleUnit(i));
        const Result<char *> out = blocks.Room(unit.size() + names[size_t(m)].size());
        if (!out)
            return out.Error();
        blocks.Wrote(writer.Put(*out, log.SampleDate(i), log.SampleTime(i), log.SampleValue(i),
                                log.SampleDecimals(i), unit, log.SampleAvg(i), log.SampleRelRef(i),
                                names[size_t(m)]));
        if (progress && (done + 1) % 8192 == 0 && !progress(done + 1, total))
            return ExportEnd::Cancelled;
    }
    if (const Status put = PutLastMarkers(blocks, marks, nextMark); !put)
        return put.Error();
    if (progress)
        static_cast<void>(progress(total, total)); // every row is written: too late to cancel
    return ExportEnd::Written;
}

Result<ExportEnd> SaveCsvFile(const QString &path, const std::vector<MeterSamples> &meters,
                              const CsvFormat &format, const ExportProgress &progress,
                              const MarkerList &markers)
{
    bool cancelled = false;
    const Status saved = SaveAtomically(path, [&](const ByteSink &sink) -> Status {
        const Result<ExportEnd> written = WriteCsv(sink, meters, format, progress, markers);
        if (!written)
            return written.Error();
        cancelled = *written == ExportEnd::Cancelled;
        // A cancel is a failure to the save, which then keeps the old file.
        return cancelled ? Status(Failure::Permanent(QString())) : Status();
    });
    if (cancelled)
        return ExportEnd::Cancelled;
    if (!saved)
        return saved.Error();
    return ExportEnd::Written;
}

Result<ExportEnd> SaveCsvFile(const QString &path, const SampleLog &log, qint32 count,
                              const CsvFormat &format, const ExportProgress &progress)
{
    return SaveCsvFile(path, {{QString(), &log, count}}, format, progress);
}

} // namespace kst
