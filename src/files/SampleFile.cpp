#include "files/SampleFile.h"

#include "common/DateTimeText.h"
#include "common/Numbers.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <charconv>
#include <cmath>
#include <cstring>

namespace kst {

namespace {

// ---------------------------------------------------------------------------------------------
// Writing

// Writes the text SingleText gives for a value straight into a byte buffer: at most 7
// significant digits, no trailing zeros, a leading zero below 1, plain digits for magnitudes from
// 0.0001 to below 10,000,000 and "d.ddE+XX" outside. Returns the end of the text.
char *PutSingle(char *out, float value)
{
    if (value == 0.0f || !std::isfinite(value)) {
        *out++ = '0';
        return out;
    }
    if (value < 0)
        *out++ = '-';
    // "d.dddddde+XX": seven significant digits, correctly rounded from the widened value.
    char sci[32];
    const auto conv = std::to_chars(sci, sci + sizeof sci, std::fabs(double(value)),
                                    std::chars_format::scientific, 6);
    char digits[7];
    digits[0] = sci[0];
    std::memcpy(digits + 1, sci + 2, 6);
    const char *e = sci + 8; // 'e'
    int exponent = 0;
    std::from_chars(e + (e[1] == '+' ? 2 : 1), conv.ptr, exponent);
    // to_chars breaks an exact tie towards the even digit; the program's number text rounds it
    // away from zero. A tie needs an eighth digit 5 that is the value's exact end.
    char sci8[32];
    const auto conv8 = std::to_chars(sci8, sci8 + sizeof sci8, std::fabs(double(value)),
                                     std::chars_format::scientific, 7);
    if (sci8[8] == '5') {
        double exact = 0;
        std::from_chars(sci8, conv8.ptr, exact);
        if (exact == std::fabs(double(value))) {
            digits[0] = sci8[0];
            std::memcpy(digits + 1, sci8 + 2, 6);
            std::from_chars(sci8 + 9 + (sci8[10] == '+' ? 2 : 1), conv8.ptr, exponent);
            int i = 6;
            while (i >= 0 && digits[i] == '9')
                digits[i--] = '0';
            if (i >= 0) {
                ++digits[i];
            } else {
                digits[0] = '1';
                ++exponent;
            }
        }
    }
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
        if (magnitude < 10)
            *out++ = '0';
        out = std::to_chars(out, out + 4, magnitude).ptr;
    }
    return out;
}

inline char *PutTwoDigits(char *out, int n)
{
    *out++ = char('0' + n / 10);
    *out++ = char('0' + n % 10);
    return out;
}

inline char *PutText(char *out, const char *text, size_t size)
{
    std::memcpy(out, text, size);
    return out + size;
}

// The date literal "#yyyy-mm-dd#"; a year outside 0..9999 is written as its plain number.
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

char *PutTime(char *out, const QTime &time)
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

// UTF-8 bytes of the few unit texts of a log, converted once each.
class UnitBytes {
public:
    const QByteArray &Of(const QString &unit)
    {
        for (const auto &[text, bytes] : cache_)
            if (text == unit)
                return bytes;
        if (cache_.size() >= 64)
            cache_.erase(cache_.begin());
        cache_.emplace_back(unit, unit.toUtf8());
        return cache_.back().second;
    }

private:
    std::vector<std::pair<QString, QByteArray>> cache_;
};

} // namespace

