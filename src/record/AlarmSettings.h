#pragma once

#include <QString>
#include <optional>

namespace kst {

// What the alarm frame holds: each limit's box and text, as typed.
struct AlarmSettings {
    bool high = false;
    QString highText = QStringLiteral("+400");
    bool low = false;
    QString lowText = QStringLiteral("-400");
};

// The limits a reading is tested against: a limit is tested while its box is ticked and its
// text is a number; otherwise it is off.
struct AlarmLimits {
    std::optional<float> High;
    std::optional<float> Low;
};
AlarmLimits LimitsOf(const AlarmSettings &settings);

// What testing one value against one limit gave.
enum class AlarmCheck {
    Untested, // the limit is off: its colours stay as they are
    Normal,
    Crossed, // strictly above the high limit, or strictly below the low one
};
struct AlarmVerdict {
    AlarmCheck High = AlarmCheck::Untested;
    AlarmCheck Low = AlarmCheck::Untested;
};
AlarmCheck CheckAlarm(const std::optional<float> &limit, float value, bool high);
AlarmVerdict CheckAlarms(const AlarmLimits &limits, float value);

} // namespace kst
