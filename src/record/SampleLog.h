#pragma once

#include <QDate>
#include <QString>
#include <QTime>
#include <vector>

namespace kst {

// The program's only store of recorded readings: SampleCount and nine parallel arrays sharing one
// index, samples at 0 .. SampleCount - 1 in recording order.
//
// Capacity rule: after Reset the arrays have 101 elements (upper index 100). Before a sample is
// stored at index n, the arrays grow so that their upper index is n whenever n is not below it;
// so they stay at 101 elements up to the 101st sample and then have SampleCount elements. The
// rule is kept as a number (UpperIndex); the vectors grow by amortised appends, never by a copy
// per sample. Slots at or beyond SampleCount hold the cleared values (value 0, the zero date,
// midnight, empty unit, false flags).
class SampleLog {
public:
    static constexpr qint32 InitialUpperIndex = 100;
    static inline const QDate ZeroDate{1899, 12, 30};

    SampleLog() { Reset(); }

    qint32 SampleCount = 0;
    std::vector<float> SampleValue;
    std::vector<QDate> SampleDate;
    std::vector<QTime> SampleTime;
    std::vector<QString> SampleUnit;
    std::vector<qint16> SampleDecimals;
    std::vector<qint16> SampleIsMax; // -1 true, 0 false
    std::vector<qint16> SampleIsMin; // -1 true, 0 false
    std::vector<float> SampleAvg;    // NoValueMarker when no average was running
    std::vector<float> SampleRelRef; // NoValueMarker when Rel was off

    // Fresh arrays of 101 cleared elements; SampleCount 0.
    void Reset();
    // The arrays' upper index (their element count minus one).
    qint32 UpperIndex() const { return qint32(SampleValue.size()) - 1; }
    // Step 1 of storing a sample at index n: grow to upper index n when n is not below it.
    void MakeRoomFor(qint32 n)
    {
        if (n >= UpperIndex())
            GrowTo(n);
    }
    // The one shared copy of a unit text, so a million samples share a handful of strings.
    QString InternUnit(const QString &unit);

private:
    void GrowTo(qint32 upperIndex);
    std::vector<QString> units_;
};

} // namespace kst
