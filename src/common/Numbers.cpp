#include "common/Numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace kst {

qint64 RoundHalfEven(double value)
{
    if (std::isnan(value))
        return 0;
    // The default floating-point rounding mode rounds to nearest with ties to even.
    const double r = std::nearbyint(value);
    constexpr double lo = double(std::numeric_limits<qint64>::min());
    constexpr double hi = double(std::numeric_limits<qint64>::max());
    if (r <= lo)
        return std::numeric_limits<qint64>::min();
    if (r >= hi)
        return std::numeric_limits<qint64>::max();
    return qint64(r);
}

namespace {

// Adds one to a string of decimal digits ("199" -> "200", "99" -> "100").
void IncrementDigits(QString &digits)
{
    for (qsizetype i = digits.size() - 1; i >= 0; --i) {
        if (digits[i] != u'9') {
            digits[i] = QChar(digits[i].unicode() + 1);
            return;
        }
        digits[i] = u'0';
    }
    digits.prepend(u'1');
}

// |value| x 10^decimals as a string of decimal digits, rounded half away from zero at the last
// place, working from the 15 significant digits a double carries. Empty means zero.
QString ScaledDigits(double magnitude, int decimals)
{
    if (magnitude == 0.0 || !std::isfinite(magnitude))
        return {};
    const QString sci = QString::number(magnitude, 'e', 14); // d.dddddddddddddde+XX
    const qsizetype ePos = sci.indexOf(u'e');
    const QString digits = sci.left(1) + sci.mid(2, ePos - 2); // 15 digits
    const int exponent = sci.mid(ePos + 1).toInt();
    const qsizetype keep = qsizetype(exponent) + 1 + decimals; // digits left of the rounding point
    if (keep < 0)
        return {};
    if (keep >= digits.size())
        return digits + QString(keep - digits.size(), u'0');
    QString kept = digits.left(keep);
    if (digits[keep] >= u'5')
        IncrementDigits(kept);
    while (kept.startsWith(u'0'))
        kept.remove(0, 1);
    return kept;
}

} // namespace

QString FormatNumber(double value, QStringView pattern)
{
    if (pattern.isEmpty()) // no pattern: the number's general form
        return QString::number(value, 'g', 15);
    const qsizetype point = pattern.indexOf(u'.');
    const QStringView intPattern = point < 0 ? pattern : pattern.left(point);
    const QStringView fracPattern = point < 0 ? QStringView() : pattern.mid(point + 1);
    const int minInt = int(intPattern.count(u'0'));
    const int minFrac = int(fracPattern.count(u'0'));
    const int maxFrac = int(fracPattern.size());

    const QString scaled = ScaledDigits(std::fabs(value), maxFrac);
    QString intText = scaled.left(std::max<qsizetype>(0, scaled.size() - maxFrac));
    QString fracText = scaled.right(std::min<qsizetype>(scaled.size(), maxFrac));
    fracText = QString(maxFrac - fracText.size(), u'0') + fracText;
    while (fracText.size() > minFrac && fracText.endsWith(u'0'))
        fracText.chop(1);
    if (intText.size() < minInt)
        intText = QString(minInt - intText.size(), u'0') + intText;

    QString result = intText;
    if (point >= 0)
        result += u'.' + fracText;
    if (value < 0 && !scaled.isEmpty())
        result.prepend(u'-');
    return result;
}

namespace {

// The seven significant digits of |value| and the decimal exponent of the first, rounded half
// away from zero from the value's exact binary fraction. value is finite and not zero.
struct SevenDigits {
    char digits[7];
    int exponent;
};

SevenDigits SevenDigitsOf(float value)
{
    const double magnitude = std::fabs(double(value));
    // One correctly rounded text with an eighth digit, "d.dddddddde+XX"; the eighth digit
    // decides the rounding to seven.
    char sci[32];
    const auto end =
        std::to_chars(sci, sci + sizeof sci, magnitude, std::chars_format::scientific, 7).ptr;
    SevenDigits r;
    r.digits[0] = sci[0];
    std::memcpy(r.digits + 1, sci + 2, 6);
    const char *e = sci + 9; // 'e'
    std::from_chars(e + (e[1] == '+' ? 2 : 1), end, r.exponent);
    const char eighth = sci[8];
    bool up = eighth > '5';
    if (eighth == '5') {
        // The eighth digit may have been rounded up to 5 or down to 5, or be an exact tie (which
        // rounds away from zero): compare the value with the text ending in 5.
        double five = 0;
        std::from_chars(sci, end, five);
        up = magnitude >= five;
    }
    if (up) {
        int i = 6;
        while (i >= 0 && r.digits[i] == '9')
            r.digits[i--] = '0';
        if (i >= 0) {
            ++r.digits[i];
        } else {
            r.digits[0] = '1';
            ++r.exponent;
        }
    }
    return r;
}

} // namespace

