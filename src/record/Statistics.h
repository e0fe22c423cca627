#pragma once

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

} // namespace kst
