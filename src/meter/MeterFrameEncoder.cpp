#include "meter/MeterFrameEncoder.h"

#include <algorithm>

namespace kst {

QByteArray MeterFrameEncoder::Encode() const
{
    const auto byte = [](int value) { return char(quint8(value)); };
    const int counts = std::clamp(Counts, 0, 9999);
    const int overRange = std::clamp(OverRangeCount, 0, 3);

    QByteArray frame;
    frame.reserve(FrameLength);
    frame.append(byte(128 + (Negative ? 8 : 0) + (BatteryLow ? 4 : 0) + overRange));
    frame.append(byte(counts % 10));
    frame.append(byte(counts / 10 % 10));
    frame.append(byte(counts / 100 % 10));
    frame.append(byte(counts / 1000));
    frame.append(byte(128 + Function));
    frame.append(byte(128 + Range));
    frame.append(byte(128 + (Max ? 8 : 0) + (Min ? 4 : 0) + (Rel ? 2 : 0) + (Hold ? 1 : 0)));
    frame.append(byte(128 + (Mem ? 8 : 0) + (Auto ? 4 : 0) + (Man ? 2 : 0) + (Apof ? 1 : 0)));
    frame.append('\r');
    frame.append('\n');
    return frame;
}

} // namespace kst
