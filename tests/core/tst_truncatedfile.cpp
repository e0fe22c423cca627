// A file cut at every byte offset (a full disk, a copy broken off) loads every record whose line
// end it holds; a last record without its line end is left out as possibly cut, since what is
// left of it may still convert ("99999" cut to "99"), and the load says so.
#include "support/SampleRecords.h"

#include <QTest>

using namespace kst;
using namespace kst::test;

class TestTruncatedFile : public QObject {
    Q_OBJECT
private slots:
    void cutAtEveryOffset();
};

void TestTruncatedFile::cutAtEveryOffset()
{
    const Sample records[] = {
        {1.234f, {2000, 5, 4}, {10, 15, 30}, u"DCV"_qs, 3, -1, 0, 99999.0f, 99999.0f},
        {-0.5f, {2000, 5, 4}, {10, 15, 31}, u"KΩ"_qs, 1, 0, -1, 1.235f, 1.2f},
        {47.5f, {2000, 5, 5}, {0, 0, 0}, u"μF"_qs, 1, 0, 0, -12.75f, -399.9f},
        {4000.0f, {2026, 1, 9}, {23, 59, 59}, u""_qs, 2, -1, -1, 99999.0f, 0.00003333333f},
    };
    SampleLog log;
    for (const Sample &s : records)
        log.Append(s);
    const QByteArray whole = WriteBytes(log);

    for (qsizetype cut = 0; cut <= whole.size(); ++cut) {
        const QString where = QStringLiteral("cut at byte %1").arg(cut);
        // Records whose CR is kept load; bytes of a next record make the load stop there.
        qint32 expected = 0;
        qsizetype from = 0;
        while (expected < 4 && whole.indexOf('\r', from) < cut) {
            from = whole.indexOf('\r', from) + 2;
            ++expected;
        }
        const bool stopped = cut > std::min(from, whole.size());
        SampleLog back;
        const SampleFileReadResult result = ReadBytes(whole.left(cut), back);
        QVERIFY2(back.SampleCount == expected && result.recordsLoaded == expected,
                 qPrintable(where + QStringLiteral(": %1 loaded").arg(back.SampleCount)));
        QVERIFY2(result.complete == !stopped && result.lastRecordCut == stopped &&
                     result.stopLine == (stopped ? expected + 1 : 0) &&
                     result.wholeBytes == (stopped ? from : cut),
                 qPrintable(where + QStringLiteral(": stopped at %1").arg(result.stopLine)));
        QVERIFY2(WriteBytes(back) == WriteBytes(log, expected), qPrintable(where));
        qint32 lastMax = -1, lastMin = -1, lastAvg = -1;
        for (qint32 i = 0; i < expected; ++i) {
            lastMax = records[i].isMax ? i : lastMax;
            lastMin = records[i].isMin ? i : lastMin;
            lastAvg = records[i].avg != NoValueMarker ? i : lastAvg;
        }
        QVERIFY2(result.lastMaxIndex == lastMax && result.lastMinIndex == lastMin &&
                     result.lastAvgIndex == lastAvg,
                 qPrintable(where));
    }
}

QTEST_GUILESS_MAIN(TestTruncatedFile)
#include "tst_truncatedfile.moc"
