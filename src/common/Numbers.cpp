#include "common/Numbers.h"

#include <QLocale>
#include <cfenv>
#include <cmath>
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

QString FormatSingle(float value, QStringView pattern)
{
    if (pattern.isEmpty())
        return SingleText(value);
    const double seven = QString::number(double(value), 'g', 7).toDouble();
    return FormatNumber(seven, pattern);
}

std::optional<double> ParseNumber(QStringView text)
{
    const QStringView t = text.trimmed();
    qsizetype i = 0;
    const qsizetype n = t.size();
    auto isDigit = [&](qsizetype k) { return k < n && t[k] >= u'0' && t[k] <= u'9'; };
    if (i < n && (t[i] == u'+' || t[i] == u'-'))
        ++i;
    int mantissaDigits = 0;
    while (isDigit(i)) {
        ++i;
        ++mantissaDigits;
    }
    if (i < n && t[i] == u'.') {
        ++i;
        while (isDigit(i)) {
            ++i;
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        return std::nullopt;
    if (i < n && (t[i] == u'e' || t[i] == u'E')) {
        ++i;
        if (i < n && (t[i] == u'+' || t[i] == u'-'))
            ++i;
        if (!isDigit(i))
            return std::nullopt;
        while (isDigit(i))
            ++i;
    }
    if (i != n)
        return std::nullopt;
    QString plain = t.toString();
    if (plain.startsWith(u'+'))
        plain.remove(0, 1);
    if (plain.startsWith(u'.') || plain.startsWith(u"-."))
        plain.insert(plain.indexOf(u'.'), u'0');
    bool ok = false;
    const double value = QLocale::c().toDouble(plain, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString SingleText(float value)
{
    if (value == 0.0f || !std::isfinite(value))
        return QStringLiteral("0");
    const QString sci = QString::number(std::fabs(double(value)), 'e', 6); // d.dddddde+XX
    const qsizetype ePos = sci.indexOf(u'e');
    const QString digits = sci.left(1) + sci.mid(2, ePos - 2); // 7 significant digits
    const int exponent = sci.mid(ePos + 1).toInt();
    QString result;
    if (exponent >= -4 && exponent <= 6) {
        QString intText, fracText;
        if (exponent >= 0) {
            intText = digits.left(exponent + 1);
            fracText = digits.mid(exponent + 1);
        } else {
            intText = QStringLiteral("0");
            fracText = QString(-exponent - 1, u'0') + digits;
        }
        while (fracText.endsWith(u'0'))
            fracText.chop(1);
        result = fracText.isEmpty() ? intText : intText + u'.' + fracText;
    } else {
        QString mantissa = digits.left(1);
        QString rest = digits.mid(1);
        while (rest.endsWith(u'0'))
            rest.chop(1);
        if (!rest.isEmpty())
            mantissa += u'.' + rest;
        result = mantissa + u'E' + (exponent < 0 ? u'-' : u'+') +
                 QStringLiteral("%1").arg(std::abs(exponent), 2, 10, QLatin1Char('0'));
    }
    if (value < 0)
        result.prepend(u'-');
    return result;
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

} // namespace kst
