#pragma once

#include <QDate>
#include <QHash>
#include <QString>
#include <QTime>
#include <deque>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

namespace kst {

// One recorded reading: its value, the date and time of day it was taken (with the clock's
// milliseconds while recording; files keep whole seconds), its unit text, its number of decimals
// and the statistic columns in force at that moment.
struct Sample {
    float value = 0;
    QDate date{1899, 12, 30};
    QTime time{0, 0};
    QString unit{};
    qint16 decimals = 0;
    qint16 isMax = 0; // -1 true, 0 false
    qint16 isMin = 0; // -1 true, 0 false
    float avg = 0;    // NoValueMarker when no average was running
    float relRef = 0; // NoValueMarker when Rel was off

    friend bool operator==(const Sample &, const Sample &) = default;
};

// The program's only store of recorded readings: SampleCount samples at indices 0 ..
// SampleCount - 1 in recording order.
//
// Capacity rule: after Reset the upper index is 100. Before a sample is stored at index n, the
// upper index becomes n whenever n is not below it; so it stays at 100 up to the 101st sample and
// then is SampleCount - 1. The rule is kept as a number (UpperIndex). Indices up to the upper
// index that hold no stored sample read as the cleared sample (value 0, the zero date, midnight,
// empty unit, false flags).
//
// Storage is compact: 28 bytes per sample in blocks of 1024 (the first starts smaller), the unit
// as an index into the log's table of unit texts and the date and time as a day number and
// milliseconds. Growing never copies more than the first block. Reset keeps the blocks for the
// next samples, as a load after New refills them.
class SampleLog {
public:
    static constexpr quint8 IsMaxBit = 1;
    static constexpr quint8 IsMinBit = 2;
    static constexpr qint32 InvalidDay = std::numeric_limits<qint32>::min();

    // A sample as stored, for readers that convert straight to it.
    struct Packed {
        float value;
        float avg;
        float relRef;
        qint32 day;   // Julian day; InvalidDay for an invalid date
        qint32 msecs; // since midnight; -1 for an invalid time
        quint32 unit; // UnitId of the unit text
        qint16 decimals;
        quint8 flags; // IsMaxBit | IsMinBit
    };

    static constexpr qint32 InitialUpperIndex = 100;
    static inline const QDate ZeroDate{1899, 12, 30};

    SampleLog() { Reset(); }
    // Logs are large: moved, never copied.
    SampleLog(const SampleLog &other) = delete;
    SampleLog &operator=(const SampleLog &other) = delete;
    SampleLog(SampleLog &&) noexcept = default;
    SampleLog &operator=(SampleLog &&) noexcept = default;

    // Number of samples recorded, also the index the next sample is stored at.
    qint32 SampleCount = 0;

    // Empty log, upper index 100; the storage is kept for the next samples.
    void Reset();
    qint32 UpperIndex() const { return upper_; }
    // Grows the upper index to n when n is not below it (the first step of storing at n).
    void MakeRoomFor(qint32 n)
    {
        if (n >= upper_)
            upper_ = n;
    }

    // Stores s at SampleCount and advances SampleCount.
    void Append(const Sample &s)
    {
        Store(SampleCount, s);
        ++SampleCount;
    }
    // Stores s at index n (growing by the capacity rule) without touching SampleCount: the
    // recording cycle draws the new sample before it counts it.
    void Store(qint32 n, const Sample &s);
    // Append for a sample already in its stored form (its unit from UnitId): the slot the caller
    // fills, field by field.
    Packed &AppendSlot()
    {
        const qint32 n = SampleCount++;
        MakeRoomFor(n);
        if (n == stored_ && n < allocated_) {
            ++stored_;
            return blocks_[size_t(n) >> BlockShift][size_t(n) & (BlockSize - 1)];
        }
        return WritableSlot(n);
    }

