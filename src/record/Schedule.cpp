#include "record/Schedule.h"

namespace kst::Schedule {

std::vector<Action> Actions(const Slots &entries, const QString &dateText, const QString &timeText)
{
    std::vector<Action> actions;
    for (const ScheduleSlot &slot : entries) {
        // Exact, case-sensitive comparison: "5-4-2000" or " 05-04-2000" never match.
        if (slot.StartDate == dateText && slot.StartTime == timeText)
            actions.push_back(Action::Start);
        if (slot.EndDate == dateText && slot.EndTime == timeText)
            actions.push_back(Action::Stop);
    }
    return actions;
}

} // namespace kst::Schedule
