#include "common/DateTimeText.h"

#include <QLocale>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace kst {

QDateTime CurrentLocalTime()
{
    thread_local bool zoneRead = false;
    thread_local qint64 zoneReadAt = 0;
    // The offset found for the last second converted: a zone's offset changes only at a whole
    // second, so readings within one second convert once.
    thread_local bool offsetKnown = false;
    thread_local time_t offsetSecond = 0;
    thread_local int offset = 0;
    const qint64 ms = QDateTime::currentMSecsSinceEpoch();
    if (!zoneRead || ms - zoneReadAt >= 60000 || ms < zoneReadAt) {
        tzset(); // looks at the time zone file again
        zoneRead = true;
        zoneReadAt = ms;
        offsetKnown = false;
    }
    const time_t seconds = time_t(ms / 1000);
    if (!offsetKnown || seconds != offsetSecond) {
        struct tm local {};
        if (!localtime_r(&seconds, &local))
            return QDateTime::currentDateTime();
        offsetKnown = true;
        offsetSecond = seconds;
        offset = int(local.tm_gmtoff);
    }
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::OffsetFromUTC, offset);
}

QString StampText(const QDateTime &when)
{
    return when.toString(QStringLiteral("MM-dd-yyyy HH:mm:ss"));
}

QString DateText(const QDate &date)
{
    return date.toString(QStringLiteral("MM-dd-yyyy"));
}

QString ClockText(const QTime &time)
{
    return time.toString(QStringLiteral("HH:mm:ss"));
}

namespace {

QString SystemTimeFormat()
{
    const QLocale locale = QLocale::system();
    if (locale.language() == QLocale::C)
        return QStringLiteral("HH:mm:ss");
    QString format = locale.timeFormat(QLocale::ShortFormat);
    if (!format.contains(u's')) {
        const qsizetype minutes = format.indexOf(QStringLiteral("mm"));
        if (minutes >= 0)
            format.insert(minutes + 2, QStringLiteral(":ss"));
    }
    return format;
}

QString SystemDateFormat()
{
    const QLocale locale = QLocale::system();
    if (locale.language() == QLocale::C)
        return QStringLiteral("MM/dd/yyyy");
    return locale.dateFormat(QLocale::ShortFormat);
}

} // namespace

QString SystemTimeText(const QTime &time)
{
    static const QString format = SystemTimeFormat();
    return QLocale::system().toString(time, format);
}

QString SystemShortDateText(const QDate &date)
{
    static const QString format = SystemDateFormat();
    return QLocale::system().toString(date, format);
}

namespace {

// The timestamp as QDateTime writes it, for a moment the arithmetic below does not take (no
// valid time, a year outside 1 to 9999, an offset of 100 hours or more).
QString SlowIsoTimestampText(const QDateTime &when)
{
    const int offset = when.offsetFromUtc() / 60; // minutes
    const int magnitude = std::abs(offset);
    return when.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz")) + (offset < 0 ? u'-' : u'+') +
           QStringLiteral("%1:%2")
               .arg(magnitude / 60, 2, 10, QLatin1Char('0'))
               .arg(magnitude % 60, 2, 10, QLatin1Char('0'));
}

char *PutDigits(char *out, int value, int width)
{
    for (int i = width - 1; i >= 0; --i, value /= 10)
        out[i] = char('0' + value % 10);
    return out + width;
}

// The Gregorian year, month and day of a day counted from 1 January 1970.
void CivilDate(qint64 days, qint64 &year, int &month, int &day)
{
    days += 719468; // from 1 March of the year 0
    const qint64 era = (days >= 0 ? days : days - 146096) / 146097;
    const qint64 dayOfEra = days - era * 146097;
    const qint64 yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const qint64 dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const qint64 monthFromMarch = (5 * dayOfYear + 2) / 153;
    day = int(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
    month = int(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
    year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
}

// The timestamp of a valid moment from its instant and offset; nullptr when it needs
// SlowIsoTimestampText.
char *PutFastIsoTimestamp(char *out, const QDateTime &when)
{
    if (!when.isValid())
        return nullptr;
    const int offset = when.offsetFromUtc(); // seconds
    const int minutes = offset / 60;
    const int magnitude = std::abs(minutes);
    const qint64 local = when.toMSecsSinceEpoch() + qint64(offset) * 1000;
    const qint64 days = (local >= 0 ? local : local - 86399999) / 86400000;
    const int ms = int(local - days * 86400000);
    qint64 year = 0;
    int month = 0, day = 0;
    CivilDate(days, year, month, day);
    if (year < 1 || year > 9999 || magnitude >= 100 * 60)
        return nullptr;
    out = PutDigits(out, int(year), 4);
    *out++ = '-';
    out = PutDigits(out, month, 2);
    *out++ = '-';
    out = PutDigits(out, day, 2);
    *out++ = 'T';
    out = PutDigits(out, ms / 3600000, 2);
    *out++ = ':';
    out = PutDigits(out, ms / 60000 % 60, 2);
    *out++ = ':';
    out = PutDigits(out, ms / 1000 % 60, 2);
    *out++ = '.';
    out = PutDigits(out, ms % 1000, 3);
    *out++ = minutes < 0 ? '-' : '+';
    out = PutDigits(out, magnitude / 60, 2);
    *out++ = ':';
    return PutDigits(out, magnitude % 60, 2);
}

} // namespace

char *PutIsoTimestamp(char *out, const QDateTime &when)
{
    if (char *end = PutFastIsoTimestamp(out, when))
        return end;
    const QByteArray text = SlowIsoTimestampText(when).toLatin1();
    const qsizetype size = std::min<qsizetype>(text.size(), IsoTimestampMax);
    std::memcpy(out, text.constData(), size_t(size));
    return out + size;
}

QString IsoTimestampText(const QDateTime &when)
{
    char text[IsoTimestampMax];
    if (const char *end = PutFastIsoTimestamp(text, when))
        return QString::fromLatin1(text, end - text);
    return SlowIsoTimestampText(when);
}

} // namespace kst
