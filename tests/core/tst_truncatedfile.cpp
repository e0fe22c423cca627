// A file cut at every byte offset (a full disk, a copy broken off) loads every whole record, a
// record cut inside its last field when what is left is still a number, and reports where it
// stopped otherwise.
#include "support/SampleRecords.h"

#include <QRegularExpression>
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
    static const QRegularExpression number(QStringLiteral(R"(^-?\d+\.?\d*(E[+-]?\d+)?$)"));

    for (qsizetype cut = 0; cut <= whole.size(); ++cut) {
        const QString where = QStringLiteral("cut at byte %1").arg(cut);
        // What must load, from where the records lie in the file.
        qint32 expected = 0;
        qint64 stopLine = 0;
        float lastRelRef = 0;
        for (qsizetype from = 0; from < whole.size(); ++expected) {
            const qsizetype lineEnd = whole.indexOf("\r\n", from);
            const qsizetype lastField = whole.lastIndexOf(',', lineEnd) + 1;
            if (cut >= lineEnd) {
                from = lineEnd + 2;
                lastRelRef = records[expected].relRef;
                continue;
            }
            const QString rest = QString::fromLatin1(whole.mid(lastField, cut - lastField));
            if (cut > lastField && number.match(rest).hasMatch()) {
                lastRelRef = rest.toFloat();
                ++expected;
            } else if (cut > from) {
                stopLine = expected + 1;
            }
            break;
        }

        SampleLog back;
        const SampleFileReadResult result = ReadBytes(whole.left(cut), back);
        QVERIFY2(back.SampleCount == expected && result.recordsLoaded == expected,
                 qPrintable(where + QStringLiteral(": %1 loaded").arg(back.SampleCount)));
        QVERIFY2(result.stopLine == stopLine && result.complete == (stopLine == 0),
                 qPrintable(where + QStringLiteral(": stopped at %1").arg(result.stopLine)));
        QVERIFY2(result.complete || !result.stopReason.isEmpty(), qPrintable(where));
        // The records, the last one with what is left of its last field, written alike.
        SampleLog want;
        qint32 lastMax = -1, lastMin = -1, lastAvg = -1;
        for (qint32 i = 0; i < expected; ++i) {
            Sample s = records[i];
            if (i == expected - 1)
                s.relRef = lastRelRef;
            want.Append(s);
            lastMax = s.isMax ? i : lastMax;
            lastMin = s.isMin ? i : lastMin;
            lastAvg = s.avg != NoValueMarker ? i : lastAvg;
        }
        QVERIFY2(WriteBytes(back) == WriteBytes(want), qPrintable(where));
        QVERIFY2(result.lastMaxIndex == lastMax && result.lastMinIndex == lastMin &&
                     result.lastAvgIndex == lastAvg,
                 qPrintable(where));
    }
}

QTEST_GUILESS_MAIN(TestTruncatedFile)
#include "tst_truncatedfile.moc"
