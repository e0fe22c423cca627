#include "record/MeterRecording.h"

#include "common/Numbers.h"

namespace kst {

AlarmLimits LimitsOf(const AlarmSettings &settings)
{
    const auto limit = [](bool on, const QString &text) -> std::optional<float> {
        const std::optional<double> number = on ? ParseNumber(text) : std::nullopt;
        return number ? std::optional<float>(float(*number)) : std::nullopt;
    };
    return {limit(settings.high, settings.highText), limit(settings.low, settings.lowText)};
}

AlarmCheck CheckAlarm(const std::optional<float> &limit, float value, bool high)
{
    if (!limit)
        return AlarmCheck::Untested;
    const bool crossed = high ? value > *limit : value < *limit;
    return crossed ? AlarmCheck::Crossed : AlarmCheck::Normal;
}

AlarmVerdict CheckAlarms(const AlarmLimits &limits, float value)
{
    return {CheckAlarm(limits.High, value, true), CheckAlarm(limits.Low, value, false)};
}

ReadingOutcome MeterRecording::Take(const TimedReading &timed)
{
    const MeterReading &reading = timed.reading;
    ReadingOutcome outcome;
    Statistics.LastRawValue = reading.Counts;
    Statistics.LastDecimals = qint16(reading.Decimals);
    if (reading.OverRange) {
        outcome.value = OverRangeValue;
        outcome.text = OverloadText;
        if (StopOnOverload) {
            outcome.end = ReadingOutcome::End::StoppedOnOverload;
            return outcome;
        }
    } else {
        outcome.value = ReadingValue(reading);
        if (Statistics.Ticked.Rel) {
            const std::optional<double> reference = ParseNumber(Statistics.Rel.Data);
            if (!reference) {
                outcome.end = ReadingOutcome::End::Refused;
                return outcome;
            }
            outcome.value = float(double(outcome.value) - *reference);
        }
        outcome.text = ReadingText(outcome.value, reading.Decimals);
    }
    if (reading.Hold) {
        outcome.end = ReadingOutcome::End::Held;
        return outcome;
    }
    outcome.alarms = CheckAlarms(Alarms, outcome.value);
    if (Recording) {
        if (FollowMeterRange) {
            const MeterRangeScale range = MeterRangeGraphScale(reading);
            Scale.Unit = range.Unit;
            Scale.TopY = range.TopY;
            Scale.LowY = range.LowY;
        }
        outcome.sample =
            Record(outcome.value, unitText_.Of(reading), qint16(reading.Decimals), timed.time);
    }
    return outcome;
}

qint32 MeterRecording::Record(float value, const QString &unitText, qint16 decimals,
                              const QDateTime &when)
{
    if (!KeepSamples)
        Samples.Reset();
    const qint32 n = Samples.SampleCount;
    Sample sample;
    sample.value = value;
    sample.date = when.date();
    sample.time = when.time(); // with the clock's milliseconds; files and windows show seconds
    sample.unit = unitText.trimmed();
    sample.decimals = decimals;
    sample.avg = NoValueMarker;
    sample.relRef = Statistics.Ticked.Rel ? Statistics.RelRef : NoValueMarker;
    const qint64 wall = WallMs(sample.date, sample.time);
    // The sample before: in the log, or remembered when the log keeps only the newest.
    const bool hasBefore = KeepSamples ? n > 0 : hasLastWall_;
    const qint64 before = KeepSamples && n > 0 ? Samples.SampleWallMs(n - 1) : lastWallMs_;
    Samples.Store(n, sample);
    if (hasBefore && IsGap(before, wall))
        Samples.NoteGap(n, GapCauseText(gapCause_));
    gapCause_ = GapCause::Unknown;
    lastWallMs_ = wall;
    hasLastWall_ = true;
    Statistics.Record(Samples, n, Scale.Unit, Statistics.Ticked, when);
    Samples.SampleCount = n + 1;
    return n;
}

} // namespace kst
