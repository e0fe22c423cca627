#pragma once

#include "common/Result.h"
#include "meter/TimedReading.h"
#include "record/Markers.h"

#include <QString>

namespace kst {

class SampleLog;

// Where a meter's readings go besides the screen: the recording journal, a sample file or a CSV
// file appended as samples arrive, lines of text or JSON on a stream, an MQTT broker. A session
// hands every output each reading and each recorded sample, in order, and tells them when the
// link is lost and back and when a marker is put.
class ReadingSink {
public:
    virtual ~ReadingSink() = default;

    // Every reading the meter sent, held and over-range ones too, before the recording's rules.
    virtual Status Take(const TimedReading &reading)
    {
        static_cast<void>(reading);
        return {};
    }
    // Sample n of the log was just recorded.
    virtual Status Recorded(const SampleLog &log, qint32 n)
    {
        static_cast<void>(log);
        static_cast<void>(n);
        return {};
    }
    // The meter's link was lost (its device went away) or is back.
    virtual Status LinkChanged(const QDateTime &when, bool lost)
    {
        static_cast<void>(when);
        static_cast<void>(lost);
        return {};
    }
    // The user put a marker on the recording.
    virtual Status Marked(const Marker &marker)
    {
        static_cast<void>(marker);
        return {};
    }
    // Recording stopped, or the program ends: what waits is written out.
    virtual Status Flush() { return {}; }
};

} // namespace kst
