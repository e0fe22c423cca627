#include "meter/ReadingExport.h"

#include "common/DateTimeText.h"
#include "common/Numbers.h"

#include <algorithm>

namespace kst {

namespace {

void PutJsonString(QByteArray &out, const QString &text)
{
    out += '"';
    for (const char c : text.toUtf8()) {
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
                out +=
                    QByteArray("\\u00") + QByteArray::number(uchar(c), 16).rightJustified(2, '0');
            else
                out += c;
        }
    }
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

} // namespace

QString ReadingLine(const QDateTime &when, const MeterReading &reading, float value,
                    const QString &meter)
{
    return IsoTimestampText(when) + u'\t' + (meter.isEmpty() ? QString() : meter + u'\t') +
           DisplayText(reading, value) + u'\t' + reading.AcDcText + reading.UnitText;
}

QByteArray ReadingJson(const QDateTime &when, const MeterReading &reading, float value,
                       const QString &meter)
{
    QByteArray out;
    out.reserve(320);
    out += "{\"time\":\"" + IsoTimestampText(when).toLatin1() + '"';
    if (!meter.isEmpty()) {
        out += ",\"meter\":";
        PutJsonString(out, meter);
    }
    out += ",\"value\":";
    out +=
        reading.OverRange ? QByteArray("null") : PlainValueText(value, reading.Decimals).toLatin1();
    out += ",\"display\":";
    PutJsonString(out, DisplayText(reading, value));
    out += ",\"unit\":";
    PutJsonString(out, reading.AcDcText + reading.UnitText);
    out += ",\"decimals\":" + QByteArray::number(reading.Decimals) + ",\"ac_dc\":";
    PutJsonString(out, reading.AcDcText);
    out += QByteArray(",\"over_range\":") + Bool(reading.OverRange) +
           ",\"hold\":" + Bool(reading.Hold) + ",\"annunciators\":{\"max\":" + Bool(reading.Max) +
           ",\"min\":" + Bool(reading.Min) + ",\"rel\":" + Bool(reading.Rel) +
           ",\"mem\":" + Bool(reading.Mem) + ",\"auto\":" + Bool(reading.Auto) +
           ",\"man\":" + Bool(reading.Man) + ",\"apof\":" + Bool(reading.Apof) +
           ",\"battery_low\":" + Bool(reading.BatteryLow) + "}}";
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
