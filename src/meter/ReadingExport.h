#pragma once

#include "meter/FrameDecoder.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

// A reading as other programs take it: a line of text for a terminal or a pipe, and a JSON
// object for tools and message brokers. Both carry the time the reading was received.
namespace kst {

// "2026-12-06T14:03:27.250+01:00<TAB>1.234<TAB>DCV": the time (ISO 8601, milliseconds, UTC
// offset), what the meter's display shows ("O L" when over range) and the unit text (AC/DC text
// followed by the unit). Tab-separated, so the display's "O L" stays one field; no line end.
// With a meter's name (several meters), it follows the time as a field of its own.
// Appended to out as UTF-8.
void PutReadingLine(QByteArray &out, const QDateTime &when, const MeterReading &reading,
                    float value, const QString &meter = {});

// The same reading as one line of JSON, no line end:
//   {"time":"2026-12-06T14:03:27.250+01:00","value":1.234,"display":"1.234","unit":"DCV",
//    "decimals":3,"ac_dc":"DC","over_range":false,"hold":false,
//    "annunciators":{"max":false,"min":false,"rel":false,"mem":false,"auto":true,
//    "man":false,"apof":false,"battery_low":false}}
// value is written with the reading's decimals, and is null when the meter is over range;
// ac_dc is "DC", "AC" or "".
// With a meter's name (several meters), "meter":"psu" follows the time.
QByteArray ReadingJson(const QDateTime &when, const MeterReading &reading, float value,
                       const QString &meter = {});
// The same appended to out, which a caller keeps for the next reading.
void PutReadingJson(QByteArray &out, const QDateTime &when, const MeterReading &reading,
                    float value, const QString &meter = {});

// A moment that is not a reading, as one line of JSON with the time, the meter's name when
// given, and one text under its key: {"time":"2026-12-06T14:03:27.250+01:00","status":"link
// lost"}, {"time":...,"marker":"changed R5"}.
QByteArray NoteJson(const QDateTime &when, const char *key, const QString &text,
                    const QString &meter = {});

} // namespace kst
