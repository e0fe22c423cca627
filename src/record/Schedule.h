#pragma once

#include <QString>
#include <array>
#include <vector>

namespace kst {

// One row of the recording schedule: the texts exactly as the user typed them. They are never
// parsed as dates; an entry matches only when its texts equal the clock texts character for
// character ("05-04-2000" and "10:00:00", month first, 24-hour, leading zeros).
struct ScheduleSlot {
    QString StartDate;
    QString StartTime;
    QString EndDate;
    QString EndTime;
};

namespace Schedule {

inline constexpr int SlotCount = 5;
using Slots = std::array<ScheduleSlot, SlotCount>;

enum class Action { Start, Stop };

// What one tick of the schedule does, given the clock texts shown by the schedule window: every
// matching entry in the fixed order start 1, end 1, start 2, end 2, ... end 5. Every entry is
// tested, so a start and an end at the same moment both appear, and the later one wins.
std::vector<Action> Actions(const Slots &entries, const QString &dateText, const QString &timeText);

} // namespace Schedule
} // namespace kst
