#include "files/SampleFileReader.h"

#include "files/FileIo.h"
#include "files/SampleFileFields.h"

#include <QElapsedTimer>
#include <QFile>
#include <cstring>

#include <unistd.h>

namespace kst {

using namespace masfield;

namespace {

inline bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}
inline bool IsLineEnd(char c)
{
    return c == '\r' || c == '\n';
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

// The field at p up to its comma, [b, e); p is left after the comma.
Q_ALWAYS_INLINE bool TakeField(const char *&p, const char *limit, const char *&b, const char *&e)
{
    b = p;
    e = FieldEnd(p, limit);
    if (e == limit || *e != ',' || e == b)
        return false;
    p = e + 1;
    return true;
}

// A number field at p ended by stop; p is left at the stop.
Q_ALWAYS_INLINE bool TakeNumber(const char *&p, const char *limit, char stop, float &value)
{
    if (const char *q = ParseShortNumber(p, limit, value); q && q < limit && *q == stop) {
        p = q;
        return true;
    }
    const char *const e = FieldEnd(p, limit);
    if (e == limit || *e != stop || e == p || IsBlank(*p) || !ParseNumber(p, e, value))
        return false;
    p = e;
    return true;
}

// The longest record the program writes is about 100 bytes plus its unit; a line four times
// that long, blanks and long number spellings included, is damage and stops the load.
constexpr qsizetype MaxLineBytes = 1024;

constexpr const char *FieldNames[9] = {"value",        "date",     "time of day",
                                       "unit",         "decimals", "maximum flag",
                                       "minimum flag", "average",  "Rel reference"};

class Reader {
public:
    Reader(QIODevice &device, SampleLog &log) : device_(device), log_(log) {}

    SampleFileReadResult Run(const SampleFileProgress &progress);

private:
    // Cut: the record runs into the end of the file without a line end.
    enum class Outcome { Ok, End, NeedMore, TooFew, Bad, TooLong, Cut };

    Outcome SkipBlanks(const char *&p);
    Outcome FindField(const char *&p, const char *&b, const char *&e);
    Outcome ConvertField(const char *b, const char *e);
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
    qint64 recordStart_ = 0;   // where the record being read begins in the file
    bool afterLineEnd_ = true; // the last separator was a line end (or start of file)
    int field_ = 0;
    int badField_ = 0;
    qint64 badLine_ = 0;
    SampleLog::Packed record_{};

    DateCache dates_;
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
    const std::optional<QString> text = ParseUnit(b, e, ascii, utf8);
    if (!text)
        return false;
    record_.unit = log_.UnitId(*text);
    KeepLastUnit(bytes, ascii, utf8);
    if (cache.size() < 64)
        cache.emplace_back(bytes.toByteArray(), record_.unit);
    return true;
}

// Skips the blanks before a field and, after a line end, blank lines too; p is left at the
// field. NeedMore when a CR at the buffer's end may be followed by its LF.
Reader::Outcome Reader::SkipBlanks(const char *&p)
{
    const char *const data = buf_.constData();
    const char *const end = data + size_;
    for (;;) {
        while (p < end && IsBlank(*p))
            ++p;
        if (!afterLineEnd_ || p == end || !IsLineEnd(*p))
            return Outcome::Ok;
        if (*p == '\r' && p + 1 == end && !eof_)
            return Outcome::NeedMore;
        p += (*p == '\r' && p + 1 < end && p[1] == '\n') ? 2 : 1;
        ++line_;
        lineStart_ = pos_ = p - data;
    }
}

// Finds the field at p, [b, e) without its quotes or trailing blanks, and leaves p at the
// separator after it.
Reader::Outcome Reader::FindField(const char *&p, const char *&b, const char *&e)
{
    const char *const end = buf_.constData() + size_;
    b = e = p;
    if (*p != '"') {
        e = FieldEnd(e, end);
        if (e == end && !eof_)
            return Outcome::NeedMore;
        p = e;
        while (e > b && IsBlank(e[-1]))
            --e;
        return Outcome::Ok;
    }
    e = ++b;
    while (e < end && *e != '"' && !IsLineEnd(*e))
        ++e;
    if (e == end)
        return eof_ ? Outcome::Cut : Outcome::NeedMore;
    if (*e != '"')
        return Outcome::Bad;
    p = e + 1;
    while (p < end && IsBlank(*p))
        ++p;
    if (p == end && !eof_)
        return Outcome::NeedMore;
    return p == end || *p == ',' || IsLineEnd(*p) ? Outcome::Ok : Outcome::Bad;
}

// Converts field field_ from [b, e) into record_.
Reader::Outcome Reader::ConvertField(const char *b, const char *e)
{
    bool ok = true;
    switch (field_) {
    case 0:
        ok = ParseNumber(b, e, record_.value);
        break;
    case 1:
        ok = dates_.Parse(b, e, record_.day);
        break;
    case 2:
        ok = ParseTime(b, e, record_.msecs);
        break;
    case 3: {
        bool needMore = false;
        ok = UnitText(b, e, needMore);
        if (needMore)
            return Outcome::NeedMore;
        break;
    }
    case 4:
        ok = ParseDecimals(b, e, record_.decimals);
        break;
    case 5:
        ok = ParseFlag(b, e, SampleLog::IsMaxBit, record_.flags);
        break;
    case 6:
        ok = ParseFlag(b, e, SampleLog::IsMinBit, record_.flags);
        break;
    case 7:
        ok = ParseNumber(b, e, record_.avg);
        break;
    case 8:
        ok = ParseNumber(b, e, record_.relRef);
        break;
    }
    return ok ? Outcome::Ok : Outcome::Bad;
}

// Reads fields field_ .. 8 of the record into record_, advancing the position after each.
// NeedMore leaves the position at the start of the field that ran past the buffer. A record that
// runs into the end of the file without a line end is Cut, whether or not it converts.
Reader::Outcome Reader::ParseFields()
{
    const char *const data = buf_.constData();
    const char *const end = data + size_;
    for (; field_ < 9; ++field_) {
        const char *p = data + pos_;
        if (const Outcome skipped = SkipBlanks(p); skipped != Outcome::Ok)
            return skipped;
        if (field_ == 0) {
            recordLine_ = line_;
            recordStart_ = dropped_ + pos_;
        }
        badLine_ = line_;
        badField_ = field_;
        if (p == end) {
            if (!eof_)
                return Outcome::NeedMore;
            if (field_ == 0)
                return Outcome::End;
            badLine_ = recordLine_; // the record that was cut short
            return afterLineEnd_ ? Outcome::TooFew : Outcome::Cut;
        }
        const char *b = nullptr;
        const char *e = nullptr;
        Outcome outcome = FindField(p, b, e);
        if (outcome == Outcome::Ok && (p - data) - lineStart_ > MaxLineBytes)
            return Outcome::TooLong;
        if (outcome == Outcome::Ok)
            outcome = ConvertField(b, e);
        if (outcome == Outcome::Bad && p == end && eof_)
            outcome = Outcome::Cut;
        if (outcome != Outcome::Ok) {
            if (outcome == Outcome::Cut)
                badLine_ = recordLine_;
            return outcome;
        }
        // The separator after the field: a comma or a line end.
        if (p == end) {
            badLine_ = recordLine_;
            return Outcome::Cut;
        }
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
        return TakeField(p, limit, b, e);
    };
    const auto number = [&](char stop, float &value) __attribute__((always_inline))
    {
        return TakeNumber(p, limit, stop, value);
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
    // A date or time that converts is "#", digits and separators, so the fixed width as written
    // finds its comma.
    if (fixed(12) && dates_.Parse(p, p + 12, r.day))
        p += 13;
    else if (!field(b, e) || !dates_.Parse(b, e, r.day))
        return false;
    if (fixed(10) && ParseTime(p, p + 10, r.msecs))
        p += 11;
    else if (!field(b, e) || !ParseTime(b, e, r.msecs))
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
    if (fixed(1) && ParseDecimals(p, p + 1, r.decimals))
        p += 2;
    else if (!field(b, e) || !ParseDecimals(b, e, r.decimals))
        return false;
    for (const quint8 bit : {SampleLog::IsMaxBit, SampleLog::IsMinBit}) {
        if (fixed(7) && ParseFlag(p, p + 7, bit, r.flags))
            p += 8;
        else if (fixed(6) && ParseFlag(p, p + 6, bit, r.flags))
            p += 7;
        else if (!field(b, e) || !ParseFlag(b, e, bit, r.flags))
            return false;
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
    result.lastRecordCut = outcome == Outcome::Cut && !readError_;
    result.wholeBytes = recordStart_;
    result.stopLine = badLine_;
    if (readError_)
        result.stopReason =
            QStringLiteral("the file could not be read: %1").arg(device_.errorString());
    else if (outcome == Outcome::TooFew)
        result.stopReason = QStringLiteral("the record has too few fields");
    else if (outcome == Outcome::Cut)
        result.stopReason = QStringLiteral("the last record has no line end and may be cut off");
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
        if (outcome == Outcome::End) {
            result.wholeBytes = dropped_ + size_;
            break;
        }
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
    const Result<int> fd = OpenForReading(path);
    QFile file;
    if (fd && file.open(*fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return ReadSampleFile(file, log, progress);
    QString reason = fd ? file.errorString() : fd.Reason();
    if (fd)
        ::close(*fd);
    else if (reason.startsWith(path + QStringLiteral(": ")))
        reason.remove(0, path.size() + 2); // the caller names the file
    SampleFileReadResult result;
    result.complete = false;
    result.stopReason = QStringLiteral("the file cannot be opened: %1").arg(reason);
    return result;
}

} // namespace kst
