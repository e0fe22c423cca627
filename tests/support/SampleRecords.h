#pragma once

#include "record/SampleLog.h"

namespace kst::test {

// One sample's nine fields, as the tests write them down.
struct Sample {
    float value;
    QDate date;
    QTime time;
    QString unit;
    qint16 decimals;
    qint16 isMax;
    qint16 isMin;
    float avg;
    float relRef;
};

// Stores a sample at SampleCount, growing the arrays by the log's capacity rule.
inline void Append(SampleLog &log, const Sample &s)
{
    const qint32 n = log.SampleCount;
    log.MakeRoomFor(n);
    const size_t k = size_t(n);
    log.SampleValue[k] = s.value;
    log.SampleDate[k] = s.date;
    log.SampleTime[k] = s.time;
    log.SampleUnit[k] = s.unit;
    log.SampleDecimals[k] = s.decimals;
    log.SampleIsMax[k] = s.isMax;
    log.SampleIsMin[k] = s.isMin;
    log.SampleAvg[k] = s.avg;
    log.SampleRelRef[k] = s.relRef;
    log.SampleCount = n + 1;
}

inline Sample At(const SampleLog &log, qint32 i)
{
    const size_t k = size_t(i);
    return {log.SampleValue[k], log.SampleDate[k],     log.SampleTime[k],
            log.SampleUnit[k],  log.SampleDecimals[k], log.SampleIsMax[k],
            log.SampleIsMin[k], log.SampleAvg[k],      log.SampleRelRef[k]};
}

} // namespace kst::test
