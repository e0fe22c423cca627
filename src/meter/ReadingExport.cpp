#include "meter/ReadingExport.h"

#include "common/DateTimeText.h"
#include "common/Numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>

namespace kst {

namespace {

// Bytes gathered on the stack and appended to out in a few pieces, rather than a field at a
// time; what has no bound (a name, a general formatter's text) goes to Out() directly.
class Pieces {
public:
    explicit Pieces(QByteArray &out) : out_(out) {}
    Pieces(const Pieces &) = delete;
    Pieces &operator=(const Pieces &) = delete;
    ~Pieces() { Out(); }

    // Room for size bytes (at most the 256 it gathers); Wrote() says where they end.
    char *Room(qsizetype size)
    {
        if (size > qsizetype(sizeof bytes_) - (end_ - bytes_))
            Out();
        return end_;
    }
    void Wrote(char *end) { end_ = end; }
    Pieces &operator<<(std::string_view text)
    {
        if (text.size() > sizeof bytes_) {
            Out().append(text.data(), qsizetype(text.size()));
            return *this;
        }
        char *const at = Room(qsizetype(text.size()));
        std::memcpy(at, text.data(), text.size());
        end_ = at + text.size();
        return *this;
    }
    // out, with the bytes gathered so far appended.
    QByteArray &Out()
    {
        out_.append(bytes_, end_ - bytes_);
        end_ = bytes_;
        return out_;
    }

private:
    QByteArray &out_;
    char bytes_[256];
    char *end_ = bytes_;
};

// A short ASCII text as it is (its UTF-8), when no character is one that escape() refuses.
template <typename Refuse> bool PutPlain(Pieces &out, QStringView text, Refuse refuse)
{
    if (text.size() > 32)
        return false;
    char *const at = out.Room(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x80 || refuse(c))
            return false;
        at[i] = char(c);
    }
    out.Wrote(at + text.size());
    return true;
}

// Appends text as UTF-8.
void PutUtf8(Pieces &out, QStringView text)
{
    if (!PutPlain(out, text, [](char16_t) { return false; }))
        out.Out() += text.toUtf8();
}

void PutJsonByte(QByteArray &out, char c)
{
    switch (c) {
    case '"':
        out += "\\\"";
        break;
    case '\\':
        out += "\\\\";
        break;
    case '\n':
        out += "\\n";
        break;
    case '\r':
        out += "\\r";
        break;
    case '\t':
        out += "\\t";
        break;
    default:
        if (uchar(c) < 0x20)
            out += QByteArray("\\u00") + QByteArray::number(uchar(c), 16).rightJustified(2, '0');
        else
            out += c;
    }
}

// The text's UTF-8, escaped for a JSON string.
void PutJsonChars(Pieces &out, QStringView text)
{
    if (PutPlain(out, text, [](char16_t c) { return c < 0x20 || c == '"' || c == '\\'; }))
        return;
    QByteArray &bytes = out.Out();
    for (const char c : text.toUtf8())
        PutJsonByte(bytes, c);
}

void PutJsonString(Pieces &out, QStringView text)
{
    using namespace std::string_view_literals;
    out << "\""sv;
    PutJsonChars(out, text);
    out << "\""sv;
}

// An object's opening: its time and, with several meters, the meter's name.
void PutJsonHead(Pieces &out, const QDateTime &when, const QString &meter)
{
    using namespace std::string_view_literals;
    out << "{\"time\":\""sv;
    out.Wrote(PutIsoTimestamp(out.Room(IsoTimestampMax), when));
    out << "\""sv;
    if (!meter.isEmpty()) {
        out << ",\"meter\":"sv;
        PutJsonString(out, meter);
    }
}

QString DisplayText(const MeterReading &reading, float value)
{
    return reading.OverRange ? OverloadText : ReadingText(value, reading.Decimals);
}

// What the display shows, as plain characters when it is a reading's digits; nullptr when it is
// another text (DisplayText).
char *PutDisplayDigits(char *out, const MeterReading &reading, float value)
{
    return reading.OverRange ? nullptr : PutReadingDigits(out, value, reading.Decimals);
}

// PlainValueText's bytes. A reading's value (a whole number of counts over a power of ten) is
// written from its counts: the single is the one nearest to them, so the value rounded to its
// decimals is exactly those counts.
void PutPlainValue(Pieces &out, float value, int decimals)
{
    static constexpr int Tens[] = {1, 10, 100, 1000};
    if (decimals >= 0 && decimals <= 3) {
        const double counts = std::nearbyint(double(value) * Tens[decimals]);
        if (std::fabs(counts) <= 999999 && float(counts / Tens[decimals]) == value) {
            char *const text = out.Room(16);
            char *o = text;
            if (counts < 0)
                *o++ = '-';
            const int n = int(std::fabs(counts));
            o = std::to_chars(o, text + 16, n / Tens[decimals]).ptr;
            if (decimals > 0) {
                *o++ = '.';
                int fraction = n % Tens[decimals];
                for (int i = decimals - 1; i >= 0; --i, fraction /= 10)
                    o[i] = char('0' + fraction % 10);
                o += decimals;
            }
            out.Wrote(o);
            return;
        }
    }
    out.Out() += PlainValueText(value, decimals).toLatin1();
}

} // namespace