char *PutSingleText(char *out, float value)
{
    if (value == 0.0f || !std::isfinite(value)) {
        *out++ = '0';
        return out;
    }
    if (value < 0)
        *out++ = '-';
    const SevenDigits seven = SevenDigitsOf(value);
    const char *digits = seven.digits;
    const int exponent = seven.exponent;
    int last = 6; // index of the last non-zero digit
    while (last > 0 && digits[last] == '0')
        --last;
    if (exponent >= -4 && exponent <= 6) {
        if (exponent >= 0) {
            for (int i = 0; i <= exponent; ++i)
                *out++ = digits[i];
            if (last > exponent) {
                *out++ = '.';
                for (int i = exponent + 1; i <= last; ++i)
                    *out++ = digits[i];
            }
        } else {
            *out++ = '0';
            *out++ = '.';
            for (int i = 0; i < -exponent - 1; ++i)
                *out++ = '0';
            for (int i = 0; i <= last; ++i)
                *out++ = digits[i];
        }
    } else {
        *out++ = digits[0];
        if (last > 0) {
            *out++ = '.';
            for (int i = 1; i <= last; ++i)
                *out++ = digits[i];
        }
        *out++ = 'E';
        *out++ = exponent < 0 ? '-' : '+';
        const int magnitude = std::abs(exponent);
        *out++ = char('0' + magnitude / 10);
        *out++ = char('0' + magnitude % 10);
    }
    return out;
}

QString SingleText(float value)
{
    char text[SingleTextMax];
    return QString::fromLatin1(text, PutSingleText(text, value) - text);
}

QString FormatSingle(float value, QStringView pattern)
{
    if (pattern.isEmpty())
        return SingleText(value);
    // The value as the seven significant digits a single carries, so 1.234f formats as 1.234
    // and never as 1.233999...
    char text[SingleTextMax];
    double seven = 0;
    ScanNumber(text, PutSingleText(text, value), seven);
    return FormatNumber(seven, pattern);
}

namespace {

inline bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

template <typename T> bool Scan(const char *b, const char *e, T &value)
{
    // The converter reads exactly the number syntax (digits, one optional period, an optional
    // exponent with digits, a minus sign) except for a plus sign, which is taken off here, and
    // the words inf and nan, which are not finite.
    if (b < e && *b == '+') {
        ++b;
        if (b == e || *b == '-' || *b == '+')
            return false;
    }
    if (b == e || !(IsDigit(*b) || *b == '.' || *b == '-'))
        return false;
    T v = 0;
    const auto r = std::from_chars(b, e, v, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != e || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

} // namespace

bool ScanNumber(const char *begin, const char *end, double &value)
{
    return Scan(begin, end, value);
}

bool ScanNumberGeneral(const char *begin, const char *end, float &value)
{
    return Scan(begin, end, value);
}

std::optional<double> ParseNumber(QStringView text)
{
    const QStringView t = text.trimmed();
    // A number is ASCII; a short one is converted on the stack.
    char small[64];
    QByteArray large;
    char *bytes = small;
    if (t.size() > qsizetype(sizeof small)) {
        large.resize(t.size());
        bytes = large.data();
    }
    for (qsizetype i = 0; i < t.size(); ++i) {
        const char16_t c = t[i].unicode();
        if (c >= 0x80)
            return std::nullopt;
        bytes[i] = char(c);
    }
    double value = 0;
    if (!ScanNumber(bytes, bytes + t.size(), value))
        return std::nullopt;
    return value;
}

QString DigitsPattern(int decimals)
{
    switch (decimals) {
    case 0:
        return QStringLiteral("0000");
    case 1:
        return QStringLiteral("000.0");
    case 2:
        return QStringLiteral("00.00");
    case 3:
        return QStringLiteral("0.000");
    default:
        return {};
    }
}

bool IsOverRangeValue(float value)
{
    return std::fabs(value) == OverRangeValue;
}

QString PlainValueText(float value, int decimals)
{
    QString text = QString::number(double(value), 'f', std::clamp(decimals, 0, 7));
    if (text.startsWith(u'-') && text.count(u'0') == text.size() - 1 - text.count(u'.'))
        text.remove(0, 1);
    return text;
}

} // namespace kst
