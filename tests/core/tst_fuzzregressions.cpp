// Inputs the fuzzers found to break a rule, kept as data rows so the fault stays fixed. Each
// sample-file row is read, what loaded is saved and read again, and the second load must give
// the same records and read completely.
#include "files/SampleFile.h"

#include <QBuffer>
#include <QTest>

using namespace kst;

namespace {

SampleFileReadResult Read(const QByteArray &bytes, SampleLog &log)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return ReadSampleFile(buffer, log);
}

QByteArray Write(const SampleLog &log)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    WriteSampleFile(buffer, log, log.SampleCount);
    return bytes;
}

} // namespace

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
    // Still fine: unquoted units without quotes, trimmed; quoted units keep their blanks.
    QTest::newRow("unquoted unit without quotes")
        << QByteArray("1.5,#2026-01-09#,#09:05:09#,  DCmV  ,1,#TRUE#,#FALSE#,-2,0\r\n") << 1
        << qint64(0) << u"DCmV"_qs;
    QTest::newRow("quoted unit with blanks")
        << QByteArray("1.5,#2026-01-09#,#09:05:09#,\" DC mV \",1,#TRUE#,#FALSE#,-2,0\r\n") << 1
        << qint64(0) << u" DC mV "_qs;
    QTest::newRow("unquoted unit with a comma-free apostrophe")
        << QByteArray("1.5,#2026-01-09#,#09:05:09#,DC'mV,1,#TRUE#,#FALSE#,-2,0\r\n") << 1
        << qint64(0) << u"DC'mV"_qs;
}

void TestFuzzRegressions::sampleFileLoadsWhatItCanSave()
{
    QFETCH(QByteArray, input);
    QFETCH(int, records);
    QFETCH(qint64, stopLine);
    QFETCH(QString, unitOfLast);

    SampleLog loaded;
    const SampleFileReadResult first = Read(input, loaded);
    QCOMPARE(loaded.SampleCount, records);
    QCOMPARE(first.stopLine, stopLine);
    QCOMPARE(first.complete, stopLine == 0);
    if (stopLine != 0)
        QCOMPARE(first.stopReason, u"the unit field is not valid"_qs);
    if (records > 0)
        QCOMPARE(loaded.SampleUnit[size_t(records - 1)], unitOfLast);

    SampleLog again;
    const SampleFileReadResult second = Read(Write(loaded), again);
    QVERIFY2(second.complete, qPrintable(second.stopReason));
    QCOMPARE(again.SampleCount, loaded.SampleCount);
    for (qint32 i = 0; i < loaded.SampleCount; ++i) {
        const size_t k = size_t(i);
        QCOMPARE(again.SampleUnit[k], loaded.SampleUnit[k]);
        QCOMPARE(again.SampleValue[k], loaded.SampleValue[k]);
        QCOMPARE(again.SampleDate[k], loaded.SampleDate[k]);
        QCOMPARE(again.SampleTime[k], loaded.SampleTime[k]);
        QCOMPARE(again.SampleIsMax[k], loaded.SampleIsMax[k]);
        QCOMPARE(again.SampleIsMin[k], loaded.SampleIsMin[k]);
        QCOMPARE(again.SampleAvg[k], loaded.SampleAvg[k]);
        QCOMPARE(again.SampleRelRef[k], loaded.SampleRelRef[k]);
    }
}

QTEST_GUILESS_MAIN(TestFuzzRegressions)
#include "tst_fuzzregressions.moc"
