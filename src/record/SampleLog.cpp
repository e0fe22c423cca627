#include "record/SampleLog.h"

namespace kst {

void SampleLog::Reset()
{
    // Fresh arrays, as if newly allocated: the old storage is released.
    SampleValue = {};
    SampleDate = {};
    SampleTime = {};
    SampleUnit = {};
    SampleDecimals = {};
    SampleIsMax = {};
    SampleIsMin = {};
    SampleAvg = {};
    SampleRelRef = {};
    SampleCount = 0;
    GrowTo(InitialUpperIndex);
}

void SampleLog::GrowTo(qint32 upperIndex)
{
    const size_t size = size_t(upperIndex) + 1;
    // resize() grows capacity geometrically, so growing by one element per sample is amortised.
    SampleValue.resize(size, 0.0f);
    SampleDate.resize(size, ZeroDate);
    SampleTime.resize(size, QTime(0, 0));
    SampleUnit.resize(size);
    SampleDecimals.resize(size, 0);
    SampleIsMax.resize(size, 0);
    SampleIsMin.resize(size, 0);
    SampleAvg.resize(size, 0.0f);
    SampleRelRef.resize(size, 0.0f);
}

QString SampleLog::InternUnit(const QString &unit)
{
    for (const QString &known : units_)
        if (known == unit)
            return known;
    // A meter has a few dozen unit texts; anything beyond that (a damaged file) is not shared.
    if (units_.size() < 64)
        units_.push_back(unit);
    return unit;
}

} // namespace kst