SampleFileWriteResult WriteSampleFile(QIODevice &device, const SampleLog &log, qint32 count,
                                      qint32 first)
{
    SampleFileWriteResult result;
    const qint32 n = std::clamp<qint32>(count, 0, qint32(log.SampleValue.size()));
    first = std::clamp<qint32>(first, 0, n);
    // Large blocks for a whole log; a few records (the journal's one per frame) need little.
    constexpr qsizetype BlockSize = 256 * 1024;
    QByteArray block(std::min<qsizetype>(BlockSize, qsizetype(n - first) * 192 + 64),
                     Qt::Uninitialized);
    char *begin = block.data();
    char *out = begin;
    UnitBytes units;
    qint32 inBlock = 0; // records in the block not yet handed to the device

    auto flush = [&]() {
        const qint64 size = out - begin;
        if (size > 0 && device.write(begin, size) != size) {
            result.ok = false;
            result.error = device.errorString();
            return false;
        }
        result.recordsWritten += inBlock;
        inBlock = 0;
        out = begin;
        return true;
    };

    for (qint32 i = first; i < n; ++i) {
        const QByteArray &unit = units.Of(log.SampleUnit[size_t(i)]);
        // A record is at most about 130 bytes plus its unit text.
        const qsizetype needed = 160 + unit.size();
        if ((out - begin) + needed > block.size()) {
            if (!flush())
                return result;
            if (needed > block.size()) { // only for an absurdly long unit text
                block.resize(needed);
                begin = out = block.data();
            }
        }
        const size_t k = size_t(i);
        out = PutSingle(out, log.SampleValue[k]);
        *out++ = ',';
        out = PutDate(out, log.SampleDate[k]);
        *out++ = ',';
        out = PutTime(out, log.SampleTime[k]);
        *out++ = ',';
        *out++ = '"';
        out = PutText(out, unit.constData(), size_t(unit.size()));
        *out++ = '"';
        *out++ = ',';
        out = std::to_chars(out, out + 8, log.SampleDecimals[k]).ptr;
        out = log.SampleIsMax[k] ? PutText(out, ",#TRUE#,", 8) : PutText(out, ",#FALSE#,", 9);
        out = log.SampleIsMin[k] ? PutText(out, "#TRUE#,", 7) : PutText(out, "#FALSE#,", 8);
        out = PutSingle(out, log.SampleAvg[k]);
        *out++ = ',';
        out = PutSingle(out, log.SampleRelRef[k]);
        *out++ = '\r';
        *out++ = '\n';
        ++inBlock;
    }
    flush();
    return result;
}

SampleFileSaveResult SaveSampleFile(const QString &path, const SampleLog &log, qint32 count)
{
    SampleFileSaveResult result;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        result.error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return result;
    }
    const SampleFileWriteResult written = WriteSampleFile(file, log, count);
    if (!written.ok) {
        file.cancelWriting();
        result.error = QStringLiteral("%1: %2").arg(path, written.error);
        return result;
    }
    if (!file.commit()) {
        result.error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return result;
    }
    result.ok = true;
    return result;
}

// ---------------------------------------------------------------------------------------------
// Reading

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

