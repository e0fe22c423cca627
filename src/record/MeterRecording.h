#pragma once

#include "meter/TimedReading.h"
#include "record/AlarmSettings.h"
#include "record/Gaps.h"
#include "record/GraphScale.h"
#include "record/SampleLog.h"
#include "record/Statistics.h"

#include <QString>
#include <algorithm>

namespace kst {

// What the rules made of one reading.
struct ReadingOutcome {
    enum class End {
        // Tested against the limits, and recorded when recording runs.
        Complete,
        // The meter holds its display: shown, neither tested nor recorded.
        Held,
        // Over range with "Stop Record if OL Input" on: shown, neither tested nor recorded.
        StoppedOnOverload,
        // Rel is ticked but its reference is not a number: nothing more is done with the frame,
        // and what waits on the line is dropped.
        Refused,
    };
    End end = End::Complete;
    // The value after the Rel adjustment, or the over-range marker 4000.
    float value = 0;
    // What the reading box shows: the value with the reading's decimals, or "O L"; empty when
    // the reading was refused before it was shown.
    QString text;
    AlarmVerdict alarms;
    // Index of the sample recorded for it, or -1.
    qint32 sample = -1;

    // The receive watchdog starts again after a frame handled to its end and after a refused
    // one; a held display or a stop on overload leaves it off until a later frame.
    bool RearmsWatchdog() const { return end == End::Complete || end == End::Refused; }
};

// One meter's recording: the samples it recorded, its running statistics, its graph scale, its
// alarm limits, and the rules every reading goes through, in this order: the last count is kept
// for Rel; the value is computed (the counts over 10^decimals, less the Rel reference while Rel
// is ticked; the marker 4000 when over range); a held display or an over-range reading with
// StopOnOverload ends here; the value is tested against the limits; and while recording runs,
// the graph takes the meter's range when FollowMeterRange is set and the value is recorded.
class MeterRecording {
public:
    SampleLog Samples;
    RunningStatistics Statistics;
    GraphScale Scale;
    AlarmLimits Alarms;
    // "Stop Record if OL Input".
    bool StopOnOverload = false;
    // The graph's scale follows the meter's range ("Meter Range" in the scale window).
    bool FollowMeterRange = false;
    // Readings are recorded (START is down and nothing else holds the log).
    bool Recording = false;
    // False: the log keeps only the newest sample, for a logger that writes each sample out as
    // it comes and never shows them all.
    bool KeepSamples = true;

    ReadingOutcome Take(const TimedReading &reading);

    // The recording cycle's record step: stores a sample stamped `when` (with its milliseconds)
    // at SampleCount, updates the statistics the ticked boxes ask for, and counts it. Returns its
    // index. A sample more than GapMs after the one before has its gap noted in the log, with
    // the weightiest cause expected since that sample.
    qint32 Record(float value, const QString &unitText, qint16 decimals, const QDateTime &when);

    // Readings may stop for a while for this cause (the link was lost, the meter went silent,
    // recording was paused): a gap before the next sample is noted with it.
    void ExpectGap(GapCause cause) { gapCause_ = std::max(gapCause_, cause); }

private:
    GapCause gapCause_ = GapCause::Unknown;
    // The time of the last sample, for a log that keeps only the newest.
    qint64 lastWallMs_ = 0;
    bool hasLastWall_ = false;
    SampleUnitText unitText_;
};

} // namespace kst
