#include "record/SampleLog.h"

#include <algorithm>
#include <cstring>

namespace kst {

void SampleLog::Reset()
{
    // The unit texts stay known (no sample uses them now) unless there are many: a logger that
    // keeps no samples empties the log with every reading.
    if (units_.empty() || units_.size() > MaxKeptUnits) {
        units_ = {QString()};
        unitIds_ = {};
        unitIds_.insert(QString(), 0);
        lastUnit_ = 0;
    }
    stored_ = 0;
    upper_ = InitialUpperIndex;
    SampleCount = 0;
    gaps_.clear();
}

void SampleLog::DropGapsFrom(qint32 index)
{
    while (!gaps_.empty() && gaps_.back().first >= index)
        gaps_.pop_back();
}

void SampleLog::NoteGap(qint32 index, const QString &reason)
{
    DropGapsFrom(index);
    gaps_.emplace_back(index, reason);
}

const QString *SampleLog::GapReason(qint32 index) const
{
    const auto found = std::lower_bound(gaps_.begin(), gaps_.end(), index,
                                        [](const auto &gap, qint32 i) { return gap.first < i; });
    return found != gaps_.end() && found->first == index ? &found->second : nullptr;
}

quint32 SampleLog::UnitId(const QString &unit)
{
    const QString &last = units_[lastUnit_];
    if ((last.constData() == unit.constData() && last.size() == unit.size()) || last == unit)
        return lastUnit_;
    const auto found = unitIds_.constFind(unit);
    if (found != unitIds_.cend())
        return lastUnit_ = *found;
    const auto id = quint32(units_.size());
    units_.push_back(unit);
    unitIds_.insert(unit, id);
    return lastUnit_ = id;
}

SampleLog::Packed SampleLog::Pack(const Sample &s)
{
    Packed p;
    p.value = s.value;
    p.avg = s.avg;
    p.relRef = s.relRef;
    p.day = s.date.isValid() ? qint32(s.date.toJulianDay()) : InvalidDay;
    p.msecs = s.time.isValid() ? s.time.msecsSinceStartOfDay() : -1;
    p.unit = UnitId(s.unit);
    p.decimals = s.decimals;
    p.flags = quint8((s.isMax ? IsMaxBit : 0) | (s.isMin ? IsMinBit : 0));
    return p;
}

void SampleLog::Grow()
{
    if (blocks_.empty()) {
        blocks_.emplace_back(new Packed[FirstBlockSize]);
        allocated_ = FirstBlockSize;
    } else if (allocated_ < BlockSize) { // the small first block becomes a whole one
        std::unique_ptr<Packed[]> whole(new Packed[BlockSize]);
        std::memcpy(whole.get(), blocks_[0].get(), sizeof(Packed) * size_t(stored_));
        blocks_[0] = std::move(whole);
        allocated_ = BlockSize;
    } else {
        blocks_.emplace_back(new Packed[BlockSize]);
        allocated_ += BlockSize;
    }
}

SampleLog::Packed &SampleLog::WritableSlot(qint32 i)
{
    while (stored_ <= i) {
        if (stored_ == allocated_)
            Grow();
        // Slots skipped over read as cleared samples.
        const qint32 end = std::min({allocated_, (stored_ | (BlockSize - 1)) + 1, i + 1});
        Packed *cells = blocks_[size_t(stored_) >> BlockShift].get();
        for (qint32 k = stored_; k < std::min(end, i); ++k)
            cells[size_t(k) & (BlockSize - 1)] = Cleared;
        stored_ = end;
    }
    return blocks_[size_t(i) >> BlockShift][size_t(i) & (BlockSize - 1)];
}

SampleLog::Packed *SampleLog::SlotToUpdate(qint32 i)
{
    if (i < 0)
        return nullptr;
    MakeRoomFor(i);
    return &WritableSlot(i);
}

void SampleLog::Store(qint32 n, const Sample &s)
{
    if (!gaps_.empty())
        DropGapsFrom(n); // a sample stored again: the notes from it on go
    if (Packed *p = SlotToUpdate(n))
        *p = Pack(s);
}

Sample SampleLog::At(qint32 i) const
{
    const Packed &p = Slot(i);
    Sample s;
    s.value = p.value;
    s.date = p.day == InvalidDay ? QDate() : QDate::fromJulianDay(p.day);
    s.time = p.msecs < 0 ? QTime() : QTime::fromMSecsSinceStartOfDay(p.msecs);
    s.unit = units_[p.unit];
    s.decimals = p.decimals;
    s.isMax = (p.flags & IsMaxBit) ? -1 : 0;
    s.isMin = (p.flags & IsMinBit) ? -1 : 0;
    s.avg = p.avg;
    s.relRef = p.relRef;
    return s;
}

QDate SampleLog::SampleDate(qint32 i) const
{
    const qint32 day = Slot(i).day;
    return day == InvalidDay ? QDate() : QDate::fromJulianDay(day);
}

QTime SampleLog::SampleTime(qint32 i) const
{
    const qint32 msecs = Slot(i).msecs;
    return msecs < 0 ? QTime() : QTime::fromMSecsSinceStartOfDay(msecs);
}

void SampleLog::SetFlag(qint32 i, quint8 bit, bool on)
{
    if (Packed *p = SlotToUpdate(i))
        p->flags = quint8(on ? (p->flags | bit) : (p->flags & ~bit));
}

void SampleLog::SetSampleAvg(qint32 i, float avg)
{
    if (Packed *p = SlotToUpdate(i))
        p->avg = avg;
}

void SampleLog::SetSampleUnit(qint32 i, const QString &unit)
{
    if (Packed *p = SlotToUpdate(i))
        p->unit = UnitId(unit);
}

size_t SampleLog::StorageBytes() const
{
    size_t bytes = size_t(allocated_) * sizeof(Packed) + blocks_.capacity() * sizeof(blocks_[0]) +
                   sizeof(*this);
    for (const QString &unit : units_)
        bytes += sizeof(QString) + size_t(unit.capacity()) * sizeof(QChar) + 2 * sizeof(void *);
    return bytes;
}

} // namespace kst