void PutReadingLine(QByteArray &out, const QDateTime &when, const MeterReading &reading,
                    float value, const QString &meter)
{
    using namespace std::string_view_literals;
    Pieces line(out);
    line.Wrote(PutIsoTimestamp(line.Room(IsoTimestampMax), when));
    line << "\t"sv;
    if (!meter.isEmpty()) {
        PutUtf8(line, meter);
        line << "\t"sv;
    }
    if (char *end = PutDisplayDigits(line.Room(ReadingDigitsMax), reading, value))
        line.Wrote(end);
    else
        PutUtf8(line, DisplayText(reading, value));
    line << "\t"sv;
    PutUtf8(line, reading.AcDcText);
    PutUtf8(line, reading.UnitText);
}

void PutReadingJson(QByteArray &out, const QDateTime &when, const MeterReading &reading,
                    float value, const QString &meter)
{
    using namespace std::string_view_literals;
    Pieces json(out);
    PutJsonHead(json, when, meter);
    json << ",\"value\":"sv;
    if (reading.OverRange)
        json << "null"sv;
    else
        PutPlainValue(json, value, reading.Decimals);
    json << ",\"display\":"sv;
    char *const display = json.Room(ReadingDigitsMax + 2);
    *display = '"'; // digits, a sign and a point need no escaping
    if (char *end = PutDisplayDigits(display + 1, reading, value)) {
        *end++ = '"';
        json.Wrote(end);
    } else {
        PutJsonString(json, DisplayText(reading, value));
    }
    json << ",\"unit\":\""sv;
    PutJsonChars(json, reading.AcDcText);
    PutJsonChars(json, reading.UnitText);
    json << "\",\"decimals\":"sv;
    char *const decimals = json.Room(16);
    json.Wrote(std::to_chars(decimals, decimals + 16, reading.Decimals).ptr);
    json << ",\"ac_dc\":"sv;
    PutJsonString(json, reading.AcDcText);
    const auto flag = [](bool on) { return on ? "true"sv : "false"sv; };
    json << ",\"over_range\":"sv << flag(reading.OverRange) << ",\"hold\":"sv << flag(reading.Hold)
         << ",\"annunciators\":{\"max\":"sv << flag(reading.Max) << ",\"min\":"sv
         << flag(reading.Min) << ",\"rel\":"sv << flag(reading.Rel) << ",\"mem\":"sv
         << flag(reading.Mem) << ",\"auto\":"sv << flag(reading.Auto) << ",\"man\":"sv
         << flag(reading.Man) << ",\"apof\":"sv << flag(reading.Apof) << ",\"battery_low\":"sv
         << flag(reading.BatteryLow) << "}}"sv;
}

QByteArray ReadingJson(const QDateTime &when, const MeterReading &reading, float value,
                       const QString &meter)
{
    QByteArray out;
    out.reserve(320);
    PutReadingJson(out, when, reading, value, meter);
    return out;
}

QByteArray NoteJson(const QDateTime &when, const char *key, const QString &text,
                    const QString &meter)
{
    using namespace std::string_view_literals;
    QByteArray out;
    Pieces note(out);
    PutJsonHead(note, when, meter);
    note << ",\""sv << std::string_view(key) << "\":"sv;
    PutJsonString(note, text);
    note << "}"sv;
    note.Out();
    return out;
}

} // namespace kst
