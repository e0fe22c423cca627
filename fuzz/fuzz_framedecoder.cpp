// Feeds arbitrary bytes to the frame alignment and the decoder as the serial handler does: two
// chunks per notification. Besides the sanitizers, it checks what must hold for any input: a
// selected frame is one of the two chunks' first 11 bytes and ends in CR LF, a decoded reading is
// within the meter's range, and encoding a decoded reading gives a frame that decodes the same.
#include "common/Numbers.h"
#include "meter/FrameDecoder.h"
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

void Exercise(const QByteArray &frame)
{
    const std::optional<MeterReading> reading = DecodeMeterFrame(frame);
    if (!reading)
        return;
    const MeterReading &r = *reading;
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
    // The first byte says where chunk A ends; the rest is what was waiting.
    const auto *bytes = reinterpret_cast<const char *>(data + 1);
    const qsizetype rest = qsizetype(size - 1);
    const qsizetype split = std::min<qsizetype>(data[0] % 23, rest);
    const QByteArray chunkA(bytes, split);
    const QByteArray chunkB(bytes + split, rest - split);

    const std::optional<QByteArray> frame = SelectFrame(chunkA, chunkB);
    if (frame) {
        Check(frame->size() == 11 && frame->endsWith("\r\n"), "frame is 11 bytes ending CR LF");
        Check(*frame == chunkA.left(11) || *frame == chunkB.left(11), "frame comes from a chunk");
        Check(chunkA.size() >= 11, "a short chunk A selects nothing");
        if (chunkA.at(9) == '\r' && chunkA.at(10) == '\n')
            Check(*frame == chunkA.left(11), "chunk A wins");
        Exercise(*frame);
    }
    // The decoder on its own, with whatever length it is given.
    Exercise(QByteArray(bytes, rest));
    return 0;
}
