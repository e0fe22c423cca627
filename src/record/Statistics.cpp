#include "record/Statistics.h"

#include "common/DateTimeText.h"
#include "common/Numbers.h"
#include "record/SampleLog.h"
#include "record/UnitConversion.h"

#include <cmath>

namespace kst {

namespace {

// The last character of a unit text tells its quantity; an empty text has none.
bool SameQuantity(const QString &a, const QString &b)
{
    if (a.isEmpty() || b.isEmpty())
        return a.isEmpty() && b.isEmpty();
    return a.back() == b.back();
}

enum class Step { Skip, Take, Compare };

// The steps every update shares: skip an over-range value, take v after a quantity change or
// into an empty statistic, otherwise compare with the stored value converted to the target.
Step Begin(float stored, const QString &storedUnit, float v, const QString &target)
{
    if (IsOverRangeValue(v))
        return Step::Skip;
    if (!SameQuantity(storedUnit, target))
        return Step::Take;
    if (stored == NoValueMarker)
        return Step::Take;
    return Step::Compare;
}

} // namespace

bool UpdateMaximumValue(float &stored, QString &storedUnit, float v, QString &target)
{
    const Step step = Begin(stored, storedUnit, v, target);
    if (step == Step::Skip)
        return false;
    if (step == Step::Compare && !(NormalizeUnitValue(stored, storedUnit, target) < v))
        return false;
    stored = v;
    storedUnit = target;
    return true;
}

bool UpdateMinimumValue(float &stored, QString &storedUnit, float v, QString &target)
{
    const Step step = Begin(stored, storedUnit, v, target);
    if (step == Step::Skip)
        return false;
    if (step == Step::Compare && !(NormalizeUnitValue(stored, storedUnit, target) > v))
        return false;
    stored = v;
    storedUnit = target;
    return true;
}

bool UpdateAverageValue(float &stored, QString &storedUnit, qint32 &count, float v, QString &target)
{
    const Step step = Begin(stored, storedUnit, v, target);
    if (step == Step::Skip)
        return false;
    if (step == Step::Take) {
        stored = v;
        storedUnit = target;
        count = 1;
        return true;
    }
    const double c = NormalizeUnitValue(stored, storedUnit, target);
    stored = float((c * double(count) + double(v)) / (double(count) + 1.0));
    count += 1;
    storedUnit = target;
    return true;
}

std::optional<float> RelReferenceFor(float count, qint16 decimals)
{
    if (count == OverRangeValue)
        return std::nullopt;
    return float(double(count) / std::pow(10.0, double(decimals)));
}

void RunningStatistics::Reset()
{
    RelRef = 0;
    AvgCount = 0;
    LastRawValue = 0;
    MaxValue = NoValueMarker;
    MinValue = NoValueMarker;
    AvgValue = NoValueMarker;
    LastDecimals = 2;
}

void RunningStatistics::ClearReadouts()
{
    Max = Min = Avg = Rel = Readout{};
}

void RunningStatistics::Record(SampleLog &log, qint32 n, QString &graphUnit, Ticks ticked,
                               const QDateTime &now)
{
    const float v = log.SampleValue(n);
    const QString pattern = DigitsPattern(log.SampleDecimals(n));
    const auto show = [&](Readout &readout, float value) {
        readout = {FormatSingle(value, pattern), StampText(now)};
    };
    if (ticked.Max && UpdateMaximumValue(MaxValue, MaxUnit, v, graphUnit)) {
        show(Max, v);
        log.SetSampleIsMax(n, -1);
    }
    if (ticked.Min && UpdateMinimumValue(MinValue, MinUnit, v, graphUnit)) {
        show(Min, v);
        log.SetSampleIsMin(n, -1);
    }
    if (ticked.Avg && UpdateAverageValue(AvgValue, AvgUnit, AvgCount, v, graphUnit))
        show(Avg, AvgValue);
    log.SetSampleAvg(n, ticked.Avg ? AvgValue : NoValueMarker);
}

void RunningStatistics::TakeRelReference(const QDateTime &now)
{
    const std::optional<float> reference = RelReferenceFor(LastRawValue, LastDecimals);
    if (!reference)
        return;
    RelRef = *reference;
    Rel = {FormatSingle(RelRef, DigitsPattern(LastDecimals)), StampText(now)};
}

} // namespace kst
