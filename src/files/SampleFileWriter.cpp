#include "files/SampleFileWriter.h"

#include "files/SampleFileFields.h"

#include <QSaveFile>
#include <vector>

namespace kst {

using namespace masfield;

namespace {

// The longest record apart from its unit: three numbers, a date with a long year, the rest.
constexpr qsizetype RecordMax = 3 * NumberMax + 80;

// Record i of the log; unit is its UTF-8 and date the date field's text, both made once for
// many records.
inline char *PutRecord(char *out, const SampleLog &log, qint32 i, QByteArrayView unit,
                       QByteArrayView date)
{
    out = PutNumber(out, log.SampleValue(i));
    *out++ = ',';
    std::memcpy(out, date.data(), size_t(date.size()));
    out += date.size();
    *out++ = ',';
    out = PutTime(out, log.SampleTime(i));
    *out++ = ',';
    out = PutUnit(out, unit);
    *out++ = ',';
    out = PutDecimals(out, log.SampleDecimals(i));
    *out++ = ',';
    out = PutFlag(out, log.SampleIsMax(i) != 0);
    *out++ = ',';
    out = PutFlag(out, log.SampleIsMin(i) != 0);
    *out++ = ',';
    out = PutNumber(out, log.SampleAvg(i));
    *out++ = ',';
    out = PutNumber(out, log.SampleRelRef(i));
    *out++ = '\r';
    *out++ = '\n';
    return out;
}

} // namespace

SampleFileWriteResult WriteSampleFile(QIODevice &device, const SampleLog &log, qint32 count,
                                      qint32 first)
{
    SampleFileWriteResult result;
    const qint32 n = std::clamp<qint32>(count, 0, log.UpperIndex() + 1);
    first = std::clamp<qint32>(first, 0, n);
    // A few records (the journal's one per frame) get a small block.
    constexpr qsizetype BlockSize = 256 * 1024;
    QByteArray block(std::min<qsizetype>(BlockSize, qsizetype(n - first) * 128 + 256),
                     Qt::Uninitialized);
    char *begin = block.data();
    char *out = begin;
    qint32 inBlock = 0; // records in the block not yet handed to the device
    std::vector<QByteArray> units(log.UnitCount()); // UTF-8 of each unit text, made once
    std::vector<bool> unitDone(log.UnitCount());
    QDate lastDate;
    char dateText[24];
    qsizetype dateSize = 0;

    const auto flush = [&]() {
        const qint64 size = out - begin;
        if (size > 0 && device.write(begin, size) != size) {
            result.ok = false;
            result.error = device.errorString();
            return false;
        }
        result.recordsWritten += inBlock;
        inBlock = 0;
        out = begin;
        return true;
    };

    for (qint32 i = first; i < n; ++i) {
        const quint32 unitId = log.SampleUnitId(i);
        if (!unitDone[unitId]) {
            units[unitId] = log.UnitText(unitId).toUtf8();
            unitDone[unitId] = true;
        }
        const QByteArray &unit = units[unitId];
        const qsizetype needed = RecordMax + unit.size();
        if ((out - begin) + needed > block.size()) {
            if (!flush())
                return result;
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
        ++inBlock;
    }
    flush();
    return result;
}

SampleFileSaveResult SaveAtomically(const QString &path,
                                    const std::function<QString(QIODevice &)> &write)
{
    SampleFileSaveResult result;
    QSaveFile file(path);
    QString error;
    if (!file.open(QIODevice::WriteOnly))
        error = file.errorString();
    else if (error = write(file); !error.isEmpty())
        file.cancelWriting();
    else if (!file.commit())
        error = file.errorString();
    if (!error.isEmpty())
        result.error = QStringLiteral("%1: %2").arg(path, error);
    result.ok = error.isEmpty();
    return result;
}

SampleFileSaveResult SaveSampleFile(const QString &path, const SampleLog &log, qint32 count)
{
    return SaveAtomically(path, [&](QIODevice &device) {
        const SampleFileWriteResult written = WriteSampleFile(device, log, count);
        return written.ok ? QString() : written.error;
    });
}

} // namespace kst
