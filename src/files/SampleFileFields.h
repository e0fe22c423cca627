#pragma once

#include "common/Numbers.h"

#include <QByteArrayView>
#include <QDate>
#include <QString>
#include <QTime>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>

// The conversions of a sample file's fields, one for each field and each direction, shared by
// the reader's fast path (a record in the usual form), its general field reader and the writer.
// A reader converts the field [b, e) without its separators; a writer puts the field's text at
// out and returns its end.
namespace kst::masfield {

inline bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// ---- numbers (value, average, Rel reference) ----

Q_ALWAYS_INLINE bool ParseNumber(const char *b, const char *e, float &value)
{
    return ScanNumber(b, e, value);
}

// The quick form for a reader that has not found the field's end: a short decimal read up to the
// first byte that cannot continue it, where ParseNumber of the field up to there gives the same
// value. nullptr when the text is not of that form.
Q_ALWAYS_INLINE const char *ParseShortNumber(const char *b, const char *limit, float &value)
{
    return ScanShortDecimal(b, limit, value);
}

// The longest number text a writer puts.
inline constexpr int NumberMax = SingleTextMax;

// n / 10^decimals as plain text with a leading zero below 1: 1234, 3 -> "1.234"; 5, 3 -> "0.005".
inline char *PutShortDecimal(char *out, qint32 n, int decimals)
{
    if (n < 0) {
        *out++ = '-';
        n = -n;
    }
    char digits[12];
    char *const end = std::to_chars(digits, digits + sizeof digits, n).ptr;
    const int count = int(end - digits);
    if (count <= decimals) {
        *out++ = '0';
        *out++ = '.';
        for (int i = count; i < decimals; ++i)
            *out++ = '0';
        std::memcpy(out, digits, size_t(count));
        return out + count;
    }
    std::memcpy(out, digits, size_t(count - decimals));
    out += count - decimals;
    if (decimals > 0) {
        *out++ = '.';
        std::memcpy(out, end - decimals, size_t(decimals));
        out += decimals;
    }
    return out;
}

// The text SingleText gives. A value that is a short decimal (a whole number of at most 7 digits
// over 1, 10, 100 or 1000 that the reader's short-decimal scan turns back into the same single)
// is written from that whole number: its digits are the value's 7 significant digits, since a
// single's spacing is finer than the seventh digit. Anything else takes the general formatter.
Q_ALWAYS_INLINE char *PutNumber(char *out, float value)
{
    constexpr float Tens[] = {1e0f, 1e1f, 1e2f, 1e3f};
    const double thousandths = double(value) * 1000.0;
    if (std::fabs(thousandths) < 1e15) {
        qint64 n = qint64(std::nearbyint(thousandths));
        int decimals = 3;
        while (decimals > 0 && n % 10 == 0) {
            n /= 10;
            --decimals;
        }
        if (n > -10000000 && n < 10000000 && float(n) / Tens[decimals] == value)
            return PutShortDecimal(out, qint32(n), decimals);
    }
    return PutSingleText(out, value);
}

// ---- date: "#yyyy-mm-dd#" ----

// "#x<sep>y<sep>z#": x of 1 to xDigits digits, y and z of 1 or 2.
bool ParseTriple(const char *b, const char *e, int xDigits, char sep, int &x, int &y, int &z);

// The Julian day of a date literal; months and days may have one digit.
Q_ALWAYS_INLINE bool ParseDate(const char *b, const char *e, qint32 &day)
{
    int y = 0, m = 0, d = 0;
    if (!ParseTriple(b, e, 4, '-', y, m, d))
        return false;
    const QDate date(y, m, d);
    day = qint32(date.toJulianDay());
    return date.isValid();
}

// The date of the last record, which the next records almost always repeat: its text is
// compared rather than converted again.
class DateCache {
public:
    Q_ALWAYS_INLINE bool Parse(const char *b, const char *e, qint32 &day)
    {
        if (size_ == e - b && std::memcmp(bytes_, b, size_t(e - b)) == 0) {
            day = day_;
            return true;
        }
        if (!ParseDate(b, e, day))
            return false;
        if (e - b <= qsizetype(sizeof bytes_)) {
            day_ = day;
            size_ = e - b;
            std::memcpy(bytes_, b, size_t(e - b));
        }
        return true;
    }

private:
    qint32 day_ = 0;
    char bytes_[16];
    qsizetype size_ = -1; // nothing kept yet: matches no field, not even an empty one
};

// The date literal; a year outside 0..9999 is written as its plain number.
char *PutDate(char *out, const QDate &date);

// ---- time of day: "#hh:mm:ss#" ----

Q_ALWAYS_INLINE bool ParseTime(const char *b, const char *e, qint32 &msecs)
{
    int h = 0, m = 0, s = 0;
    const auto two = [](const char *p) {
        return IsDigit(p[0]) && IsDigit(p[1]) ? (p[0] - '0') * 10 + (p[1] - '0') : 99;
    };
    if (e - b == 10 && b[0] == '#' && b[3] == ':' && b[6] == ':' && b[9] == '#') { // as written
        h = two(b + 1);
        m = two(b + 4);
        s = two(b + 7);
    } else if (!ParseTriple(b, e, 2, ':', h, m, s)) {
        return false;
    }
    if (h > 23 || m > 59 || s > 59)
        return false;
    msecs = ((h * 60 + m) * 60 + s) * 1000;
    return true;
}

inline char *PutTwoDigits(char *out, int n)
{
    *out++ = char('0' + n / 10);
    *out++ = char('0' + n % 10);
    return out;
}

// Whole seconds: the milliseconds of a recording are dropped.
inline char *PutTime(char *out, const QTime &time)
{
    const int seconds = time.isValid() ? time.msecsSinceStartOfDay() / 1000 : 0;
    *out++ = '#';
    out = PutTwoDigits(out, seconds / 3600);
    *out++ = ':';
    out = PutTwoDigits(out, seconds / 60 % 60);
    *out++ = ':';
    out = PutTwoDigits(out, seconds % 60);
    *out++ = '#';
    return out;
}

// ---- unit: "text" between double quotes ----

// A unit longer than this is damage (a meter's units have a handful of letters); the limit keeps
// every record the reader accepts short enough to be written and read back.
inline constexpr qsizetype MaxUnitChars = 64;

bool IsValidUtf8(const char *data, qsizetype size);

// The unit text of the bytes between the quotes, read as UTF-8 when its line is, else as
// Windows-1252; the micro sign becomes the Greek mu the program uses. Empty optional when the
// unit cannot be a unit (too long, or holding a quote, which the file cannot write back).
std::optional<QString> ParseUnit(const char *b, const char *e, bool ascii, bool utf8);

// The unit's bytes as written, its UTF-8 between quotes.
inline char *PutUnit(char *out, QByteArrayView utf8)
{
    *out++ = '"';
    if (!utf8.isEmpty()) // an empty unit may have no bytes at all
        std::memcpy(out, utf8.data(), size_t(utf8.size()));
    out += utf8.size();
    *out++ = '"';
    return out;
}

// ---- decimals: a whole number, 0 to 3 as written ----

Q_ALWAYS_INLINE bool ParseDecimals(const char *b, const char *e, qint16 &value)
{
    if (e - b == 1 && IsDigit(*b)) { // as written
        value = qint16(*b - '0');
        return true;
    }
    float number = 0;
    if (!ScanNumber(b, e, number))
        return false;
    const qint64 whole = RoundHalfEven(double(number));
    if (whole < -32768 || whole > 32767)
        return false;
    value = qint16(whole);
    return true;
}

inline char *PutDecimals(char *out, qint16 decimals)
{
    return std::to_chars(out, out + 8, decimals).ptr;
}

// ---- flags: #TRUE# or #FALSE# ----

// Sets or clears bit in flags; the words in any case.
Q_ALWAYS_INLINE bool ParseFlag(const char *b, const char *e, quint8 bit, quint8 &flags)
{
    const auto size = e - b;
    if (size == 7 && (std::memcmp(b, "#FALSE#", 7) == 0 || qstrnicmp(b, "#FALSE#", 7) == 0)) {
        flags &= quint8(~bit);
        return true;
    }
    if (size == 6 && (std::memcmp(b, "#TRUE#", 6) == 0 || qstrnicmp(b, "#TRUE#", 6) == 0)) {
        flags |= bit;
        return true;
    }
    return false;
}

inline char *PutFlag(char *out, bool on)
{
    if (on) {
        std::memcpy(out, "#TRUE#", 6);
        return out + 6;
    }
    std::memcpy(out, "#FALSE#", 7);
    return out + 7;
}

} // namespace kst::masfield
