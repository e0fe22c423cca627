#pragma once

#include "common/Numbers.h"
#include "files/SampleFile.h"
#include "record/SampleLog.h"

#include <QBuffer>

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
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    WriteSampleFile(buffer, log, count < 0 ? log.SampleCount : count);
    return bytes;
}

// Reads sample-file bytes into the log.
inline SampleFileReadResult ReadBytes(QByteArray bytes, SampleLog &log)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return ReadSampleFile(buffer, log);
}

} // namespace kst::test
