// Feeds arbitrary bytes to the frame assembler as the serial line delivers them, in pieces, with a
// pause at the end, and to the decoder on its own. Besides the sanitizers, it checks what must
// hold for any input: no more readings than whole frames' worth of bytes, every reading within
// the meter's range, and encoding a decoded reading gives a frame that decodes the same.
#include "common/Numbers.h"
#include "meter/FrameDecoder.h"
#include "meter/FrameReceiver.h"
#include "meter/MeterFrameEncoder.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

using namespace kst;

namespace {

void Check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "property violated: %s\n", what);
        std::abort();
    }
}

bool SameReading(const MeterReading &a, const MeterReading &b)
{
    return a.Counts == b.Counts && a.Decimals == b.Decimals && a.FunctionCode == b.FunctionCode &&
           a.RangeCode == b.RangeCode && a.UnitText == b.UnitText && a.AcDcText == b.AcDcText &&
           a.NonNegative == b.NonNegative && a.BatteryLow == b.BatteryLow &&
           a.OverRange == b.OverRange && a.Hold == b.Hold && a.Rel == b.Rel && a.Min == b.Min &&
           a.Max == b.Max && a.Mem == b.Mem && a.Auto == b.Auto && a.Man == b.Man &&
           a.Apof == b.Apof && a.Buzzer == b.Buzzer && a.Diode == b.Diode && a.Adp == b.Adp;
}

void Exercise(const MeterReading &r)
{
    Check(r.Decimals >= 0 && r.Decimals <= 3, "decimals 0..3");
    Check(std::fabs(r.Counts) <= 9999.0f && std::trunc(r.Counts) == r.Counts, "whole counts");
    Check(!r.NonNegative || r.Counts >= 0.0f, "non-negative function gave a negative count");

    const float value = ReadingValue(r);
    Check(std::isfinite(value), "finite value");
    Check(!r.OverRange || value == OverRangeValue, "over range reads as the marker");
    const QString text = r.OverRange ? OverloadText : ReadingText(value, r.Decimals);
    Check(!text.isEmpty(), "reading text");
    const float bar = BarGraphInput(r);
    Check(std::isfinite(bar) && std::fabs(bar) <= 4 * 9999.0f, "bar graph input");
    Check(!IsFrequencyUnit(r.UnitText) || bar == 0.0f, "frequency leaves the bar at zero");
    const MeterRangeScale scale = MeterRangeGraphScale(r);
    Check(std::isfinite(scale.TopY) && scale.TopY > 0 && scale.LowY == -scale.TopY, "scale");

    // What the meter would send for this display decodes to the same reading.
    MeterFrameEncoder encoder;
    encoder.Negative = r.Counts < 0;
    encoder.Counts = int(std::fabs(r.Counts));
    encoder.BatteryLow = r.BatteryLow;
    encoder.OverRangeCount = r.OverRange ? 1 : 0;
    encoder.Function = r.FunctionCode;
    encoder.Range = r.RangeCode;
    encoder.Max = r.Max;
    encoder.Min = r.Min;
    encoder.Rel = r.Rel;
    encoder.Hold = r.Hold;
    encoder.Mem = r.Mem;
    encoder.Auto = r.Auto;
    encoder.Man = r.Man;
    encoder.Apof = r.Apof;
    const std::optional<MeterReading> again = DecodeMeterFrame(encoder.Encode());
    Check(again && SameReading(*again, r), "re-encoded reading decodes the same");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte says how many bytes the line hands over at a time; the rest is the line.
    const auto *bytes = reinterpret_cast<const char *>(data + 1);
    const qsizetype rest = qsizetype(size - 1);
    const qsizetype piece = 1 + data[0] % 23;

    qsizetype readings = 0;
    FrameReceiver receiver([&](const MeterReading &reading) {
        ++readings;
        Exercise(reading);
    });
    for (qsizetype at = 0; at < rest; at += piece)
        receiver.Receive(bytes + at, std::min(piece, rest - at));
    receiver.LineQuiet();
    Check(readings <= rest / FrameReceiver::FrameLength, "at most one reading per frame's bytes");
    Check(receiver.Waiting() == 0, "nothing waits after the pause");

    // The decoder on its own, with whatever length it is given.
    if (const std::optional<MeterReading> reading = DecodeMeterFrame(QByteArray(bytes, rest)))
        Exercise(*reading);
    return 0;
}
