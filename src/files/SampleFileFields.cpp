#include "files/SampleFileFields.h"

namespace kst::masfield {

namespace {

// Windows-1252 at 0x80..0x9F; the five unassigned bytes keep their C1 code points.
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr char16_t MicroSign = 0x00B5;
constexpr char16_t GreekMu = 0x03BC;

QString DecodeCp1252(const char *data, qsizetype size)
{
    QString text(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i) {
        const auto byte = uchar(data[i]);
        text[i] = QChar(byte >= 0x80 && byte <= 0x9F ? Cp1252High[byte - 0x80] : char16_t(byte));
    }
    return text;
}

// Reads 1 to maxDigits digits.
bool TakeNumber(const char *&p, const char *e, int maxDigits, int &value)
{
    value = 0;
    int count = 0;
    while (p < e && IsDigit(*p) && count < maxDigits) {
        value = value * 10 + (*p++ - '0');
        ++count;
    }
    return count > 0;
}

} // namespace

bool ParseTriple(const char *b, const char *e, int xDigits, char sep, int &x, int &y, int &z)
{
    if (e - b < 7 || *b != '#' || e[-1] != '#')
        return false;
    const char *p = b + 1;
    const char *const end = e - 1;
    return TakeNumber(p, end, xDigits, x) && p != end && *p++ == sep && TakeNumber(p, end, 2, y) &&
           p != end && *p++ == sep && TakeNumber(p, end, 2, z) && p == end;
}

char *PutDate(char *out, const QDate &date)
{
    int y = 0, m = 0, d = 0;
    date.getDate(&y, &m, &d);
    *out++ = '#';
    if (y >= 0 && y <= 9999) {
        out = PutTwoDigits(out, y / 100);
        out = PutTwoDigits(out, y % 100);
    } else {
        out = std::to_chars(out, out + 12, y).ptr;
    }
    *out++ = '-';
    out = PutTwoDigits(out, m);
    *out++ = '-';
    out = PutTwoDigits(out, d);
    *out++ = '#';
    return out;
}

bool IsValidUtf8(const char *data, qsizetype size)
{
    const auto *p = reinterpret_cast<const uchar *>(data);
    const uchar *const end = p + size;
    while (p < end) {
        if (end - p >= 8) { // ASCII eight bytes at a time
            quint64 word;
            std::memcpy(&word, p, 8);
            if ((word & 0x8080808080808080ull) == 0) {
                p += 8;
                continue;
            }
        }
        const uchar c = *p++;
        if (c < 0x80)
            continue;
        int more = 0;
        char32_t code = 0;
        char32_t minimum = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
            code = c & 0x1F;
            minimum = 0x80;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            code = c & 0x0F;
            minimum = 0x800;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            code = c & 0x07;
            minimum = 0x10000;
        } else {
            return false;
        }
        if (end - p < more)
            return false;
        for (int k = 0; k < more; ++k) {
            if ((p[k] & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (p[k] & 0x3F);
        }
        p += more;
        if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
    }
    return true;
}

std::optional<QString> ParseUnit(const char *b, const char *e, bool ascii, bool utf8)
{
    if (std::memchr(b, '"', size_t(e - b)))
        return std::nullopt;
    QString text = ascii  ? QString::fromLatin1(b, e - b)
                   : utf8 ? QString::fromUtf8(b, e - b)
                          : DecodeCp1252(b, e - b);
    text.replace(QChar(MicroSign), QChar(GreekMu));
    if (text.size() > MaxUnitChars)
        return std::nullopt;
    return text;
}

} // namespace kst::masfield