bool IsValidUtf8(const char *data, qsizetype size)
{
    const auto *p = reinterpret_cast<const uchar *>(data);
    const uchar *const end = p + size;
    while (p < end) {
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

inline bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}
inline bool IsLineEnd(char c)
{
    return c == '\r' || c == '\n';
}
inline bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A number: optional sign, digits with an optional period (at least one digit), optional
// exponent. The whole text must be the number.
bool ParseFloatField(const char *b, const char *e, float &value)
{
    const char *p = b;
    if (p < e && (*p == '+' || *p == '-'))
        ++p;
    int digits = 0;
    while (p < e && IsDigit(*p)) {
        ++p;
        ++digits;
    }
    if (p < e && *p == '.') {
        ++p;
        while (p < e && IsDigit(*p)) {
            ++p;
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (p < e && (*p == 'e' || *p == 'E')) {
        ++p;
        if (p < e && (*p == '+' || *p == '-'))
            ++p;
        if (p == e || !IsDigit(*p))
            return false;
        while (p < e && IsDigit(*p))
            ++p;
    }
    if (p != e)
        return false;
    if (*b == '+')
        ++b;
    const auto r = std::from_chars(b, e, value);
    return r.ec == std::errc() && r.ptr == e && std::isfinite(value);
}

bool ParseIntField(const char *b, const char *e, qint16 &value)
{
    float number = 0;
    if (!ParseFloatField(b, e, number))
        return false;
    const qint64 whole = RoundHalfEven(double(number));
    if (whole < -32768 || whole > 32767)
        return false;
    value = qint16(whole);
    return true;
}

// Reads 1 to maxDigits digits and then expects the separator (or the end mark).
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

bool ParseDateField(const char *b, const char *e, QDate &date)
{
    if (e - b < 7 || *b != '#' || e[-1] != '#')
        return false;
    const char *p = b + 1;
    const char *const end = e - 1;
    int y = 0, m = 0, d = 0;
    if (!TakeNumber(p, end, 4, y) || p == end || *p++ != '-' || !TakeNumber(p, end, 2, m) ||
        p == end || *p++ != '-' || !TakeNumber(p, end, 2, d) || p != end)
        return false;
    date = QDate(y, m, d);
    return date.isValid();
}

bool ParseTimeField(const char *b, const char *e, QTime &time)
{
    if (e - b < 7 || *b != '#' || e[-1] != '#')
        return false;
    const char *p = b + 1;
    const char *const end = e - 1;
    int h = 0, m = 0, s = 0;
    if (!TakeNumber(p, end, 2, h) || p == end || *p++ != ':' || !TakeNumber(p, end, 2, m) ||
        p == end || *p++ != ':' || !TakeNumber(p, end, 2, s) || p != end)
        return false;
    if (!QTime::isValid(h, m, s))
        return false;
    time = QTime(h, m, s);
    return true;
}

bool ParseFlagField(const char *b, const char *e, qint16 &flag)
{
    const auto size = e - b;
    if (size == 6 && qstrnicmp(b, "#TRUE#", 6) == 0) {
        flag = -1;
        return true;
    }
    if (size == 7 && qstrnicmp(b, "#FALSE#", 7) == 0) {
        flag = 0;
        return true;
    }
    return false;
}

struct Record {
    float value = 0;
    QDate date;
    QTime time;
    QString unit;
    qint16 decimals = 0;
    qint16 isMax = 0;
    qint16 isMin = 0;
    float avg = 0;
    float relRef = 0;
};

constexpr const char *FieldNames[9] = {"value",        "date",     "time of day",
                                       "unit",         "decimals", "maximum flag",
                                       "minimum flag", "average",  "Rel reference"};

class Reader {
public:
    Reader(QIODevice &device, SampleLog &log) : device_(device), log_(log) {}

    SampleFileReadResult Run(const SampleFileProgress &progress);

private:
    enum class Outcome { Ok, End, NeedMore, TooFew, Bad };

    // Position of the parser in buf_; committed after each whole record.
    struct Cursor {
        qsizetype pos = 0;
        qsizetype lineStart = 0;
        qint64 line = 1;
        bool afterLineEnd = true; // the last separator was a line end (or start of file)
    };

    Outcome ParseRecord(Cursor &c, Record &record, int &badField, qint64 &badLine);
    void ReserveForRest(qint64 total);
    bool Fill();
    QString UnitText(const char *b, const char *e, const Cursor &c, bool &needMore);

    QIODevice &device_;
    SampleLog &log_;
    QByteArray buf_;
    qsizetype size_ = 0; // bytes of buf_ in use
    qint64 dropped_ = 0; // bytes of the device already discarded from the front of buf_
    bool eof_ = false;
    bool readError_ = false;
    Cursor cur_;
    QDate lastDate_;
    QByteArray lastDateBytes_;
    // Unit texts by their bytes and by whether their line was UTF-8.
    std::vector<std::pair<QByteArray, QString>> units_[2];
};

bool Reader::Fill()
{
    constexpr qsizetype Chunk = 1 << 20;
    // Drop what lies before the current line; the current record and line stay.
    const qsizetype keep = std::min(cur_.pos, cur_.lineStart);
    if (keep > 0) {
        std::memmove(buf_.data(), buf_.constData() + keep, size_t(size_ - keep));
        size_ -= keep;
        dropped_ += keep;
        cur_.pos -= keep;
        cur_.lineStart -= keep;
    }
    if (buf_.size() < size_ + Chunk)
        buf_.resize(size_ + Chunk);
    const qint64 got = device_.read(buf_.data() + size_, Chunk);
    if (got < 0) {
        readError_ = true;
        eof_ = true;
        return false;
    }
    if (got == 0) {
        eof_ = true;
        return false;
    }
    size_ += got;
    return true;
}

QString Reader::UnitText(const char *b, const char *e, const Cursor &c, bool &needMore)
{
    bool ascii = true;
    for (const char *p = b; p < e; ++p)
        if (uchar(*p) >= 0x80) {
            ascii = false;
            break;
        }
    bool utf8 = true;
    if (!ascii) {
        // The encoding is decided per line: find the whole line.
        const char *const data = buf_.constData();
        const char *lineBegin = data + c.lineStart;
        const char *lineEnd = e;
        const char *const end = data + size_;
        while (lineEnd < end && !IsLineEnd(*lineEnd))
            ++lineEnd;
        if (lineEnd == end && !eof_) {
            needMore = true;
            return {};
        }
        utf8 = IsValidUtf8(lineBegin, lineEnd - lineBegin);
    }
    auto &cache = units_[utf8 ? 1 : 0];
    const QByteArrayView bytes(b, e - b);
    for (const auto &[key, text] : cache)
        if (key == bytes)
            return text;
    QString text = ascii  ? QString::fromLatin1(b, e - b)
                   : utf8 ? QString::fromUtf8(b, e - b)
                          : DecodeCp1252(b, e - b);
    text.replace(QChar(MicroSign), QChar(GreekMu));
    text = log_.InternUnit(text);
    if (cache.size() < 64)
        cache.emplace_back(bytes.toByteArray(), text);
    return text;
}

Reader::Outcome Reader::ParseRecord(Cursor &c, Record &record, int &badField, qint64 &badLine)
{
    const char *const data = buf_.constData();
    const char *const end = data + size_;
    qint64 recordLine = c.line;
    for (int field = 0; field < 9; ++field) {
        // Blanks before the field; after a line end, blank lines too.
        const char *p = data + c.pos;
        for (;;) {
            while (p < end && IsBlank(*p))
                ++p;
            if (c.afterLineEnd && p < end && IsLineEnd(*p)) {
                if (*p == '\r' && p + 1 == end && !eof_)
                    return Outcome::NeedMore;
                p += (*p == '\r' && p + 1 < end && p[1] == '\n') ? 2 : 1;
                ++c.line;
                c.lineStart = p - data;
                continue;
            }
            break;
        }
        c.pos = p - data;
        if (field == 0)
            recordLine = c.line;
        badLine = c.line;
        if (p == end) {
            if (!eof_)
                return Outcome::NeedMore;
            if (field == 0)
                return Outcome::End;
            badField = field;
            badLine = recordLine; // the record that was cut short
            return Outcome::TooFew;
        }
        const char *b = p;
        const char *e = p;
        if (*p == '"') {
            ++b;
            e = b;
            while (e < end && *e != '"' && !IsLineEnd(*e))
                ++e;
            if (e == end && !eof_)
                return Outcome::NeedMore;
            if (e == end || *e != '"') {
                badField = field;
                return Outcome::Bad;
            }
            p = e + 1;
            while (p < end && IsBlank(*p))
                ++p;
            if (p == end && !eof_)
                return Outcome::NeedMore;
            if (p < end && *p != ',' && !IsLineEnd(*p)) {
                badField = field;
                return Outcome::Bad;
            }
        } else {
            while (e < end && *e != ',' && !IsLineEnd(*e))
                ++e;
            if (e == end && !eof_)
                return Outcome::NeedMore;
            p = e;
            while (e > b && IsBlank(e[-1]))
                --e;
        }
        // Convert the field [b, e).
        bool ok = true;
        switch (field) {
        case 0:
            ok = ParseFloatField(b, e, record.value);
            break;
        case 1:
            if (!lastDateBytes_.isEmpty() && lastDateBytes_ == QByteArrayView(b, e - b)) {
                record.date = lastDate_;
            } else {
                ok = ParseDateField(b, e, record.date);
                if (ok) {
                    lastDate_ = record.date;
                    lastDateBytes_ = QByteArray(b, e - b);
                }
            }
            break;
        case 2:
            ok = ParseTimeField(b, e, record.time);
            break;
        case 3: {
            // A quote inside a unit cannot be written back (the file has no escape for it), so
            // such a unit is not valid rather than loading and then failing at the next load.
            if (std::memchr(b, '"', size_t(e - b))) {
                ok = false;
                break;
            }
            bool needMore = false;
            record.unit = UnitText(b, e, c, needMore);
            if (needMore)
                return Outcome::NeedMore;
            break;
        }
        case 4:
            ok = ParseIntField(b, e, record.decimals);
            break;
        case 5:
            ok = ParseFlagField(b, e, record.isMax);
            break;
        case 6:
            ok = ParseFlagField(b, e, record.isMin);
            break;
        case 7:
            ok = ParseFloatField(b, e, record.avg);
            break;
        case 8:
            ok = ParseFloatField(b, e, record.relRef);
            break;
        }
        if (!ok) {
            badField = field;
            return Outcome::Bad;
        }
        // The separator after the field: a comma, a line end or the end of the file.
        if (p < end) {
            if (*p == ',') {
                ++p;
                c.afterLineEnd = false;
            } else {
                if (*p == '\r' && p + 1 == end && !eof_)
                    return Outcome::NeedMore;
                p += (*p == '\r' && p + 1 < end && p[1] == '\n') ? 2 : 1;
                ++c.line;
                c.lineStart = p - data;
                c.afterLineEnd = true;
            }
        } else {
            c.afterLineEnd = true;
        }
        c.pos = p - data;
    }
    return Outcome::Ok;
}

// Once the size of a record is known, makes room in the arrays for the records the rest of the
// file will hold, so a long file is not copied by repeated doubling and does not end up with up
// to twice the memory it needs. The arrays' sizes (and so the capacity rule) are not touched.
void Reader::ReserveForRest(qint64 total)
{
    const qint64 done = dropped_ + cur_.pos;
    if (done <= 0)
        return;
    const double perRecord = double(done) / double(log_.SampleCount);
    const double rest = double(total - done) / perRecord;
    const double estimate =
        std::min(double(log_.SampleCount) + rest * 1.02 + 16.0, double(total) / 16.0 + 1024.0);
    if (estimate > 2e9)
        return;
    const size_t n = size_t(estimate);
    log_.SampleValue.reserve(n);
    log_.SampleDate.reserve(n);
    log_.SampleTime.reserve(n);
    log_.SampleUnit.reserve(n);
    log_.SampleDecimals.reserve(n);
    log_.SampleIsMax.reserve(n);
    log_.SampleIsMin.reserve(n);
    log_.SampleAvg.reserve(n);
    log_.SampleRelRef.reserve(n);
}

SampleFileReadResult Reader::Run(const SampleFileProgress &progress)
{
    SampleFileReadResult result;
    const qint64 total = device_.isSequential() ? 0 : device_.size() - device_.pos();
    QElapsedTimer clock;
    clock.start();
    qint64 lastReport = 0;
    Record record;
    Fill();
    for (qint32 sinceCheck = 0;; ++sinceCheck) {
        if (sinceCheck >= 1024) {
            sinceCheck = 0;
            if (progress && clock.elapsed() - lastReport >= 30) {
                progress(dropped_ + cur_.pos, total);
                lastReport = clock.elapsed();
            }
        }
        Cursor c = cur_;
        int badField = 0;
        qint64 badLine = 0;
        Outcome outcome = ParseRecord(c, record, badField, badLine);
        while (outcome == Outcome::NeedMore) {
            Fill();
            c = cur_;
            outcome = ParseRecord(c, record, badField, badLine);
        }
        if (outcome == Outcome::End)
            break;
        if (outcome != Outcome::Ok) {
            result.complete = false;
            result.stopLine = badLine;
            if (readError_)
                result.stopReason =
                    QStringLiteral("the file could not be read: %1").arg(device_.errorString());
            else if (outcome == Outcome::TooFew)
                result.stopReason = QStringLiteral("the record has too few fields");
            else
                result.stopReason = QStringLiteral("the %1 field is not valid")
                                        .arg(QLatin1String(FieldNames[badField]));
            break;
        }
        cur_ = c;
        const qint32 n = log_.SampleCount;
        log_.MakeRoomFor(n);
        const size_t k = size_t(n);
        log_.SampleValue[k] = record.value;
        log_.SampleDate[k] = record.date;
        log_.SampleTime[k] = record.time;
        log_.SampleUnit[k] = record.unit;
        log_.SampleDecimals[k] = record.decimals;
        log_.SampleIsMax[k] = record.isMax;
        log_.SampleIsMin[k] = record.isMin;
        log_.SampleAvg[k] = record.avg;
        log_.SampleRelRef[k] = record.relRef;
        if (record.isMax)
            result.lastMaxIndex = n;
        if (record.isMin)
            result.lastMinIndex = n;
        if (record.avg != NoValueMarker)
            result.lastAvgIndex = n;
        log_.SampleCount = n + 1;
        ++result.recordsLoaded;
        if (result.recordsLoaded == 1024 && total > 0)
            ReserveForRest(total);
    }
    if (result.complete && readError_) {
        result.complete = false;
        result.stopLine = cur_.line;
        result.stopReason =
            QStringLiteral("the file could not be read: %1").arg(device_.errorString());
    }
    return result;
}

} // namespace

SampleFileReadResult ReadSampleFile(QIODevice &device, SampleLog &log,
                                    const SampleFileProgress &progress)
{
    Reader reader(device, log);
    return reader.Run(progress);
}

SampleFileReadResult LoadSampleFile(const QString &path, SampleLog &log,
                                    const SampleFileProgress &progress)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        SampleFileReadResult result;
        result.complete = false;
        result.stopReason = QStringLiteral("the file cannot be opened: %1").arg(file.errorString());
        return result;
    }
    return ReadSampleFile(file, log, progress);
}

QString NextDefaultFileName(const QString &sampleFolder)
{
    for (qint64 n = 1;; ++n) {
        const QString name = QStringLiteral("default%1.mas").arg(n);
        if (!QFileInfo::exists(sampleFolder + u'/' + name))
            return name;
    }
}

ReadoutTexts LoadedReadoutTexts(float value, const QDate &date, const QTime &time)
{
    return {FormatSingle(value, u"###0.0##"), DateText(date) + u' ' + SystemTimeText(time)};
}

} // namespace kst
