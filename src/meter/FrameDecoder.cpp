#include "meter/FrameDecoder.h"

#include "common/Numbers.h"

#include <array>
#include <cmath>

namespace kst {

namespace {

constexpr int FrameLength = 11;
constexpr int AnyRange = -1000; // matches every range code

// Per function: the AC/DC text and the effects that do not depend on the range.
struct FunctionRow {
    int function;
    const char16_t *acDc;
    bool nonNegative;
    bool buzzer;
    bool diode;
    bool adp;
};

constexpr FunctionRow functionRows[] = {
    {0, u"DC", false, false, false, false}, {1, u"AC", false, false, false, false},
    {2, u"DC", false, false, false, false}, {3, u"AC", false, false, false, false},
    {4, u"", true, false, false, false},    {5, u"", true, true, false, false},
    {6, u"", false, false, true, false},    {7, u"", false, false, false, true},
    {8, u"DC", false, false, false, false}, {9, u"AC", false, false, false, false},
    {10, u"", false, false, false, false},  {12, u"", true, false, false, false},
};

// Per function and range: the unit text and the number of decimals. The first matching row
// wins; a pair without a row leaves the unit empty and the decimals 0.
struct RangeRow {
    int function;
    int range;
    const char16_t *unit;
    int decimals;
};

constexpr RangeRow rangeRows[] = {
    // DC and AC voltage.
    {0, 0, u"mV", 1},
    {0, 1, u"V", 3},
    {0, 2, u"V", 2},
    {0, 3, u"V", 1},
    {0, 4, u"V", 0},
    {1, 0, u"mV", 1},
    {1, 1, u"V", 3},
    {1, 2, u"V", 2},
    {1, 3, u"V", 1},
    {1, 4, u"V", 0},
    // DC and AC milliamperes: the unit stays "mA" on every range.
    {2, 0, u"mA", 3},
    {2, 1, u"mA", 2},
    {2, 2, u"mA", 1},
    {2, 3, u"mA", 0},
    {2, AnyRange, u"mA", 0},
    {3, 0, u"mA", 3},
    {3, 1, u"mA", 2},
    {3, 2, u"mA", 1},
    {3, 3, u"mA", 0},
    {3, AnyRange, u"mA", 0},
    // Resistance; range 4 reads up to 3999 KΩ rather than switching to MΩ.
    {4, 0, u"Ω", 1},
    {4, 1, u"KΩ", 3},
    {4, 2, u"KΩ", 2},
    {4, 3, u"KΩ", 1},
    {4, 4, u"KΩ", 0},
    {4, 5, u"MΩ", 2},
    // Continuity, diode test, adapter input, amperes.
    {5, AnyRange, u"Ω", 1},
    {6, AnyRange, u"V", 3},
    {7, AnyRange, u"", 0},
    {8, AnyRange, u"A", 2},
    {9, AnyRange, u"A", 2},
    // Frequency.
    {10, 0, u"KHz", 3},
    {10, 1, u"KHz", 2},
    {10, 2, u"KHz", 1},
    {10, 5, u"Hz", 2},
    {10, 6, u"Hz", 1},
    // Capacitance.
    {12, 0, u"nF", 3},
    {12, 1, u"nF", 2},
    {12, 2, u"nF", 1},
    {12, 3, u"μF", 3},
    {12, 4, u"μF", 2},
};

// The meter's flag arithmetic: from value, take away each weight it still reaches. The result
// says which weights were taken; value keeps the remainder.
void Cascade(int &value, std::initializer_list<bool *> flags, int weight)
{
    for (bool *flag : flags) {
        *flag = value >= weight;
        if (*flag)
            value -= weight;
        weight /= 2;
    }
}

// The texts of the tables above as strings made once: a reading shares them, so decoding a frame
// allocates nothing.
template <typename Row, size_t N>
std::array<QString, N> Texts(const Row (&rows)[N], const char16_t *Row::*text)
{
    std::array<QString, N> texts;
    for (size_t i = 0; i < N; ++i)
        texts[i] = QString::fromUtf16(rows[i].*text);
    return texts;
}

} // namespace

std::optional<MeterReading> DecodeMeterFrame(const QByteArray &frame)
{
    if (frame.size() < FrameLength)
        return std::nullopt;
    const auto byte = [&frame](int position) { return int(quint8(frame.at(position - 1))); };

    // Digits arrive least significant first, one plain value 0..9 per byte.
    int counts = 0;
    for (int position = 5; position >= 2; --position) {
        const int digit = byte(position);
        if (digit > 9)
            return std::nullopt;
        counts = counts * 10 + digit;
    }

    MeterReading reading;
    reading.FunctionCode = byte(6) - 128;
    reading.RangeCode = byte(7) - 128;

    static const auto acDcTexts = Texts(functionRows, &FunctionRow::acDc);
    static const auto unitTexts = Texts(rangeRows, &RangeRow::unit);
    for (size_t i = 0; i < std::size(functionRows); ++i) {
        const FunctionRow &row = functionRows[i];
        if (row.function != reading.FunctionCode)
            continue;
        reading.AcDcText = acDcTexts[i];
        reading.NonNegative = row.nonNegative;
        reading.Buzzer = row.buzzer;
        reading.Diode = row.diode;
        reading.Adp = row.adp;
        break;
    }
    for (size_t i = 0; i < std::size(rangeRows); ++i) {
        const RangeRow &row = rangeRows[i];
        if (row.function != reading.FunctionCode ||
            (row.range != AnyRange && row.range != reading.RangeCode))
            continue;
        reading.UnitText = unitTexts[i];
        reading.Decimals = row.decimals;
        break;
    }

    int a = byte(8) - 128;
    Cascade(a, {&reading.Max, &reading.Min, &reading.Rel, &reading.Hold}, 8);
    int b = byte(9) - 128;
    Cascade(b, {&reading.Mem, &reading.Auto, &reading.Man, &reading.Apof}, 8);

    // Status: sign (8), battery (4); whatever remains above zero is the over-range count.
    int s = byte(1) - 128;
    reading.Counts = float(counts);
    if (s >= 8) {
        // Zero stays an unsigned zero, so it never shows as "-0.000".
        if (counts != 0)
            reading.Counts = -reading.Counts;
        s -= 8;
    }
    if (reading.NonNegative)
        reading.Counts = std::fabs(reading.Counts);
    reading.BatteryLow = s >= 4;
    if (reading.BatteryLow)
        s -= 4;
    reading.OverRange = s > 0;
    return reading;
}

bool IsFrequencyUnit(const QString &unitText)
{
    return unitText == u"Hz" || unitText == u"KHz";
}

float BarGraphInput(const MeterReading &reading)
{
    if (IsFrequencyUnit(reading.UnitText))
        return 0.0f;
    if (reading.UnitText == u"A")
        return reading.Counts * 4;
    return reading.Counts;
}

float ReadingValue(const MeterReading &reading)
{
    if (reading.OverRange)
        return OverRangeValue;
    static constexpr double Tens[] = {1, 10, 100, 1000}; // exactly what pow gives
    const int decimals = reading.Decimals;
    const double ten = decimals >= 0 && decimals <= 3 ? Tens[decimals] : std::pow(10.0, decimals);
    return float(double(reading.Counts) / ten);
}

char *PutReadingDigits(char *out, float value, int decimals)
{
    // A reading is a whole number of counts: its text is written straight from them, as the
    // pattern writes it (the general formatter costs more than the rest of a reading's path).
    static constexpr double Tens[] = {1, 10, 100, 1000};
    if (decimals < 0 || decimals > 3)
        return nullptr;
    const double counts = std::nearbyint(double(value) * Tens[decimals]);
    if (std::fabs(counts) > 9999 || float(counts / Tens[decimals]) != value ||
        (counts == 0 && std::signbit(value)))
        return nullptr;
    if (counts < 0)
        *out++ = '-';
    const int n = int(std::fabs(counts));
    const char digits[4] = {char('0' + n / 1000), char('0' + n / 100 % 10), char('0' + n / 10 % 10),
                            char('0' + n % 10)};
    for (int i = 0; i < 4; ++i) {
        if (i == 4 - decimals)
            *out++ = '.';
        *out++ = digits[i];
    }
    return out;
}

QString ReadingText(float value, int decimals)
{
    char text[ReadingDigitsMax];
    if (const char *end = PutReadingDigits(text, value, decimals))
        return QString::fromLatin1(text, end - text);
    return FormatSingle(value, DigitsPattern(decimals));
}

MeterRangeScale MeterRangeGraphScale(const MeterReading &reading)
{
    return MeterRangeGraphScale(reading.AcDcText + reading.UnitText, reading.Decimals);
}

MeterRangeScale MeterRangeGraphScale(const QString &sampleUnit, int decimals)
{
    MeterRangeScale scale;
    scale.Unit = sampleUnit.trimmed();
    QStringView unit = scale.Unit;
    if (unit.startsWith(u"AC") || unit.startsWith(u"DC"))
        unit = unit.mid(2);
    double fullScale;
    if (unit == u"Hz" || unit == u"KHz")
        fullScale = 1000.0 / std::pow(10.0, decimals - 1);
    else if (unit == u"A")
        fullScale = 1000.0 / std::pow(10.0, decimals);
    else
        fullScale = 4000.0 / std::pow(10.0, decimals);
    scale.TopY = float(fullScale);
    scale.LowY = float(-fullScale);
    return scale;
}

} // namespace kst
