#include "common/DateTimeText.h"

#include <QLocale>
#include <cstdlib>
#include <ctime>

namespace kst {

QDateTime CurrentLocalTime()
{
    thread_local bool zoneRead = false;
    thread_local qint64 zoneReadAt = 0;
    const qint64 ms = QDateTime::currentMSecsSinceEpoch();
    if (!zoneRead || ms - zoneReadAt >= 60000 || ms < zoneReadAt) {
        tzset(); // looks at the time zone file again
        zoneRead = true;
        zoneReadAt = ms;
    }
    const time_t seconds = time_t(ms / 1000);
    struct tm local {};
    if (!localtime_r(&seconds, &local))
        return QDateTime::currentDateTime();
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::OffsetFromUTC, int(local.tm_gmtoff));
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

QString IsoTimestampText(const QDateTime &when)
{
    const int offset = when.offsetFromUtc() / 60; // minutes
    const int magnitude = std::abs(offset);
    const QDate date = when.date();
    const QTime time = when.time();
    if (!date.isValid() || !time.isValid() || date.year() < 0 || date.year() > 9999 ||
        magnitude >= 100 * 60)
        return when.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz")) +
               (offset < 0 ? u'-' : u'+') +
               QStringLiteral("%1:%2")
                   .arg(magnitude / 60, 2, 10, QLatin1Char('0'))
                   .arg(magnitude % 60, 2, 10, QLatin1Char('0'));
    // Written digit by digit: a logger writes one a reading.
    QString text(29, Qt::Uninitialized);
    QChar *o = text.data();
    const auto digits = [&o](int value, int width) {
        for (int i = width - 1; i >= 0; --i, value /= 10)
            o[i] = QLatin1Char(char('0' + value % 10));
        o += width;
    };
    const auto put = [&o](char c) { *o++ = QLatin1Char(c); };
    digits(date.year(), 4);
    put('-');
    digits(date.month(), 2);
    put('-');
    digits(date.day(), 2);
    put('T');
    digits(time.hour(), 2);
    put(':');
    digits(time.minute(), 2);
    put(':');
    digits(time.second(), 2);
    put('.');
    digits(time.msec(), 3);
    put(offset < 0 ? '-' : '+');
    digits(magnitude / 60, 2);
    put(':');
    digits(magnitude % 60, 2);
    return text;
}

} // namespace kst
