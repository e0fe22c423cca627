#pragma once

#include "common/Numbers.h"

#include <QDateTime>
#include <QString>
#include <QtGlobal>
#include <optional>

// The arithmetic of the running Max, Min and Avg statistics and of the Rel reference. The
// statistics are held in the graph's unit and follow range changes by converting the stored value;
// a change of quantity (the unit's last letter: V, A, Ω, z, F) restarts them from the new sample.
namespace kst {

// Each update takes the stored value and unit, the new sample value v and the target unit (the
// graph's unit). An over-range value (|v| = 4000) changes nothing. When the stored value is the
// no-value marker 99999 or the quantity changed, v is taken. Otherwise the stored value is
// converted to the target unit (trimming both unit texts in place) and compared with v.
// "Taken" means the stored value and unit were set, so the caller updates the read-out labels
// and, for Max and Min, flags the sample.

// A new maximum only when strictly above: a tie keeps the earlier maximum.
bool UpdateMaximumValue(float &stored, QString &storedUnit, float v, QString &target);
// A new minimum only when strictly below.
bool UpdateMinimumValue(float &stored, QString &storedUnit, float v, QString &target);
// The running mean: every sample since the last restart has equal weight; the mean is computed in
// double precision and stored in single precision. True for every sample that is not over range.
bool UpdateAverageValue(float &stored, QString &storedUnit, qint32 &count, float v,
                        QString &target);

// The Rel reference for a meter count and its decimals: count / 10^decimals. None when the count
// is exactly +4000 (the over-range marker of the last frame).
std::optional<float> RelReferenceFor(float count, qint16 decimals);

class SampleLog;

// A statistic's read-out: its value text and the date and time it was last set.
struct Readout {
    QString Data;
    QString Time;
};

// The main window's running statistics and the read-outs they show. The recording cycle records
// every sample here; the statistics panel only renders the read-outs.
struct RunningStatistics {
    float MaxValue = NoValueMarker;
    QString MaxUnit;
    float MinValue = NoValueMarker;
    QString MinUnit;
    float AvgValue = NoValueMarker;
    QString AvgUnit;
    qint32 AvgCount = 0;
    float RelRef = 0;
    // The last frame's count before the decimal point is applied, and its decimals: the Rel
    // reference is taken from them.
    float LastRawValue = 0;
    qint16 LastDecimals = 2;

    Readout Max, Min, Avg, Rel;

    // Which statistics are switched on (their boxes ticked).
    struct Ticks {
        bool Max = false, Min = false, Avg = false, Rel = false;
    };
    Ticks Ticked;

    // The reset step of the main window: Max, Min and Avg empty, AvgCount 0, RelRef 0,
    // LastRawValue 0, LastDecimals 2. Units and read-outs stay as they are.
    void Reset();
    void ClearReadouts();

    // The statistics step of the recording cycle for sample n, which the log already holds:
    // Max, Min and Avg updated in that order while ticked (a taken value shows in the sample's
    // display pattern, stamped now), SampleIsMax / SampleIsMin flagged and SampleAvg stored (the
    // no-value marker while Avg is unticked). graphUnit may be trimmed.
    void Record(SampleLog &log, qint32 n, QString &graphUnit, Ticks ticked, const QDateTime &now);

    // Takes LastRawValue / 10^LastDecimals as the Rel reference and shows it; an over-range last
    // frame takes nothing and leaves the read-out as it is.
    void TakeRelReference(const QDateTime &now);
};

} // namespace kst
