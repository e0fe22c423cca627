#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace kst {

// One decoded meter frame. Lives for one receive notification.
struct MeterReading {
    // The four digits as a whole number, negated when the sign flag is set (never for
    // NonNegative functions).
    float Counts = 0.0f;
    // Digits after the decimal point, 0..3; 0 when the function/range pair sets nothing.
    int Decimals = 0;
    int FunctionCode = 0; // byte 6 - 128
    int RangeCode = 0;    // byte 7 - 128
    QString UnitText; // "mV", "V", "mA", "A", "Ω", "KΩ", "MΩ", "Hz", "KHz", "nF", "μF" or ""
    QString AcDcText; // "DC", "AC" or ""
    // Resistance, continuity and capacitance: the meter's sign flag is ignored.
    bool NonNegative = false;
    bool BatteryLow = false;
    bool OverRange = false;
    bool Hold = false;
    bool Rel = false;
    bool Min = false;
    bool Max = false;
    bool Mem = false;
    bool Auto = false;
    bool Man = false;
    bool Apof = false;
    // Icons implied by the function: continuity buzzer (5), diode test (6).
    bool Buzzer = false;
    bool Diode = false;
    // Function 7 (adapter input): no unit, no AC/DC.
    bool Adp = false;
};

// A reading's unit text as samples and published readings carry it: the AC/DC text followed by
// the unit ("DCV"). Joined again only when the unit changes, not for every reading.
class SampleUnitText {
public:
    const QString &Of(const MeterReading &reading)
    {
        if (reading.AcDcText != acDc_ || reading.UnitText != unit_) {
            acDc_ = reading.AcDcText;
            unit_ = reading.UnitText;
            joined_ = acDc_ + unit_;
        }
        return joined_;
    }

private:
    QString acDc_, unit_, joined_;
};

// Decodes one aligned 11-byte frame. Nothing when the frame is not 11 bytes or a digit byte is
// not a digit 0..9. The flag bytes are read with the meter's arithmetic cascade (subtracting 8,
// 4, 2, 1 in turn), so bytes that are not well formed still give a defined result.
std::optional<MeterReading> DecodeMeterFrame(const QByteArray &frame);

// True for the frequency units, whose readings do not drive the bar graph.
bool IsFrequencyUnit(const QString &unitText);

// The count value the bar graph is given: 0 for frequency units, Counts x 4 for the ampere
// ranges (whose full scale is 1000 counts), Counts otherwise.
float BarGraphInput(const MeterReading &reading);

// The reading's value before any relative adjustment: Counts / 10^Decimals (power in double
// precision, quotient kept in single), or exactly the over-range marker 4000 when OL.
float ReadingValue(const MeterReading &reading);

// The value as ReadBox shows it: padded to four digits with the reading's decimals.
QString ReadingText(float value, int decimals);
// The same text as bytes for a reading's value (a whole number of counts, 0 to 3 decimals):
// written at out, at most ReadingDigitsMax bytes, and its end returned; nullptr for any other
// value, which ReadingText formats in general.
inline constexpr int ReadingDigitsMax = 8;
char *PutReadingDigits(char *out, float value, int decimals);

// What ReadBox shows for an over-range reading or a silent meter.
inline const QString OverloadText = QStringLiteral("O L");

// Graph scale for the "Meter Range" mode: the unit text (AC/DC text followed by the unit,
// trimmed) and the full scale of the current range, symmetric about zero.
struct MeterRangeScale {
    QString Unit;
    float TopY = 0.0f;
    float LowY = 0.0f;
};
MeterRangeScale MeterRangeGraphScale(const MeterReading &reading);
// The same for a recorded sample: its unit text (AC/DC text followed by the unit) and decimals.
MeterRangeScale MeterRangeGraphScale(const QString &sampleUnit, int decimals);

} // namespace kst
