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

// ---------------------------------------------------------------------------------------------
// Writing

namespace {

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

// The time literal "#hh:mm:ss#": whole seconds, the milliseconds of a recording are dropped.
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

// The text of a column that repeats one value for long runs (the no-value marker, a Rel
// reference): the last value's text is kept and copied.
class RepeatedNumber {
public:
    char *Put(char *out, float value)
    {
        if (!valid_ || std::memcmp(&value, &last_, sizeof value) != 0) {
            size_ = int(PutSingleText(text_, value) - text_);
            last_ = value;
            valid_ = true;
        }
        return PutText(out, text_, size_t(size_));
    }

private:
    float last_ = 0;
    bool valid_ = false;
    int size_ = 0;
    char text_[SingleTextMax];
};

} // namespace

SampleFileWriteResult WriteSampleFile(QIODevice &device, const SampleLog &log, qint32 count,
                                      qint32 first)
{
    SampleFileWriteResult result;
    const qint32 n = std::clamp<qint32>(count, 0, log.UpperIndex() + 1);
    first = std::clamp<qint32>(first, 0, n);
    // A record is at most about 100 bytes plus its unit text; a few records (the journal's one
    // per frame) get a small block.
    constexpr qsizetype BlockSize = 256 * 1024;
    QByteArray block(std::min<qsizetype>(BlockSize, qsizetype(n - first) * 128 + 256),
                     Qt::Uninitialized);
    char *begin = block.data();
    char *out = begin;
    qint32 inBlock = 0; // records in the block not yet handed to the device
    std::vector<QByteArray> units(log.UnitCount()); // UTF-8 of each unit text, made once
    std::vector<bool> unitDone(log.UnitCount());
    QDate lastDate;
    char dateText[24];
    qsizetype dateSize = 0;
    RepeatedNumber avgs, relRefs;

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
        const quint32 unitId = log.SampleUnitId(i);
        if (!unitDone[unitId]) {
            units[unitId] = log.UnitText(unitId).toUtf8();
            unitDone[unitId] = true;
        }
        const QByteArray &unit = units[unitId];
        const qsizetype needed = 160 + unit.size();
        if ((out - begin) + needed > block.size()) {
            if (!flush())
                return result;
            if (needed > block.size()) {
                block.resize(std::max(needed, std::min<qsizetype>(BlockSize, block.size() * 4)));
                begin = out = block.data();
            }
        }
        out = PutSingleText(out, log.SampleValue(i));
        *out++ = ',';
        const QDate date = log.SampleDate(i);
        if (date != lastDate || dateSize == 0) {
            dateSize = PutDate(dateText, date) - dateText;
            lastDate = date;
        }
        out = PutText(out, dateText, size_t(dateSize));
        *out++ = ',';
        out = PutTime(out, log.SampleTime(i));
        *out++ = ',';
        *out++ = '"';
        out = PutText(out, unit.constData(), size_t(unit.size()));
        *out++ = '"';
        *out++ = ',';
        out = std::to_chars(out, out + 8, log.SampleDecimals(i)).ptr;
        out = log.SampleIsMax(i) ? PutText(out, ",#TRUE#,", 8) : PutText(out, ",#FALSE#,", 9);
        out = log.SampleIsMin(i) ? PutText(out, "#TRUE#,", 7) : PutText(out, "#FALSE#,", 8);
        out = avgs.Put(out, log.SampleAvg(i));
        *out++ = ',';
        out = relRefs.Put(out, log.SampleRelRef(i));
        *out++ = '\r';
        *out++ = '\n';
        ++inBlock;
    }
    flush();
    return result;
}

SampleFileSaveResult SaveAtomically(const QString &path,
                                    const std::function<QString(QIODevice &)> &write)
{
    SampleFileSaveResult result;
    QSaveFile file(path);
    QString error;
    if (!file.open(QIODevice::WriteOnly))
        error = file.errorString();
    else if (error = write(file); !error.isEmpty())
        file.cancelWriting();
    else if (!file.commit())
        error = file.errorString();
    if (!error.isEmpty())
        result.error = QStringLiteral("%1: %2").arg(path, error);
    result.ok = error.isEmpty();
    return result;
}

