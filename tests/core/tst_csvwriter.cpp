#include "files/CsvFileAppender.h"
#include "files/CsvWriter.h"

#include "common/DateTimeText.h"
#include "common/Numbers.h"
#include "meter/ReadingExport.h"
#include "support/SampleRecords.h"

#include <QDateTime>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <ctime>

using namespace kst;

Q_DECLARE_METATYPE(kst::CsvFormat)

namespace {

constexpr float Off = NoValueMarker;

// A log with several units, the over-range marker, statistics on and off, milliseconds, both
// offsets, the hour skipped in spring, a unit that must be quoted, one with a control character
// that reads as a formula, and a negative value that rounds to zero.
void FillVaried(SampleLog &log)
{
    const QDate winter(2026, 12, 6), spring(2026, 3, 29);
    log.Append({1.234f, winter, QTime(14, 3, 27, 250), u"DCV"_qs, 3, 0, 0, Off, Off});
    log.Append({-12.5f, winter, QTime(14, 3, 27, 500), u"ACmV"_qs, 1, 0, -1, -3.25f, Off});
    log.Append({0.5f, winter, QTime(14, 3, 28), u"KΩ"_qs, 2, -1, 0, Off, 1.2f});
    log.Append({3.3f, QDate(2026, 7, 1), QTime(0, 0, 0, 5), u"μF"_qs, 3, 0, 0, 2.0f, 0.0f});
    log.Append({4000.0f, winter, QTime(23, 59, 59, 999), u"DCV"_qs, 3, 0, 0, Off, Off});
    log.Append({2.0f, winter, QTime(1, 2, 4), u"a,\"b"_qs, 0, 0, 0, Off, Off});
    log.Append({1.5f, spring, QTime(2, 30), u"=1+\u00012"_qs, 1, 0, 0, Off, Off});
    log.Append({-0.04f, spring, QTime(3, 0), u"-5"_qs, 1, 0, 0, Off, Off});
}

ByteSink Into(QByteArray &bytes)
{
    return [&bytes](const char *data, qint64 size) {
        bytes.append(data, size);
        return Status();
    };
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

    // The file's exact bytes in each form.
    void exactBytes_data()
    {
        QTest::addColumn<CsvFormat>("format");
        QTest::addColumn<QByteArray>("bytes");
        // Gaps where the times jump ahead by more than two seconds (after 00:00:00.005 to
        // December, after the skipped 02:30 to 03:00); a marker before the first sample at or
        // after its time, its comma quoted where the comma separates.
        QTest::newRow("for programs")
            << CsvFormat()
            << QByteArray("time,value,unit,over_range,average,rel_reference,note\r\n"
                          "2026-12-06T14:03:27.250+01:00,1.234,DCV,false,,,\r\n"
                          "2026-12-06T14:03:27.400+01:00,,,,,,\"marker: R5, 4.7 kΩ\"\r\n"
                          "2026-12-06T14:03:27.500+01:00,-12.5,ACmV,false,-3.25,,\r\n"
                          "2026-12-06T14:03:28.000+01:00,0.50,KΩ,false,,1.2,\r\n"
                          "2026-07-01T00:00:00.005+02:00,3.300,μF,false,2,0,\r\n"
                          "2026-07-01T00:00:00.005+02:00,,,,,,gap: link lost\r\n"
                          "2026-12-06T23:59:59.999+01:00,4000.000,DCV,true,,,\r\n"
                          "2026-12-06T01:02:04.000+01:00,2,\"a,\"\"b\",false,,,\r\n"
                          "2026-03-29T03:30:00.000+02:00,1.5,=1+2,false,,,\r\n"
                          "2026-03-29T03:30:00.000+02:00,,,,,,gap: no samples\r\n"
                          "2026-03-29T03:00:00.000+02:00,0.0,-5,false,,,\r\n");
        QTest::newRow("for spreadsheets, German")
            << CsvFormat{CsvForm::Spreadsheet, QLocale(QLocale::German, QLocale::Germany)}
            << QByteArray("\xEF\xBB\xBFtime;value;unit;over_range;average;rel_reference;note\r\n"
                          "2026-12-06 14:03:27,250;1,234;DCV;false;;;\r\n"
                          "2026-12-06 14:03:27,400;;;;;;marker: R5, 4.7 kΩ\r\n"
                          "2026-12-06 14:03:27,500;-12,5;ACmV;false;-3,25;;\r\n"
                          "2026-12-06 14:03:28,000;0,50;KΩ;false;;1,2;\r\n"
                          "2026-07-01 00:00:00,005;3,300;μF;false;2;0;\r\n"
                          "2026-07-01 00:00:00,005;;;;;;gap: link lost\r\n"
                          "2026-12-06 23:59:59,999;4000,000;DCV;true;;;\r\n"
                          "2026-12-06 01:02:04,000;2;\"a,\"\"b\";false;;;\r\n"
                          "2026-03-29 03:30:00,000;1,5;'=1+2;false;;;\r\n"
                          "2026-03-29 03:30:00,000;;;;;;gap: no samples\r\n"
                          "2026-03-29 03:00:00,000;0,0;-5;false;;;\r\n");
    }

    void exactBytes()
    {
        QFETCH(CsvFormat, format);
        QFETCH(QByteArray, bytes);
        SampleLog log;
        FillVaried(log);
        log.NoteGap(4, u"link lost"_qs);
        const MarkerList markers{{QDate(2026, 12, 6), QTime(14, 3, 27, 400), u"R5, 4.7 kΩ"_qs}};
        QTemporaryDir dir;
        const QString path = dir.filePath(u"out.csv"_qs);
        QCOMPARE(
            SaveCsvFile(path, {{QString(), &log, log.SampleCount}}, format, {}, markers).Value(),
            ExportEnd::Written);
        QCOMPARE(test::FileBytes(path), bytes);
    }

    // Every 7 minutes and 1 second of a year, through both clock changes: each row's time and
    // value are what QDateTime and the plain value text give; in the skipped hour, the time an
    // hour later.
    void yearOfRows()
    {
        SampleLog log;
        const QDateTime start(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC);
        for (int i = 0; i < 75000; ++i) {
            const QDateTime wall = start.addSecs(qint64(i) * 421).addMSecs(i % 1000);
            log.Append({float(i % 8000 - 4000) / 1000.0f, wall.date(), wall.time(), u"DCV"_qs,
                        qint16(i % 4), 0, 0, Off, Off});
        }
        QByteArray bytes;
        QVERIFY(WriteCsv(Into(bytes), log, log.SampleCount).Ok());
        QList<QByteArray> rows = bytes.split('\n');
        // Seven minutes apart, each sample follows a gap.
        QCOMPARE(
            rows.removeIf([](const QByteArray &row) { return row.endsWith(",gap: no samples\r"); }),
            log.SampleCount - 1);
        QCOMPARE(rows.size(), log.SampleCount + 2);
        int skipped = 0;
        for (qint32 i = 0; i < log.SampleCount; ++i) {
            const Sample s = log.At(i);
            QDateTime when(s.date, s.time);
            if (!when.isValid()) {
                when = QDateTime(s.date, s.time.addSecs(3600));
                ++skipped;
            }
            const QByteArray row = (IsoTimestampText(when) + u',' +
                                    PlainValueText(s.value, s.decimals) + u",DCV,false,,,\r"_qs)
                                       .toLatin1();
            QVERIFY2(rows[i + 1] == row, rows[i + 1].constData());
        }
        QVERIFY(skipped >= 8); // an hour of rows 421 s apart
    }

    // Progress every 8192 rows; a cancel keeps the old file.
    // Several meters in one tidy file: the meter's name after the time, rows in time order
    // across the meters; one meter alone gives the single meter's file.
    void severalMeters()
    {
        SampleLog a, b;
        const QDate day(2026, 12, 6);
        a.Append({1.0f, day, QTime(10, 0, 0), u"DCV"_qs, 1, 0, 0, Off, Off});
        a.Append({2.0f, day, QTime(10, 0, 2), u"DCV"_qs, 1, 0, 0, Off, Off});
        a.Append({3.0f, day, QTime(10, 0, 5), u"DCV"_qs, 1, 0, 0, Off, Off});
        b.Append({0.25f, day, QTime(10, 0, 1), u"DCA"_qs, 2, 0, 0, Off, Off});
        b.Append({0.5f, day, QTime(10, 0, 2), u"DCA"_qs, 2, 0, 0, Off, Off});
        const MarkerList marker{{day, QTime(10, 0, 3), u"fan on"_qs}};
        QByteArray both, one, single;
        QVERIFY(
            WriteCsv(Into(both), {{u"psu"_qs, &a, 3}, {u"load"_qs, &b, 2}}, {}, {}, marker).Ok());
        QCOMPARE(both, QByteArray("time,meter,value,unit,over_range,average,rel_reference,note\r\n"
                                  "2026-12-06T10:00:00.000+01:00,psu,1.0,DCV,false,,,\r\n"
                                  "2026-12-06T10:00:01.000+01:00,load,0.25,DCA,false,,,\r\n"
                                  "2026-12-06T10:00:02.000+01:00,psu,2.0,DCV,false,,,\r\n"
                                  "2026-12-06T10:00:02.000+01:00,load,0.50,DCA,false,,,\r\n"
                                  "2026-12-06T10:00:02.000+01:00,psu,,,,,,gap: no samples\r\n"
                                  "2026-12-06T10:00:03.000+01:00,,,,,,marker: fan on\r\n"
                                  "2026-12-06T10:00:05.000+01:00,psu,3.0,DCV,false,,,\r\n"));
        QVERIFY(WriteCsv(Into(one), {{u"psu"_qs, &a, 2}}).Ok());
        QVERIFY(WriteCsv(Into(single), a, 2).Ok());
        QCOMPARE(one, single);
    }

    void progressAndCancel()
    {
        SampleLog log;
        test::FillLog(log, 20000);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"out.csv"_qs);
        QVERIFY(test::WriteFile(path, "old"));
        QList<qint32> seen;
        const auto stopAt = [&](qint32 last) {
            return [&seen, last](qint32 done, qint32 total) {
                seen << done;
                return total == 20000 && done < last;
            };
        };
        QCOMPARE(SaveCsvFile(path, log, 20000, {}, stopAt(16384)).Value(), ExportEnd::Cancelled);
        QCOMPARE(seen, (QList<qint32>{8192, 16384}));
        QCOMPARE(test::FileBytes(path), QByteArray("old"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{u"out.csv"_qs});
        seen.clear();
        QCOMPARE(SaveCsvFile(path, log, 20000, {}, stopAt(20001)).Value(), ExportEnd::Written);
        QCOMPARE(seen, (QList<qint32>{8192, 16384, 20000}));
        QCOMPARE(test::FileBytes(path).count('\n'), 20001);
    }

    void appenderContinues_data()
    {
        // The form; the file before; the file after one more row is appended (empty: refused);
        // the notice.
        QTest::addColumn<CsvFormat>("format");
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QString>("notice");
        const CsvFormat german{CsvForm::Spreadsheet, QLocale(QLocale::German, QLocale::Germany)};
        for (const CsvFormat &format : {CsvFormat(), german}) {
            const bool iso = format.form == CsvForm::Iso;
            const char *name = iso ? "programs" : "German spreadsheets";
            const QByteArray header = CsvWriter::HeaderRow(format);
            const QByteArray row = iso ? "2026-12-06T14:03:27.250+01:00,1.234,DCV,false,,,\r\n"
                                       : "2026-12-06 14:03:27,250;1,234;DCV;false;;;\r\n";
            const QByteArray next = CsvWriter::Row(test::PlainSample(1), format);
            CsvFormat earlier = format;
            earlier.notes = false;
            const QByteArray earlierHeader = CsvWriter::HeaderRow(earlier);
            const QByteArray earlierRow = row.chopped(3) + "\r\n";
            QTest::addRow("%s: new file", name)
                << format << QByteArray() << header + next << QString();
            QTest::addRow("%s: whole rows", name)
                << format << header + row << header + row + next << QString();
            QTest::addRow("%s: last row whole, no line end", name)
                << format << header + row.chopped(2) << header + row + next << QString();
            QTest::addRow("%s: last row whole, its CR only", name)
                << format << header + row.chopped(1) << header + row + next << QString();
            QTest::addRow("%s: last row cut", name)
                << format << header + row + row.left(row.size() - 9) << header + row + next
                << u"the last row had no line end and was cut off; it was removed"_qs;
            QTest::addRow("%s: a note without its line end may be cut", name)
                << format
                << header + row + CsvWriter(format).NoteRowOf({}, {}, u"gap: li"_qs).chopped(2)
                << header + row + next
                << u"the last row had no line end and was cut off; it was removed"_qs;
            // A file of the form before the note column goes on in that form.
            QTest::addRow("%s: the earlier form", name)
                << format << earlierHeader + earlierRow.chopped(2)
                << earlierHeader + earlierRow + CsvWriter::Row(test::PlainSample(1), earlier)
                << QString();
            // The other form's file is not continued in this one.
            QTest::addRow("%s: not this form", name)
                << format << CsvWriter::HeaderRow(iso ? german : CsvFormat()) << QByteArray()
                << u"not a CSV file of kst-log in this form; choose another file"_qs;
        }
    }

    void appenderContinues()
    {
        QFETCH(CsvFormat, format);
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QFETCH(QString, notice);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"run.csv"_qs);
        if (!before.isEmpty())
            QVERIFY(test::WriteFile(path, before));
        CsvFileAppender appender(format);
        const Result<QString> opened = appender.Open(path);
        QCOMPARE(opened ? *opened : opened.Reason(),
                 notice.isEmpty() ? notice : path + u": "_qs + notice);
        if (opened)
            QVERIFY(appender.Append(test::PlainSample(1)).Ok());
        QCOMPARE(test::FileBytes(path), after.isEmpty() ? before : after);
    }

    // A gap the recording noted goes in the same write as its sample, at the time of the sample
    // appended before.
    void appenderWritesTheGap()
    {
        SampleLog log;
        test::FillLog(log, 2);
        log.NoteGap(1, u"link lost"_qs);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"run.csv"_qs);
        CsvFileAppender appender;
        QVERIFY(appender.Open(path).Ok());
        QVERIFY(appender.Append(log, 0).Ok() && appender.Append(log, 1).Ok());
        QCOMPARE(test::FileBytes(path),
                 CsvWriter::HeaderRow() + CsvWriter::Row(log.At(0)) +
                     "2000-05-04T10:00:00.000+02:00,,,,,,gap: link lost\r\n" +
                     CsvWriter::Row(log.At(1)));
    }
};

QTEST_GUILESS_MAIN(tst_CsvWriter)
#include "tst_csvwriter.moc"
