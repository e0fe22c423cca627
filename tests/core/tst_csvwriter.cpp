#include "files/CsvWriter.h"

#include "common/Numbers.h"
#include "support/SampleRecords.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <QTest>

#include <ctime>

using namespace kst;

class tst_CsvWriter : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // Central European time (+01:00 in winter, +02:00 in summer) without the zone database.
        qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
        ::tzset();
    }

    // A log with several units, the over-range marker, statistics on and off, milliseconds,
    // both offsets and a unit that must be quoted: the file's exact bytes (RFC 4180, UTF-8).
    void exactBytes()
    {
        const float off = NoValueMarker;
        const QDate winter(2026, 12, 6);
        SampleLog log;
        log.Append({1.234f, winter, QTime(14, 3, 27, 250), u"DCV"_qs, 3, 0, 0, off, off});
        log.Append({-12.5f, winter, QTime(14, 3, 27, 500), u"ACmV"_qs, 1, 0, -1, -3.25f, off});
        log.Append({0.5f, winter, QTime(14, 3, 28), u"KΩ"_qs, 2, -1, 0, off, 1.2f});
        log.Append({3.3f, QDate(2026, 7, 1), QTime(0, 0, 0, 5), u"μF"_qs, 3, 0, 0, 2.0f, 0.0f});
        log.Append({4000.0f, winter, QTime(23, 59, 59, 999), u"DCV"_qs, 3, 0, 0, off, off});
        log.Append({2.0f, winter, QTime(1, 2, 4), u"a,\"b"_qs, 0, 0, 0, off, off});
        QTemporaryDir dir;
        const QString path = dir.filePath(u"out.csv"_qs);
        QVERIFY(SaveCsvFile(path, log, log.SampleCount).Ok());
        QCOMPARE(test::FileBytes(path),
                 QByteArray("time,value,unit,over_range,average,rel_reference\r\n"
                            "2026-12-06T14:03:27.250+01:00,1.234,DCV,false,,\r\n"
                            "2026-12-06T14:03:27.500+01:00,-12.5,ACmV,false,-3.25,\r\n"
                            "2026-12-06T14:03:28.000+01:00,0.50,KΩ,false,,1.2\r\n"
                            "2026-07-01T00:00:00.005+02:00,3.300,μF,false,2,0\r\n"
                            "2026-12-06T23:59:59.999+01:00,4000.000,DCV,true,,\r\n"
                            "2026-12-06T01:02:04.000+01:00,2,\"a,\"\"b\",false,,\r\n"));

        QVERIFY(SaveCsvFile(u"/nonexistent-folder/out.csv"_qs, log, 0)
                    .Reason()
                    .startsWith(u"/nonexistent-folder/out.csv: "_qs));
    }
};

QTEST_GUILESS_MAIN(tst_CsvWriter)
#include "tst_csvwriter.moc"