    Sample At(qint32 i) const;
    float SampleValue(qint32 i) const { return Slot(i).value; }
    QDate SampleDate(qint32 i) const;
    QTime SampleTime(qint32 i) const;
    const QString &SampleUnit(qint32 i) const { return units_[Slot(i).unit]; }
    qint16 SampleDecimals(qint32 i) const { return Slot(i).decimals; }
    qint16 SampleIsMax(qint32 i) const { return (Slot(i).flags & IsMaxBit) ? -1 : 0; }
    qint16 SampleIsMin(qint32 i) const { return (Slot(i).flags & IsMinBit) ? -1 : 0; }
    float SampleAvg(qint32 i) const { return Slot(i).avg; }
    float SampleRelRef(qint32 i) const { return Slot(i).relRef; }

    // The sample's local date and time on one scale of milliseconds (the Julian day times
    // 86,400,000 plus the milliseconds of the day), to compare times without making dates.
    qint64 SampleWallMs(qint32 i) const
    {
        const Packed &p = Slot(i);
        return qint64(p.day) * 86400000 + p.msecs;
    }
    // Sample i as stored, for code that runs over many samples.
    const Packed &PackedAt(qint32 i) const { return Slot(i); }

    // Why the samples stopped for a while before sample `index` (the link was lost, recording
    // was paused), where the recording knew it. Kept until Reset; a sample stored again at or
    // before a noted index takes the notes from there on away.
    void NoteGap(qint32 index, const QString &reason);
    // The reason noted before sample `index`, or null.
    const QString *GapReason(qint32 index) const;

    // The fields the statistics and the unit conversion write into a stored sample.
    void SetSampleIsMax(qint32 i, qint16 flag) { SetFlag(i, IsMaxBit, flag != 0); }
    void SetSampleIsMin(qint32 i, qint16 flag) { SetFlag(i, IsMinBit, flag != 0); }
    void SetSampleAvg(qint32 i, float avg);
    void SetSampleUnit(qint32 i, const QString &unit);

    // The unit as an index into the log's unit table (0 is the empty unit), for code that
    // converts each unit once rather than once per sample.
    quint32 SampleUnitId(qint32 i) const { return Slot(i).unit; }
    const QString &UnitText(quint32 id) const { return units_[id]; }
    quint32 UnitCount() const { return quint32(units_.size()); }
    quint32 UnitId(const QString &unit);

    // Memory the samples take, for the benchmarks.
    size_t StorageBytes() const;

private:
    static constexpr int BlockShift = 10;
    static constexpr qint32 BlockSize = 1 << BlockShift;
    // A short log (most of them, and every fuzz input) takes a small first block.
    static constexpr qint32 FirstBlockSize = 64;
    // Unit texts an emptied log keeps knowing.
    static constexpr size_t MaxKeptUnits = 64;
    static_assert(sizeof(Packed) <= 28);
    // 2415019 is the Julian day of the zero date, 30 December 1899.
    static constexpr Packed Cleared = {0.0f, 0.0f, 0.0f, 2415019, 0, 0, 0, 0};

    const Packed &Slot(qint32 i) const
    {
        if (i < 0 || i >= stored_)
            return Cleared;
        return blocks_[size_t(i) >> BlockShift][size_t(i) & (BlockSize - 1)];
    }
    Packed &WritableSlot(qint32 i);
    // The slot at i for a change, made by the capacity rule; null for a negative index.
    Packed *SlotToUpdate(qint32 i);
    void SetFlag(qint32 i, quint8 bit, bool on);
    void DropGapsFrom(qint32 index);
    void Grow();
    Packed Pack(const Sample &s);

    qint32 upper_ = InitialUpperIndex;
    qint32 stored_ = 0; // slots written so far (every slot below it holds a sample or is cleared)
    qint32 allocated_ = 0; // slots the blocks hold
    std::vector<std::unique_ptr<Packed[]>> blocks_;
    std::deque<QString> units_; // stable references; [0] is the empty unit
    QHash<QString, quint32> unitIds_;
    quint32 lastUnit_ = 0;
    std::vector<std::pair<qint32, QString>> gaps_; // by index, rising
};

} // namespace kst
