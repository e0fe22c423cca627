#pragma once

#include "common/Numbers.h"
#include "files/SampleFileReader.h"
#include "files/SampleFileWriter.h"
#include "meter/FrameDecoder.h"
#include "meter/MeterFrameEncoder.h"
#include "record/SampleLog.h"

#include <QBuffer>
#include <QFile>

namespace kst::test {

// Sample i of the usual test log: value i, "DCV" with one decimal, taken on 4 May 2000 at
// 10:00:00 plus i seconds, no statistic columns.
inline Sample PlainSample(qint32 i)
{
    Sample s;
    s.value = float(i);
    s.date = QDate(2000, 5, 4).addDays(i / 86400);
    s.time = QTime(10, 0).addSecs(i % 86400);
    s.unit = QStringLiteral("DCV");
    s.decimals = 1;
    s.avg = NoValueMarker;
    s.relRef = NoValueMarker;
    return s;
}

// Appends n samples: sample i is PlainSample(SampleCount + i) passed through shape, which
// changes whatever fields a test cares about.
template <typename Shape> void FillLog(SampleLog &log, qint32 n, Shape shape)
{
    for (qint32 i = 0; i < n; ++i) {
        Sample s = PlainSample(log.SampleCount);
        shape(log.SampleCount, s);
        log.Append(s);
    }
}

inline void FillLog(SampleLog &log, qint32 n)
{
    FillLog(log, n, [](qint32, Sample &) {});
}

// The bytes of a sample file of the log's first count records (all when count < 0).
inline QByteArray WriteBytes(const SampleLog &log, qint32 count = -1)
{
    return SampleFileBytes(log, count < 0 ? log.SampleCount : count);
}

// Reads sample-file bytes into the log.
inline SampleFileReadResult ReadBytes(QByteArray bytes, SampleLog &log)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return ReadSampleFile(buffer, log);
}

// The bytes of a file; "<missing>" when it cannot be read.
inline QByteArray FileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Writes a file; false when it cannot be written whole.
inline bool WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The meter's frame for counts on its 4 V DC range: counts / 1000 volts.
inline QByteArray VoltFrame(int counts)
{
    MeterFrameEncoder f;
    f.Counts = counts;
    f.Range = 1;
    return f.Encode();
}

// A reading's unit, decimals, counts and the flags that are on, as one line ("DCV 3 1234 AUTO").
inline QString DescribeReading(const MeterReading &r)
{
    QString text = QStringLiteral("%1%2 %3 %4")
                       .arg(r.AcDcText, r.UnitText)
                       .arg(r.Decimals)
                       .arg(double(r.Counts));
    const std::pair<bool, const char *> flags[] = {
        {r.Max, "MAX"},   {r.Min, "MIN"},     {r.Rel, "REL"},        {r.Hold, "HOLD"},
        {r.Mem, "MEM"},   {r.Auto, "AUTO"},   {r.Man, "MAN"},        {r.Apof, "APOF"},
        {r.Buzzer, "BZ"}, {r.Diode, "DIODE"}, {r.BatteryLow, "BAT"}, {r.OverRange, "OL"}};
    for (const auto &[on, name] : flags)
        if (on)
            text += u' ' + QLatin1String(name);
    return text;
}

} // namespace kst::test
