#include "files/CsvWriter.h"

#include "common/DateTimeText.h"
#include "common/Numbers.h"
#include "files/SampleFile.h"
#include "meter/ReadingExport.h"

#include <QDateTime>
#include <algorithm>

namespace kst {

namespace {

void PutField(QByteArray &row, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    if (bytes.contains(',') || bytes.contains('"') || bytes.contains('\r') ||
        bytes.contains('\n')) {
        QByteArray quoted = bytes;
        quoted.replace("\"", "\"\"");
        row += '"' + quoted + '"';
    } else {
        row += bytes;
    }
}

QString OptionalText(float value)
{
    return value == NoValueMarker ? QString() : SingleText(value);
}

} // namespace

QByteArray CsvWriter::HeaderRow()
{
    return QByteArrayLiteral("time,value,unit,over_range,average,rel_reference\r\n");
}

QByteArray CsvWriter::Row(const Sample &sample)
{
    QByteArray row;
    row.reserve(96);
    row += IsoTimestampText(QDateTime(sample.date, sample.time)).toLatin1();
    row += ',';
    row += PlainValueText(sample.value, sample.decimals).toLatin1();
    row += ',';
    PutField(row, sample.unit);
    row += IsOverRangeValue(sample.value) ? ",true," : ",false,";
    row += OptionalText(sample.avg).toLatin1();
    row += ',';
    row += OptionalText(sample.relRef).toLatin1();
    row += "\r\n";
    return row;
}

bool CsvWriter::Put(const QByteArray &bytes)
{
    if (device_.write(bytes) == bytes.size())
        return true;
    error_ = device_.errorString();
    return false;
}

bool CsvWriter::Write(const SampleLog &log, qint32 count)
{
    const qint32 n = std::clamp<qint32>(count, 0, log.SampleCount);
    QByteArray block = HeaderRow();
    constexpr qsizetype BlockSize = 256 * 1024;
    block.reserve(BlockSize + 1024);
    for (qint32 i = 0; i < n; ++i) {
        block += Row(log.At(i));
        if (block.size() >= BlockSize) {
            if (!Put(block))
                return false;
            block.clear();
        }
    }
    return Put(block);
}

CsvSaveResult SaveCsvFile(const QString &path, const SampleLog &log, qint32 count)
{
    return SaveAtomically(path, [&](QIODevice &device) {
        CsvWriter writer(device);
        return writer.Write(log, count) ? QString() : writer.Error();
    });
}

} // namespace kst
