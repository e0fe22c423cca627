#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

// Date and time texts of the program. Explicit patterns are month first with a 24-hour clock;
// the "system" forms follow the user's locale, with seconds always shown in times.
namespace kst {

// The current local time, with the offset from UTC in force now fixed in it: its date, time and
// offset are read without converting again. The C library's local time gives the offset (its
// time zone file is read again at most once a minute, so a changed zone shows within a minute);
// a reading's time is converted once, not once per file and line it is written to.
QDateTime CurrentLocalTime();

// "mm-dd-yyyy hh:mm:ss", e.g. 05-04-2000 14:03:27.
QString StampText(const QDateTime &when);
// "mm-dd-yyyy", e.g. 05-04-2000.
QString DateText(const QDate &date);
// "hh:mm:ss", 24-hour, e.g. 09:05:07.
QString ClockText(const QTime &time);
// The system's standard text for a time of day (seconds always shown); "HH:mm:ss" in the C locale.
QString SystemTimeText(const QTime &time);
// The system's short date form; "MM/dd/yyyy" in the C locale.
QString SystemShortDateText(const QDate &date);
// ISO 8601 with milliseconds and the offset from UTC in force at that moment, for files and
// other programs: 2026-12-06T14:03:27.250+01:00 (+00:00 for UTC).
QString IsoTimestampText(const QDateTime &when);
// The same as Latin-1 bytes written at out, at most IsoTimestampMax of them; returns their end.
// Computed from the instant and its offset, without a calendar: a logger writes one a reading.
inline constexpr int IsoTimestampMax = 48;
char *PutIsoTimestamp(char *out, const QDateTime &when);

} // namespace kst
