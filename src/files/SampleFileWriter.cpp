#include "files/SampleFileWriter.h"

#include "files/SampleFileFields.h"

#include <vector>

namespace kst {

using namespace masfield;

namespace {

// The longest record apart from its unit: three numbers, a date with a long year, the rest.
constexpr qsizetype RecordMax = 3 * NumberMax + 80;

// The fields after the value, up to the statistics.
inline char *PutFields(char *out, QByteArrayView date, const QTime &time, QByteArrayView unit,
                       qint16 decimals, bool isMax, bool isMin)
{
    std::memcpy(out, date.data(), size_t(date.size()));
    out += date.size();
    *out++ = ',';
    out = PutTime(out, time);
    *out++ = ',';
    out = PutUnit(out, unit);
    *out++ = ',';
    out = PutDecimals(out, decimals);
    *out++ = ',';
    out = PutFlag(out, isMax);
    *out++ = ',';
    out = PutFlag(out, isMin);
    *out++ = ',';
    return out;
}

// The average, the Rel reference and the line end.
inline char *PutStatistics(char *out, float avg, float relRef)
{
    out = PutNumber(out, avg);
    *out++ = ',';
    out = PutNumber(out, relRef);
    *out++ = '\r';
    *out++ = '\n';
    return out;
}

// Record i of the log; unit is its UTF-8 and date the date field's text, both made once for
// many records.
inline char *PutRecord(char *out, const SampleLog &log, qint32 i, QByteArrayView unit,
                       QByteArrayView date)
{
    out = PutNumber(out, log.SampleValue(i));
    *out++ = ',';
    out = PutFields(out, date, log.SampleTime(i), unit, log.SampleDecimals(i),
                    log.SampleIsMax(i) != 0, log.SampleIsMin(i) != 0);
    return PutStatistics(out, log.SampleAvg(i), log.SampleRelRef(i));
}

} // namespace

QByteArrayView SampleRecordWriter::Record(const SampleLog &log, qint32 i)
{
    if (const QString &unit = log.SampleUnit(i); unit != unit_) {
        unit_ = unit;
        unitBytes_ = unit.toUtf8();
    }
    if (const qint32 day = log.PackedAt(i).day; dateSize_ == 0 || day != day_) {
        dateSize_ = PutDate(date_, log.SampleDate(i)) - date_;
        day_ = day;
    }
    record_.resize(RecordMax + unitBytes_.size()); // keeps its room
    const char *end =
        PutRecord(record_.data(), log, i, unitBytes_, QByteArrayView(date_, dateSize_));
    return QByteArrayView(record_.constData(), end - record_.constData());
}

Status WriteSampleFile(const ByteSink &sink, const SampleLog &log, qint32 count, qint32 first)
{
    const qint32 n = std::clamp<qint32>(count, 0, log.UpperIndex() + 1);
    first = std::clamp<qint32>(first, 0, n);
    // A few records (the journal's one per frame) get a small block.
    constexpr qsizetype BlockSize = 256 * 1024;
    QByteArray block(std::min<qsizetype>(BlockSize, qsizetype(n - first) * 128 + 256),
                     Qt::Uninitialized);
    char *begin = block.data();
    char *out = begin;
    std::vector<QByteArray> units(log.UnitCount()); // UTF-8 of each unit text, made once
    std::vector<bool> unitDone(log.UnitCount());
    QDate lastDate;
    char dateText[24];
    qsizetype dateSize = 0;
    for (qint32 i = first; i < n; ++i) {
        const quint32 unitId = log.SampleUnitId(i);
        if (!unitDone[unitId]) {
            units[unitId] = log.UnitText(unitId).toUtf8();
            unitDone[unitId] = true;
        }
        const QByteArray &unit = units[unitId];
        const qsizetype needed = RecordMax + unit.size();
        if ((out - begin) + needed > block.size()) {
            if (const Status put = sink(begin, out - begin); !put)
                return put;
            out = begin;
            if (needed > block.size()) {
                block.resize(std::max(needed, std::min<qsizetype>(BlockSize, block.size() * 4)));
                begin = out = block.data();
            }
        }
        const QDate date = log.SampleDate(i);
        if (date != lastDate || dateSize == 0) {
            dateSize = PutDate(dateText, date) - dateText;
            lastDate = date;
        }
        out = PutRecord(out, log, i, unit, QByteArrayView(dateText, dateSize));
    }
    return out > begin ? sink(begin, out - begin) : Status();
}

Status WriteSampleFile(QIODevice &device, const SampleLog &log, qint32 count, qint32 first)
{
    return WriteSampleFile(DeviceSink(device), log, count, first);
}

QByteArray SampleFileBytes(const SampleLog &log, qint32 count, qint32 first)
{
    QByteArray bytes;
    // Memory does not fail.
    (void)WriteSampleFile(
        [&](const char *data, qint64 size) {
            bytes.append(data, size);
            return Status();
        },
        log, count, first);
    return bytes;
}

QByteArray SampleRecordBytes(const Sample &sample)
{
    const QByteArray unit = sample.unit.toUtf8();
    char date[24];
    const qsizetype dateSize = PutDate(date, sample.date) - date;
    QByteArray bytes(RecordMax + unit.size(), Qt::Uninitialized);
    char *out = bytes.data();
    out = PutNumber(out, sample.value);
    *out++ = ',';
    out = PutFields(out, QByteArrayView(date, dateSize), sample.time, unit, sample.decimals,
                    sample.isMax != 0, sample.isMin != 0);
    out = PutStatistics(out, sample.avg, sample.relRef);
    bytes.truncate(out - bytes.constData());
    return bytes;
}

Status SaveSampleFile(const QString &path, const SampleLog &log, qint32 count)
{
    return SaveAtomically(path,
                          [&](const ByteSink &sink) { return WriteSampleFile(sink, log, count); });
}

} // namespace kst
