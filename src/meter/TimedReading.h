#pragma once

#include "meter/FrameDecoder.h"

#include <QDateTime>

namespace kst {

// A decoded reading with the time it was received: the clock's local date and time, with
// milliseconds. Readings travel as these values from the link to the recording and the outputs.
struct TimedReading {
    QDateTime time;
    MeterReading reading;
};

} // namespace kst
