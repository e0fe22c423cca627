// A saved sample file cut at every byte offset, on disk, as a crash or a full disk leaves it:
// the complete records before the cut load exactly, a record cut before its last field is
// reported with its line and not loaded, and nothing after it loads.
//
// A cut inside the last field (the Rel reference) cannot be told from a file whose last line has
// no line end, which must load: the record loads with the number the shortened text gives, or is
// reported when that text is no number ("-", "1.2E").
#include "common/Numbers.h"
#include "files/SampleFile.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "support/SampleRecords.h"

using namespace kst;
using kst::test::Append;
using kst::test::Sample;

namespace {

const Sample Records[] = {
    {1.234f, {2000, 5, 4}, {10, 15, 30}, u"DCV"_qs, 3, -1, 0, 99999.0f, 99999.0f},
    {-0.5f, {2000, 5, 4}, {10, 15, 31}, u"KΩ"_qs, 1, 0, -1, 1.235f, 1.2f},
    {47.5f, {2000, 5, 5}, {0, 0, 0}, u"μF"_qs, 1, 0, 0, -12.75f, -399.9f},
    {4000.0f, {2026, 1, 9}, {23, 59, 59}, u""_qs, 2, -1, -1, 99999.0f, 0.00003333333f},
    {2.0f, {2026, 1, 9}, {9, 5, 7}, u"ACmA"_qs, 0, 0, 0, 1.5f, 0.0f},
};
constexpr qint32 RecordCount = qint32(std::size(Records));

SampleLog MakeLog()
{
    SampleLog log;
    for (const Sample &s : Records)
        Append(log, s);
    return log;
}

// Where a record lies in the file.
struct Layout {
    qsizetype start;          // first byte
    qsizetype lastFieldStart; // first byte of the Rel reference
    qsizetype lineEnd;        // the CR
};

bool IsNumberText(const QByteArray &text)
{
    static const QRegularExpression number(
        QStringLiteral(R"(^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$)"));
    return number.match(QString::fromLatin1(text)).hasMatch();
}

} // namespace

class TestTruncatedFile : public QObject {
    Q_OBJECT
private slots:
    void cutAtEveryOffset();
};

void TestTruncatedFile::cutAtEveryOffset()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("cut.mas"));
    const SampleLog log = MakeLog();
    QVERIFY(SaveSampleFile(path, log, log.SampleCount).ok);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray whole = file.readAll();
    file.close();

    QList<Layout> layout;
    for (qsizetype from = 0; from < whole.size();) {
        const qsizetype end = whole.indexOf("\r\n", from);
        QVERIFY(end > from);
        layout << Layout{from, whole.lastIndexOf(',', end) + 1, end};
        from = end + 2;
    }
    QCOMPARE(layout.size(), RecordCount);

    for (qsizetype cut = 0; cut <= whole.size(); ++cut) {
        const QString where = QStringLiteral("cut at byte %1").arg(cut);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(whole.left(cut)), cut);
        file.close();

        // What must load: every record whose line is whole, and a record cut inside its last
        // field when what is left of that field is a number.
        qint32 expected = 0;
        qint64 stopLine = 0;
        float shortenedRelRef = 0;
        bool lastShortened = false;
        for (qint32 r = 0; r < RecordCount; ++r) {
            const Layout &at = layout[r];
            if (cut >= at.lineEnd) {
                ++expected;
            } else if (cut > at.lastFieldStart) {
                const QByteArray rest = whole.mid(at.lastFieldStart, cut - at.lastFieldStart);
                if (IsNumberText(rest)) {
                    ++expected;
                    lastShortened = true;
                    shortenedRelRef = rest.toFloat();
                } else {
                    stopLine = r + 1;
                }
                break;
            } else {
                if (cut > at.start)
                    stopLine = r + 1;
                break;
            }
        }

        SampleLog back;
        const SampleFileReadResult result = LoadSampleFile(path, back);
        QVERIFY2(back.SampleCount == expected && result.recordsLoaded == expected,
                 qPrintable(where + QStringLiteral(": %1 records loaded, %2 expected")
                                        .arg(back.SampleCount)
                                        .arg(expected)));
        QVERIFY2(result.complete == (stopLine == 0), qPrintable(where));
        QVERIFY2(result.stopLine == stopLine,
                 qPrintable(where + QStringLiteral(": stopped at %1").arg(result.stopLine)));
        QVERIFY2(result.complete || !result.stopReason.isEmpty(), qPrintable(where));

        qint32 lastMax = -1, lastMin = -1, lastAvg = -1;
        for (qint32 i = 0; i < expected; ++i) {
            const Sample &s = Records[i];
            const size_t k = size_t(i);
            const QString record = where + QStringLiteral(", record %1").arg(i);
            QVERIFY2(SingleText(back.SampleValue[k]) == SingleText(s.value), qPrintable(record));
            QVERIFY2(back.SampleDate[k] == s.date && back.SampleTime[k] == s.time,
                     qPrintable(record));
            QVERIFY2(back.SampleUnit[k] == s.unit, qPrintable(record));
            QVERIFY2(back.SampleDecimals[k] == s.decimals && back.SampleIsMax[k] == s.isMax &&
                         back.SampleIsMin[k] == s.isMin,
                     qPrintable(record));
            QVERIFY2(SingleText(back.SampleAvg[k]) == SingleText(s.avg), qPrintable(record));
            const float relRef = lastShortened && i == expected - 1 ? shortenedRelRef : s.relRef;
            QVERIFY2(SingleText(back.SampleRelRef[k]) == SingleText(relRef), qPrintable(record));
            if (s.isMax)
                lastMax = i;
            if (s.isMin)
                lastMin = i;
            if (s.avg != NoValueMarker)
                lastAvg = i;
        }
        QVERIFY2(result.lastMaxIndex == lastMax && result.lastMinIndex == lastMin &&
                     result.lastAvgIndex == lastAvg,
                 qPrintable(where));
    }
}

QTEST_GUILESS_MAIN(TestTruncatedFile)
#include "tst_truncatedfile.moc"
