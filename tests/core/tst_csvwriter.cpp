#include "files/CsvWriter.h"

#include "common/Numbers.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <ctime>

using namespace kst;

namespace {

// RFC 4180, strictly: every record ends in CR LF, a quoted field ends at a lone quote followed by
// a comma or the record's end, a doubled quote stands for one, and an unquoted field holds no
// quote, CR or LF. Empty optional on any breach.
std::optional<QList<QStringList>> ParseCsvStrictly(const QByteArray &bytes)
{
    QList<QStringList> records;
    QStringList fields;
    qsizetype i = 0;
    const qsizetype n = bytes.size();
    while (i < n) {
        QByteArray field;
        if (bytes[i] == '"') {
            for (++i;; ++i) {
                if (i >= n)
                    return {};
                if (bytes[i] == '"') {
                    if (i + 1 < n && bytes[i + 1] == '"') {
                        field += '"';
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += bytes[i];
            }
        } else {
            while (i < n && bytes[i] != ',' && bytes[i] != '\r') {
                if (bytes[i] == '"' || bytes[i] == '\n')
                    return {};
                field += bytes[i++];
            }
        }
        const QString text = QString::fromUtf8(field);
        if (text.toUtf8() != field) // not valid UTF-8
            return {};
        fields << text;
        if (i < n && bytes[i] == ',') {
            ++i;
            if (i == n)
                return {};
            continue;
        }
        if (i + 1 >= n || bytes[i] != '\r' || bytes[i + 1] != '\n')
            return {};
        i += 2;
        records << fields;
        fields.clear();
    }
    return records;
}

} // namespace

class tst_CsvWriter : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // Central European time (+01:00 in winter, +02:00 in summer) without the zone database.
        qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
        ::tzset();
    }

    // A log with several units, the over-range marker, statistics on and off, milliseconds and
    // both offsets: every row reads back strictly and gives back the sample's time, value and
    // unit; the rows' exact text is fixed.
    void rowsReadBack_data()
    {
        QTest::addColumn<Sample>("sample");
        QTest::addColumn<QByteArray>("row");
        const float off = NoValueMarker;
        const QDate winter(2026, 12, 6);
        QTest::newRow("volts, milliseconds")
            << Sample{1.234f, winter, QTime(14, 3, 27, 250), u"DCV"_qs, 3, 0, 0, off, off}
            << QByteArray("2026-12-06T14:03:27.250+01:00,1.234,DCV,false,,");
        QTest::newRow("negative millivolts, average")
            << Sample{-12.5f, winter, QTime(14, 3, 27, 500), u"ACmV"_qs, 1, 0, -1, -3.25f, off}
            << QByteArray("2026-12-06T14:03:27.500+01:00,-12.5,ACmV,false,-3.25,");
        QTest::newRow("kilo-ohms, whole seconds, Rel")
            << Sample{0.5f, winter, QTime(14, 3, 28), u"KΩ"_qs, 2, -1, 0, off, 1.2f}
            << QByteArray("2026-12-06T14:03:28.000+01:00,0.50,KΩ,false,,1.2");
        QTest::newRow("microfarads in summer")
            << Sample{3.3f, QDate(2026, 7, 1), QTime(0, 0, 0, 5), u"μF"_qs, 3, 0, 0, 2.0f, 0.0f}
            << QByteArray("2026-07-01T00:00:00.005+02:00,3.300,μF,false,2,0");
        QTest::newRow("over range")
            << Sample{4000.0f, winter, QTime(23, 59, 59, 999), u"DCV"_qs, 3, 0, 0, off, off}
            << QByteArray("2026-12-06T23:59:59.999+01:00,4000.000,DCV,true,,");
        QTest::newRow("no unit, no decimals")
            << Sample{-7.0f, winter, QTime(1, 2, 3), QString(), 0, 0, 0, off, off}
            << QByteArray("2026-12-06T01:02:03.000+01:00,-7,,false,,");
        QTest::newRow("unit with a comma and a quote")
            << Sample{2.0f, winter, QTime(1, 2, 4), u"a,\"b"_qs, 0, 0, 0, off, off}
            << QByteArray("2026-12-06T01:02:04.000+01:00,2,\"a,\"\"b\",false,,");
    }
    void rowsReadBack()
    {
        QFETCH(Sample, sample);
        QFETCH(QByteArray, row);
        // The row's sample follows two others, so the file has a header and several rows.
        SampleLog log;
        log.Append({1.0f, QDate(2026, 1, 1), QTime(0, 0), u"DCA"_qs, 2, 0, 0, NoValueMarker,
                    NoValueMarker});
        log.Append({5.0f, QDate(2026, 1, 1), QTime(0, 0, 1), u"Hz"_qs, 1, 0, 0, NoValueMarker,
                    NoValueMarker});
        log.Append(sample);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"out.csv"_qs);
        QVERIFY(SaveCsvFile(path, log, log.SampleCount).ok);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.endsWith(row + "\r\n"));

        const auto records = ParseCsvStrictly(bytes);
        QVERIFY(records);
        QCOMPARE(records->size(), 4);
        QCOMPARE(records->first(),
                 QStringList({u"time"_qs, u"value"_qs, u"unit"_qs, u"over_range"_qs, u"average"_qs,
                              u"rel_reference"_qs}));
        for (qint32 i = 0; i < log.SampleCount; ++i) {
            const QStringList &fields = records->at(i + 1);
            QCOMPARE(fields.size(), 6);
            const QDateTime time = QDateTime::fromString(fields[0], Qt::ISODateWithMs);
            const Sample s = log.At(i);
            QCOMPARE(time, QDateTime(s.date, s.time));
            QCOMPARE(fields[1].toFloat(), s.value);
            QCOMPARE(fields[2], s.unit);
        }
    }

    void failedSaveNamesTheFile()
    {
        SampleLog log;
        const CsvSaveResult result = SaveCsvFile(u"/nonexistent-folder/out.csv"_qs, log, 0);
        QVERIFY(!result.ok);
        QVERIFY(result.error.startsWith(u"/nonexistent-folder/out.csv: "_qs));
    }
};

QTEST_GUILESS_MAIN(tst_CsvWriter)
#include "tst_csvwriter.moc"
