// Inputs the fuzzers found to break a rule, kept as data rows so the fault stays fixed. Each row
// is read, what loaded is saved and read again, and the second load must give the same records
// and read completely.
#include "support/SampleRecords.h"

#include <QTest>

using namespace kst;
using namespace kst::test;

class TestFuzzRegressions : public QObject {
    Q_OBJECT
private slots:
    void sampleFileLoadsWhatItCanSave_data();
    void sampleFileLoadsWhatItCanSave();
};

void TestFuzzRegressions::sampleFileLoadsWhatItCanSave_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("records");
    QTest::addColumn<qint64>("stopLine"); // 0: read completely
    QTest::addColumn<QString>("unitOfLast");

    // A quote inside an unquoted unit used to load; the save wrote it between quotes, and that
    // file stopped loading at the record (everything after it was lost on the next load).
    QTest::newRow("quote inside an unquoted unit (fuzz crash-006d0741)")
        << QByteArray("  1.5 , #2026-01-09# ,#09:05:07#, DC\"mV ,1,#true#,#false#,-2,0\n\r\n"
                      "2,#2026-01-09#,#09:05:08#,\"ACmV\"\n0,#FALSE#,#TRUE#,1.5,0")
        << 0 << qint64(1) << QString();
    QTest::newRow("quote inside an unquoted unit, second record")
        << QByteArray("2,#2026-01-09#,#09:05:08#,\"ACmV\",0,#FALSE#,#TRUE#,1.5,0\r\n"
                      "1.5,#2026-01-09#,#09:05:09#,DC\"mV,1,#TRUE#,#FALSE#,-2,0\r\n")
        << 1 << qint64(2) << u"ACmV"_qs;
    QTest::newRow("quote at the end of an unquoted unit")
        << QByteArray("1.5,#2026-01-09#,#09:05:09#,mV\" ,1,#TRUE#,#FALSE#,-2,0\r\n") << 0
        << qint64(1) << QString();
    QTest::newRow("quoted unit with a quote inside")
        << QByteArray("1.5,#2026-01-09#,#09:05:09#,\"DC\"mV\",1,#TRUE#,#FALSE#,-2,0\r\n") << 0
        << qint64(1) << QString();
    // A unit too long to be written back inside a record's line limit.
    QTest::newRow("unit of 65 letters")
        << QByteArray("1.5,#2026-01-09#,#09:05:09#,\"" + QByteArray(65, 'x') +
                      "\",1,#TRUE#,#FALSE#,-2,0\r\n")
        << 0 << qint64(1) << QString();
    // Still fine: unquoted units without quotes, trimmed; quoted units keep their blanks.
    QTest::newRow("unquoted unit without quotes")
        << QByteArray("1.5,#2026-01-09#,#09:05:09#,  DCmV  ,1,#TRUE#,#FALSE#,-2,0\r\n") << 1
        << qint64(0) << u"DCmV"_qs;
    QTest::newRow("quoted unit with blanks")
        << QByteArray("1.5,#2026-01-09#,#09:05:09#,\" DC mV \",1,#TRUE#,#FALSE#,-2,0\r\n") << 1
        << qint64(0) << u" DC mV "_qs;
    QTest::newRow("unit of 64 Windows-1252 letters, three UTF-8 bytes each")
        << QByteArray("1.5,#2026-01-09#,#09:05:09#,\"" + QByteArray(64, '\x80') +
                      "\",1,#TRUE#,#FALSE#,-2,0\r\n")
        << 1 << qint64(0) << QString(64, QChar(0x20AC));
}

void TestFuzzRegressions::sampleFileLoadsWhatItCanSave()
{
    QFETCH(QByteArray, input);
    QFETCH(int, records);
    QFETCH(qint64, stopLine);
    QFETCH(QString, unitOfLast);

    SampleLog loaded;
    const SampleFileReadResult first = ReadBytes(input, loaded);
    QCOMPARE(loaded.SampleCount, records);
    QCOMPARE(first.stopLine, stopLine);
    QCOMPARE(first.complete, stopLine == 0);
    if (stopLine != 0)
        QCOMPARE(first.stopReason, u"the unit field is not valid"_qs);
    if (records > 0)
        QCOMPARE(loaded.SampleUnit(records - 1), unitOfLast);

    SampleLog again;
    const SampleFileReadResult second = ReadBytes(WriteBytes(loaded), again);
    QVERIFY2(second.complete, qPrintable(second.stopReason));
    QCOMPARE(again.SampleCount, loaded.SampleCount);
    for (qint32 i = 0; i < loaded.SampleCount; ++i)
        QVERIFY(again.At(i) == loaded.At(i));
}

QTEST_GUILESS_MAIN(TestFuzzRegressions)
#include "tst_fuzzregressions.moc"
