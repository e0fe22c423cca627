#pragma once

#include <QString>
#include <QStringView>
#include <optional>

// The program's number semantics, in one place: display patterns, whole-number rounding,
// single-precision value text and the one "is this text a number" parser.
namespace kst {

// "No value" in the running statistics and in the SampleAvg / SampleRelRef columns.
inline constexpr float NoValueMarker = 99999.0f;

// The meter's over-range reading travels as exactly +/-4000.
inline constexpr float OverRangeValue = 4000.0f;

// Nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
qint64 RoundHalfEven(double value);

// Formats a number with a digit pattern: "0" is a digit always shown, "#" a digit shown only
// when needed, "." the decimal point. Rounds half away from zero at the last shown digit, as
// the display of a meter does ("0.000" shows 1.2345 as 1.235). Patterns used by the program:
// "0000", "000.0", "00.00", "0.000", "####0.0##", "###0.0##", "#####0000".
QString FormatNumber(double value, QStringView pattern);

// The same for a value kept in single precision: the value is first taken at the 7 significant
// digits a single carries, so 1.234f formats as 1.234 and never as 1.233999...
QString FormatSingle(float value, QStringView pattern);

// The one number scanner. The whole of [begin, end) must be the number: an optional sign, digits
// with an optional period as the decimal separator (at least one digit), an optional exponent (E
// or e, optional sign, digits). A value outside the type's finite range is not a number. The
// single-precision form rounds the text once, straight to single precision.
bool ScanNumber(const char *begin, const char *end, double &value);
bool ScanNumberGeneral(const char *begin, const char *end, float &value);
// The quick form of the single-precision ScanNumber: a short plain decimal ("-1.234", "99999")
// read from begin up to the first byte that cannot continue it, as a whole number of at most
// 2^24 over an exact power of ten, so one correctly rounded division gives the same single as the
// general scanner. Returns where it stopped, or nullptr (value untouched) when the text there is
// not of that form. ScanNumber accepts [begin, stop) with the same value.
Q_ALWAYS_INLINE const char *ScanShortDecimal(const char *begin, const char *end, float &value)
{
    constexpr float Tens[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f};
    const char *p = begin;
    const bool negative = p < end && *p == '-';
    p += negative;
    quint32 whole = 0;
    int digits = 0, decimals = -1;
    for (; p < end && digits <= 9; ++p) {
        if (*p >= '0' && *p <= '9') {
            whole = whole * 10 + quint32(*p - '0');
            ++digits;
            decimals += decimals >= 0;
        } else if (*p == '.' && decimals < 0) {
            decimals = 0;
        } else {
            break;
        }
    }
    if (digits == 0 || digits > 9 || whole > (1u << 24))
        return nullptr;
    const float v = decimals > 0 ? float(whole) / Tens[decimals] : float(whole);
    value = negative ? -v : v;
    return p;
}
inline bool ScanNumber(const char *begin, const char *end, float &value)
{
    float quick = 0;
    if (const char *stop = ScanShortDecimal(begin, end, quick); stop && stop == end) {
        value = quick;
        return true;
    }
    return ScanNumberGeneral(begin, end, value);
}

// A numeric entry or setting text: optional blanks around a number that ScanNumber accepts.
// Anything else, including an empty text, is not a number.
std::optional<double> ParseNumber(QStringView text);
inline bool IsNumeric(QStringView text)
{
    return ParseNumber(text).has_value();
}

// A single-precision value as plain text: at most 7 significant digits, no trailing zeros, a
// leading zero below 1, plain digits for magnitudes from 0.0001 to below 10,000,000 and an
// exponent form ("1.234E-05", "1E+08") outside that. 2 -> "2", 1.5 -> "1.5", 99999 -> "99999".
QString SingleText(float value);

// Writes SingleText(value) into out as Latin-1 bytes (at most SingleTextMax of them) and returns
// the end of the text: the fast form the sample file uses, formatting the value once.
inline constexpr int SingleTextMax = 16;
char *PutSingleText(char *out, float value);

// The display pattern for a number of decimals: 0 -> "0000", 1 -> "000.0", 2 -> "00.00",
// 3 -> "0.000", anything else -> "".
QString DigitsPattern(int decimals);

// True exactly when |value| is the over-range marker 4000.
bool IsOverRangeValue(float value);

// A value as a plain number with a given count of decimals (0 to 7 used), a period as the decimal
// separator whatever the locale: 1.234, -12.5, 4000.000. A value that rounds to zero has no sign.
QString PlainValueText(float value, int decimals);

} // namespace kst