SampleFileSaveResult SaveSampleFile(const QString &path, const SampleLog &log, qint32 count)
{
    return SaveAtomically(path, [&](QIODevice &device) {
        const SampleFileWriteResult written = WriteSampleFile(device, log, count);
        return written.ok ? QString() : written.error;
    });
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

// The first comma, CR or LF in [p, end), or end; eight bytes at a time where it can.
Q_ALWAYS_INLINE const char *FieldEnd(const char *p, const char *end)
{
    constexpr quint64 Ones = 0x0101010101010101ull;
    constexpr quint64 Highs = 0x8080808080808080ull;
    const auto zeroBytes = [](quint64 x) { return (x - Ones) & ~x & Highs; };
    while (end - p >= 8) {
        quint64 word;
        std::memcpy(&word, p, 8);
        const quint64 found = zeroBytes(word ^ (Ones * ',')) | zeroBytes(word ^ (Ones * '\r')) |
                              zeroBytes(word ^ (Ones * '\n'));
        if (found) {
            if constexpr (Q_BYTE_ORDER == Q_LITTLE_ENDIAN)
                return p + (qCountTrailingZeroBits(found) >> 3);
            break; // the byte-wise loop finds it
        }
        p += 8;
    }
    while (p < end && *p != ',' && !IsLineEnd(*p))
        ++p;
    return p;
}

// The longest record the program writes is about 100 bytes plus its unit; a line four times
// that long, blanks and long number spellings included, is damage and stops the load.
constexpr qsizetype MaxLineBytes = 1024;
// A unit text longer than this is damage too (a meter's units have a handful of letters); the
// limit keeps every record the reader accepts short enough to be written and read back.
constexpr qsizetype MaxUnitChars = 64;

Q_ALWAYS_INLINE bool ParseIntField(const char *b, const char *e, qint16 &value)
{
    if (e - b == 1 && IsDigit(*b)) { // the decimals as written
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

// "#x<sep>y<sep>z#": x of 1 to xDigits digits, y and z of 1 or 2.
bool ParseTriple(const char *b, const char *e, int xDigits, char sep, int &x, int &y, int &z)
{
    if (e - b < 7 || *b != '#' || e[-1] != '#')
        return false;
    const char *p = b + 1;
    const char *const end = e - 1;
    return TakeNumber(p, end, xDigits, x) && p != end && *p++ == sep && TakeNumber(p, end, 2, y) &&
           p != end && *p++ == sep && TakeNumber(p, end, 2, z) && p == end;
}

Q_ALWAYS_INLINE bool ParseDateField(const char *b, const char *e, qint32 &day)
{
    int y = 0, m = 0, d = 0;
    if (!ParseTriple(b, e, 4, '-', y, m, d))
        return false;
    const QDate date(y, m, d);
    day = qint32(date.toJulianDay());
    return date.isValid();
}

Q_ALWAYS_INLINE bool ParseTimeField(const char *b, const char *e, qint32 &msecs)
{
    const auto two = [](const char *p) {
        return IsDigit(p[0]) && IsDigit(p[1]) ? (p[0] - '0') * 10 + (p[1] - '0') : 99;
    };
    if (e - b == 10 && b[0] == '#' && b[3] == ':' && b[6] == ':' && b[9] == '#') { // as written
        const int h = two(b + 1), m = two(b + 4), s = two(b + 7);
        if (h > 23 || m > 59 || s > 59)
            return false;
        msecs = ((h * 60 + m) * 60 + s) * 1000;
        return true;
    }
    int h = 0, m = 0, s = 0;
    if (!ParseTriple(b, e, 2, ':', h, m, s))
        return false;
    if (h > 23 || m > 59 || s > 59)
        return false;
    msecs = ((h * 60 + m) * 60 + s) * 1000;
    return true;
}

// Sets or clears bit in flags.
Q_ALWAYS_INLINE bool ParseFlagField(const char *b, const char *e, quint8 bit, quint8 &flags)
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

constexpr const char *FieldNames[9] = {"value",        "date",     "time of day",
                                       "unit",         "decimals", "maximum flag",
                                       "minimum flag", "average",  "Rel reference"};

class Reader {
public:
    Reader(QIODevice &device, SampleLog &log) : device_(device), log_(log) {}

    SampleFileReadResult Run(const SampleFileProgress &progress);

private:
    enum class Outcome { Ok, End, NeedMore, TooFew, Bad, TooLong };

    Outcome ParseFields();
    bool FastRecord(SampleFileReadResult &result);
    bool Fill();
    // The unit text of [b, e); needMore when the line's end (which decides its encoding) is
    // not in the buffer yet.
    bool UnitText(const char *b, const char *e, bool &needMore);
    void Stop(SampleFileReadResult &result, Outcome outcome);
    void AppendRecord(const SampleLog::Packed &r, SampleFileReadResult &result)
    {
        const qint32 n = log_.SampleCount;
        SampleLog::Packed &slot = log_.AppendSlot();
        slot.value = r.value; // field by field: r was just written so
        slot.avg = r.avg;
        slot.relRef = r.relRef;
        slot.day = r.day;
        slot.msecs = r.msecs;
        slot.unit = r.unit;
        slot.decimals = r.decimals;
        slot.flags = r.flags;
        if (r.flags & SampleLog::IsMaxBit)
            result.lastMaxIndex = n;
        if (r.flags & SampleLog::IsMinBit)
            result.lastMinIndex = n;
        if (r.avg != NoValueMarker)
            result.lastAvgIndex = n;
        ++result.recordsLoaded;
    }

    QIODevice &device_;
    SampleLog &log_;
    QByteArray buf_;
    qsizetype size_ = 0;    // bytes of buf_ in use
    qint64 dropped_ = 0;    // bytes of the device already discarded from the front of buf_
    qint64 remaining_ = -1; // bytes the device still holds; -1 when unknown
    bool eof_ = false;
    bool readError_ = false;

    // The scanning position, kept across reads: the next field of the record being read starts
    // at (or after blanks at) pos_.
    qsizetype pos_ = 0;
    qsizetype lineStart_ = 0;
    qint64 line_ = 1;
    qint64 recordLine_ = 1;
    bool afterLineEnd_ = true; // the last separator was a line end (or start of file)
    int field_ = 0;
    int badField_ = 0;
    qint64 badLine_ = 0;
    SampleLog::Packed record_{};

    qint32 lastDay_ = 0;
    char lastDateBytes_[16];
    qsizetype lastDateSize_ = -1; // no date read yet: matches no field, not even an empty one
    // Unit ids by the unit's bytes and by whether their line was UTF-8; the last one first.
    std::vector<std::pair<QByteArray, quint32>> units_[2];
    // The last unit read: its bytes, whether they were ASCII or read as UTF-8, and its id.
    QByteArray lastUnitBytes_;
    bool lastUnitKnown_ = false;
    bool lastUnitAscii_ = false;
    bool lastUnitUtf8_ = false;
    quint32 lastUnitId_ = 0;
    void KeepLastUnit(QByteArrayView bytes, bool ascii, bool utf8)
    {
        if (bytes != lastUnitBytes_)
            lastUnitBytes_ = bytes.toByteArray();
        lastUnitKnown_ = true;
        lastUnitAscii_ = ascii;
        lastUnitUtf8_ = utf8;
        lastUnitId_ = record_.unit;
    }
};

bool Reader::Fill()
{
    constexpr qint64 Chunk = 1 << 20;
    // Drop what lies before the current field and line; they are at most a line long.
    const qsizetype keep = std::min(pos_, lineStart_);
    if (keep > 0) {
        std::memmove(buf_.data(), buf_.constData() + keep, size_t(size_ - keep));
        size_ -= keep;
        dropped_ += keep;
        pos_ -= keep;
        lineStart_ -= keep;
    }
    // Chunks no larger than what the file still holds; one extra byte notices a file that grew.
    const qint64 chunk = remaining_ >= 0 ? std::min(Chunk, remaining_ + 1) : 64 * 1024;
    if (buf_.size() < size_ + chunk)
        buf_.resize(size_ + chunk);
    const qint64 got = device_.read(buf_.data() + size_, chunk);
    if (got <= 0) {
        readError_ = got < 0;
        eof_ = true;
        return false;
    }
    size_ += got;
    if (remaining_ >= 0)
        remaining_ = std::max<qint64>(0, remaining_ - got);
    return true;
}

bool Reader::UnitText(const char *b, const char *e, bool &needMore)
{
    if (lastUnitKnown_ && lastUnitAscii_ && QByteArrayView(b, e - b) == lastUnitBytes_) {
        record_.unit = lastUnitId_;
        return true;
    }
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
        const char *lineEnd = e;
        const char *const end = data + size_;
        while ((lineEnd = FieldEnd(lineEnd, end)) < end && *lineEnd == ',')
            ++lineEnd;
        if (lineEnd == end && !eof_) {
            needMore = true;
            return false;
        }
        utf8 = IsValidUtf8(data + lineStart_, lineEnd - (data + lineStart_));
    }
    auto &cache = units_[utf8 ? 1 : 0];
    const QByteArrayView bytes(b, e - b);
    for (const auto &[key, id] : cache)
        if (key == bytes) {
            record_.unit = id;
            KeepLastUnit(bytes, ascii, utf8);
            return true;
        }
    QString text = ascii  ? QString::fromLatin1(b, e - b)
                   : utf8 ? QString::fromUtf8(b, e - b)
                          : DecodeCp1252(b, e - b);
    text.replace(QChar(MicroSign), QChar(GreekMu));
    if (text.size() > MaxUnitChars)
        return false;
    record_.unit = log_.UnitId(text);
    KeepLastUnit(bytes, ascii, utf8);
    if (cache.size() < 64)
        cache.emplace_back(bytes.toByteArray(), record_.unit);
    return true;
}

// Reads fields field_ .. 8 of the record into record_, advancing the position after each.
// NeedMore leaves the position at the start of the field that ran past the buffer.
Reader::Outcome Reader::ParseFields()
{
    const char *const data = buf_.constData();
    const char *const end = data + size_;
    for (; field_ < 9; ++field_) {
        // Blanks before the field; after a line end, blank lines too.
        const char *p = data + pos_;
        for (;;) {
            while (p < end && IsBlank(*p))
                ++p;
            if (afterLineEnd_ && p < end && IsLineEnd(*p)) {
                if (*p == '\r' && p + 1 == end && !eof_)
                    return Outcome::NeedMore;
                p += (*p == '\r' && p + 1 < end && p[1] == '\n') ? 2 : 1;
                ++line_;
                lineStart_ = pos_ = p - data;
                continue;
            }
            break;
        }
        if (field_ == 0)
            recordLine_ = line_;
        badLine_ = line_;
        if (p == end) {
            if (!eof_)
                return Outcome::NeedMore;
            if (field_ == 0)
                return Outcome::End;
            badField_ = field_;
            badLine_ = recordLine_; // the record that was cut short
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
                badField_ = field_;
                return Outcome::Bad;
            }
            p = e + 1;
            while (p < end && IsBlank(*p))
                ++p;
            if (p == end && !eof_)
                return Outcome::NeedMore;
            if (p < end && *p != ',' && !IsLineEnd(*p)) {
                badField_ = field_;
                return Outcome::Bad;
            }
        } else {
            e = FieldEnd(e, end);
            if (e == end && !eof_)
                return Outcome::NeedMore;
            p = e;
            while (e > b && IsBlank(e[-1]))
                --e;
        }
        if ((p - data) - lineStart_ > MaxLineBytes)
            return Outcome::TooLong;
        // Convert the field [b, e).
        bool ok = true;
        switch (field_) {
        case 0:
            ok = ScanNumber(b, e, record_.value);
            break;
        case 1:
            if (lastDateSize_ == e - b && std::memcmp(lastDateBytes_, b, size_t(e - b)) == 0) {
                record_.day = lastDay_;
            } else {
                ok = ParseDateField(b, e, record_.day);
                if (ok && e - b <= qsizetype(sizeof lastDateBytes_)) {
                    lastDay_ = record_.day;
                    lastDateSize_ = e - b;
                    std::memcpy(lastDateBytes_, b, size_t(e - b));
                }
            }
            break;
        case 2:
            ok = ParseTimeField(b, e, record_.msecs);
            break;
        case 3: {
            // A quote inside a unit cannot be written back (the file has no escape for it), so
            // such a unit is not valid rather than loading and then failing at the next load.
            if (std::memchr(b, '"', size_t(e - b))) {
                ok = false;
                break;
            }
            bool needMore = false;
            ok = UnitText(b, e, needMore);
            if (needMore)
                return Outcome::NeedMore;
            break;
        }
        case 4:
            ok = ParseIntField(b, e, record_.decimals);
            break;
        case 5:
            ok = ParseFlagField(b, e, SampleLog::IsMaxBit, record_.flags);
            break;
        case 6:
            ok = ParseFlagField(b, e, SampleLog::IsMinBit, record_.flags);
            break;
        case 7:
            ok = ScanNumber(b, e, record_.avg);
            break;
        case 8:
            ok = ScanNumber(b, e, record_.relRef);
            break;
        }
        if (!ok) {
            badField_ = field_;
            return Outcome::Bad;
        }
        // The separator after the field: a comma, a line end or the end of the file.
        if (p < end) {
            if (*p == ',') {
                ++p;
                afterLineEnd_ = false;
            } else {
                if (*p == '\r' && p + 1 == end && !eof_)
                    return Outcome::NeedMore; // the field is read again with its line end
                p += (*p == '\r' && p + 1 < end && p[1] == '\n') ? 2 : 1;
                ++line_;
                lineStart_ = p - data;
                afterLineEnd_ = true;
            }
        } else {
            afterLineEnd_ = true;
        }
        pos_ = p - data;
    }
    field_ = 0;
    return Outcome::Ok;
}

// A record as the program writes it, on one whole line in the buffer: converted straight, with
// the same conversions as ParseFields. Each field is first taken in the form the program writes
// (a short decimal, the last record's date and unit, a fixed-width time, one-digit decimals, the
// flag words), and otherwise found with FieldEnd and converted as ParseFields does. Anything else
// (blanks, line ends between fields, a unit other than the last one, a field that does not
// convert, a line past the limit) returns false with nothing consumed, and ParseFields reads the
// record.
bool Reader::FastRecord(SampleFileReadResult &result)
{
    if (field_ != 0 || !afterLineEnd_)
        return false;
    const char *const data = buf_.constData();
    const char *const end = data + size_;
    const char *p = data + pos_;
    const char *const limit = std::min(end, p + MaxLineBytes);
    const auto field = [&](const char *&b, const char *&e) __attribute__((always_inline))
    {
        b = p;
        e = FieldEnd(p, limit);
        if (e == limit || *e != ',' || e == b)
            return false;
        p = e + 1;
        return true;
    };
    // A number field ended by stop; p is left at the stop.
    const auto number = [&](char stop, float &value) __attribute__((always_inline))
    {
        if (const char *q = ScanShortDecimal(p, limit, value); q && q < limit && *q == stop) {
            p = q;
            return true;
        }
        const char *const e = FieldEnd(p, limit);
        if (e == limit || *e != stop || e == p || IsBlank(*p) || !ScanNumber(p, e, value))
            return false;
        p = e;
        return true;
    };
    // A field of width bytes and its comma.
    const auto fixed = [&](qsizetype width) { return limit - p > width && p[width] == ','; };
    const char *b = nullptr;
    const char *e = nullptr;
    SampleLog::Packed r;
    r.flags = 0;
    if (!number(',', r.value))
        return false;
    ++p;
    if (fixed(12) && lastDateSize_ == 12 && std::memcmp(p, lastDateBytes_, 12) == 0) {
        r.day = lastDay_;
        p += 13;
    } else if (!field(b, e)) {
        return false;
    } else if (lastDateSize_ == e - b && std::memcmp(lastDateBytes_, b, size_t(e - b)) == 0) {
        r.day = lastDay_;
    } else {
        if (!ParseDateField(b, e, r.day) || e - b > qsizetype(sizeof lastDateBytes_))
            return false;
        lastDay_ = r.day;
        lastDateSize_ = e - b;
        std::memcpy(lastDateBytes_, b, size_t(e - b));
    }
    // A time that converts is "#", digits and colons, so the fixed width finds its comma.
    if (fixed(10) && ParseTimeField(p, p + 10, r.msecs))
        p += 11;
    else if (!field(b, e) || !ParseTimeField(b, e, r.msecs))
        return false;
    // The unit between quotes, the one the last record had (it holds no quote). Every other
    // field that converts is ASCII, so the line is UTF-8 when the unit is.
    const qsizetype unitSize = lastUnitBytes_.size();
    if (!lastUnitKnown_ || limit - p < unitSize + 3 || p[0] != '"' || p[unitSize + 1] != '"' ||
        p[unitSize + 2] != ',')
        return false;
    const char *const unit = lastUnitBytes_.constData();
    for (qsizetype k = 0; k < unitSize; ++k) // a few bytes: cheaper than a call to memcmp
        if (p[1 + k] != unit[k])
            return false;
    const char *const unitBegin = p + 1;
    r.unit = lastUnitId_;
    p += unitSize + 3;
    if (fixed(1) && IsDigit(*p)) {
        r.decimals = qint16(*p - '0');
        p += 2;
    } else if (!field(b, e) || !ParseIntField(b, e, r.decimals)) {
        return false;
    }
    for (const quint8 bit : {SampleLog::IsMaxBit, SampleLog::IsMinBit}) {
        if (limit - p >= 8 && std::memcmp(p, "#FALSE#,", 8) == 0) {
            p += 8;
        } else if (limit - p >= 7 && std::memcmp(p, "#TRUE#,", 7) == 0) {
            r.flags |= bit;
            p += 7;
        } else if (!field(b, e) || !ParseFlagField(b, e, bit, r.flags)) {
            return false;
        }
    }
    if (!number(',', r.avg))
        return false;
    ++p;
    if (!number('\r', r.relRef) || limit - p < 2 || p[1] != '\n')
        return false;
    if (!lastUnitAscii_ && IsValidUtf8(unitBegin, unitSize) != lastUnitUtf8_)
        return false;
    AppendRecord(r, result);
    recordLine_ = badLine_ = line_;
    ++line_;
    lineStart_ = pos_ = (p + 2) - data;
    return true;
}

void Reader::Stop(SampleFileReadResult &result, Outcome outcome)
{
    result.complete = false;
    result.stopLine = badLine_;
    if (readError_)
        result.stopReason =
            QStringLiteral("the file could not be read: %1").arg(device_.errorString());
    else if (outcome == Outcome::TooFew)
        result.stopReason = QStringLiteral("the record has too few fields");
    else if (outcome == Outcome::TooLong)
        result.stopReason = QStringLiteral("the line is longer than a sample record can be");
    else
        result.stopReason =
            QStringLiteral("the %1 field is not valid").arg(QLatin1String(FieldNames[badField_]));
}

SampleFileReadResult Reader::Run(const SampleFileProgress &progress)
{
    SampleFileReadResult result;
    const qint64 total = device_.isSequential() ? 0 : device_.size() - device_.pos();
    remaining_ = device_.isSequential() ? -1 : std::max<qint64>(0, total);
    QElapsedTimer clock;
    clock.start();
    qint64 lastReport = 0;
    Fill();
    for (qint32 sinceCheck = 0;; ++sinceCheck) {
        if (sinceCheck >= 1024) {
            sinceCheck = 0;
            if (progress && clock.elapsed() - lastReport >= 30) {
                progress(dropped_ + pos_, total);
                lastReport = clock.elapsed();
            }
        }
        if (FastRecord(result))
            continue;
        Outcome outcome = ParseFields();
        while (outcome == Outcome::NeedMore) {
            if (size_ - lineStart_ > MaxLineBytes) {
                badLine_ = line_;
                outcome = Outcome::TooLong;
                break;
            }
            Fill();
            outcome = ParseFields();
        }
        if (outcome == Outcome::End)
            break;
        if (outcome != Outcome::Ok) {
            Stop(result, outcome);
            break;
        }
        AppendRecord(record_, result);
    }
    if (result.complete && readError_) {
        result.complete = false;
        result.stopLine = line_;
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
