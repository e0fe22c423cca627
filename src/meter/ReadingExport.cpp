#include "meter/ReadingExport.h"

#include "common/DateTimeText.h"
#include "common/Numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace kst {

namespace {

// Appends text as UTF-8; a meter's texts are mostly ASCII, which needs no conversion.
void PutUtf8(QByteArray &out, QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x80) {
            out += text.mid(i).toUtf8();
            return;
        }
        out += char(c);
    }
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
void PutJsonChars(QByteArray &out, QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x80) {
            for (const char byte : text.mid(i).toUtf8())
                PutJsonByte(out, byte);
            return;
        }
        PutJsonByte(out, char(c));
    }
}

void PutJsonString(QByteArray &out, QStringView text)
{
    out += '"';
    PutJsonChars(out, text);
    out += '"';
}

const char *Bool(bool on)
{
    return on ? "true" : "false";
}

QString DisplayText(const MeterReading &reading, float value)
{
    return reading.OverRange ? OverloadText : ReadingText(value, reading.Decimals);
}

// What the display shows, as plain characters when it is a reading's digits; nullptr when it is
// another text (DisplayText).
const char *PutDisplayDigits(char *out, const MeterReading &reading, float value)
{
    return reading.OverRange ? nullptr : PutReadingDigits(out, value, reading.Decimals);
}

void PutTime(QByteArray &out, const QDateTime &when)
{
    char text[IsoTimestampMax];
    out.append(text, PutIsoTimestamp(text, when) - text);
}

// PlainValueText's bytes. A reading's value (a whole number of counts over a power of ten) is
// written from its counts: the single is the one nearest to them, so the value rounded to its
// decimals is exactly those counts.
void PutPlainValue(QByteArray &out, float value, int decimals)
{
    static constexpr int Tens[] = {1, 10, 100, 1000};
    if (decimals >= 0 && decimals <= 3) {
        const double counts = std::nearbyint(double(value) * Tens[decimals]);
        if (std::fabs(counts) <= 999999 && float(counts / Tens[decimals]) == value) {
            char text[16];
            char *o = text;
            if (counts < 0)
                *o++ = '-';
            const int n = int(std::fabs(counts));
            o = std::to_chars(o, text + sizeof text, n / Tens[decimals]).ptr;
            if (decimals > 0) {
                *o++ = '.';
                int fraction = n % Tens[decimals];
                for (int i = decimals - 1; i >= 0; --i, fraction /= 10)
                    o[i] = char('0' + fraction % 10);
                o += decimals;
            }
            out.append(text, o - text);
            return;
        }
    }
    out += PlainValueText(value, decimals).toLatin1();
}

} // namespace

void PutReadingLine(QByteArray &out, const QDateTime &when, const MeterReading &reading,
                    float value, const QString &meter)
{
    PutTime(out, when);
    out += '\t';
    if (!meter.isEmpty()) {
        PutUtf8(out, meter);
        out += '\t';
    }
    char digits[ReadingDigitsMax];
    if (const char *end = PutDisplayDigits(digits, reading, value))
        out.append(digits, end - digits);
    else
        PutUtf8(out, DisplayText(reading, value));
    out += '\t';
    PutUtf8(out, reading.AcDcText);
    PutUtf8(out, reading.UnitText);
}

void PutReadingJson(QByteArray &out, const QDateTime &when, const MeterReading &reading,
                    float value, const QString &meter)
{
    out += "{\"time\":\"";
    PutTime(out, when);
    out += '"';
    if (!meter.isEmpty()) {
        out += ",\"meter\":";
        PutJsonString(out, meter);
    }
    out += ",\"value\":";
    if (reading.OverRange)
        out += "null";
    else
        PutPlainValue(out, value, reading.Decimals);
    out += ",\"display\":";
    char digits[ReadingDigitsMax];
    if (const char *end = PutDisplayDigits(digits, reading, value)) {
        out += '"'; // digits, a sign and a point need no escaping
        out.append(digits, end - digits);
        out += '"';
    } else {
        PutJsonString(out, DisplayText(reading, value));
    }
    out += ",\"unit\":\"";
    PutJsonChars(out, reading.AcDcText);
    PutJsonChars(out, reading.UnitText);
    out += "\",\"decimals\":";
    char number[16];
    out.append(number,
               std::to_chars(number, number + sizeof number, reading.Decimals).ptr - number);
    out += ",\"ac_dc\":";
    PutJsonString(out, reading.AcDcText);
    out += ",\"over_range\":";
    out += Bool(reading.OverRange);
    out += ",\"hold\":";
    out += Bool(reading.Hold);
    out += ",\"annunciators\":{\"max\":";
    out += Bool(reading.Max);
    out += ",\"min\":";
    out += Bool(reading.Min);
    out += ",\"rel\":";
    out += Bool(reading.Rel);
    out += ",\"mem\":";
    out += Bool(reading.Mem);
    out += ",\"auto\":";
    out += Bool(reading.Auto);
    out += ",\"man\":";
    out += Bool(reading.Man);
    out += ",\"apof\":";
    out += Bool(reading.Apof);
    out += ",\"battery_low\":";
    out += Bool(reading.BatteryLow);
    out += "}}";
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
    QByteArray out = "{\"time\":\"" + IsoTimestampText(when).toLatin1() + '"';
    if (!meter.isEmpty()) {
        out += ",\"meter\":";
        PutJsonString(out, meter);
    }
    out += QByteArray(",\"") + key + "\":";
    PutJsonString(out, text);
    return out + '}';
}

} // namespace kst
