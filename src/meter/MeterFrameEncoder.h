#pragma once

#include <QByteArray>

namespace kst {

// Builds the 11-byte frame the meter sends for one display: status, four digits (least
// significant first), function, range, two annunciator bytes, CR, LF. Every field byte carries
// 128 plus its value. The virtual meter and the tests use it; the program only decodes.
struct MeterFrameEncoder {
    static constexpr int FrameLength = 11;

    // Status byte.
    bool Negative = false;
    bool BatteryLow = false;
    int OverRangeCount = 0; // 0 = in range, 1..3 = OL

    // The displayed digits as a whole number, 0..9999 (clamped).
    int Counts = 0;

    int Function = 0;
    int Range = 0;

    // Annunciators A.
    bool Max = false;
    bool Min = false;
    bool Rel = false;
    bool Hold = false;
    // Annunciators B.
    bool Mem = false;
    bool Auto = false;
    bool Man = false;
    bool Apof = false;

    QByteArray Encode() const;
};

} // namespace kst
