#include "common/Numbers.h"
#include "files/SampleFile.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include "support/SampleRecords.h"
#include <QThread>
#include <cmath>
#include <csignal>
#include <cstring>
#include <sys/resource.h>

using namespace kst;
using kst::test::Append;
using kst::test::At;
using kst::test::Sample;

namespace {

QByteArray Write(const SampleLog &log, qint32 count)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const SampleFileWriteResult result = WriteSampleFile(buffer, log, count);
    if (!result.ok || result.recordsWritten != std::min(count, log.SampleCount))
        qWarning() << "write failed" << result.error;
    return bytes;
}

SampleFileReadResult Read(const QByteArray &bytes, SampleLog &log)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return ReadSampleFile(buffer, log);
}

// A log of n varied samples: values, units with Greek letters, flags, averages and references.
SampleLog MakeLog(qint32 n)
{
    SampleLog log;
    const QString units[] = {u"DCV"_qs, u"KΩ"_qs, u"μF"_qs, u"DCμA"_qs, u""_qs};
    for (qint32 i = 0; i < n; ++i)
        Append(log, {float(i % 7 - 3) * 1.25f + float(i) / 1000.0f,
                     QDate(2000, 5, 4).addDays(i / 50), QTime(9, 5, 7).addSecs(i), units[i % 5],
                     qint16(i % 4), qint16(i % 3 == 0 ? -1 : 0), qint16(i % 5 == 1 ? -1 : 0),
                     i % 2 ? NoValueMarker : float(i) / 3.0f, i % 4 ? NoValueMarker : 1.2f});
    return log;
}

bool Same(const Sample &a, const Sample &b)
{
    return a.value == b.value && a.date == b.date && a.time == b.time && a.unit == b.unit &&
           a.decimals == b.decimals && a.isMax == b.isMax && a.isMin == b.isMin && a.avg == b.avg &&
           a.relRef == b.relRef;
}

} // namespace

Q_DECLARE_METATYPE(Sample)

// A sequential device handing out its bytes a few at a time, as a pipe or a slow disk may.
class TricklingDevice : public QIODevice {
public:
    TricklingDevice(QByteArray bytes, qint64 piece) : bytes_(std::move(bytes)), piece_(piece)
    {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 n = std::min({maxSize, piece_, qint64(bytes_.size()) - at_});
        std::memcpy(data, bytes_.constData() + at_, size_t(n));
        at_ += n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray bytes_;
    qint64 piece_;
    qint64 at_ = 0;
};

class TestSampleFile : public QObject {
    Q_OBJECT
private slots:
    void writesRecord_data();
    void writesRecord();
    void writtenNumbersMatchSingleText();
    void emptyLogWritesNothing();
    void readsRecord_data();
    void readsRecord();
    void readsInSmallPieces_data();
    void readsInSmallPieces();
    void roundTripAndCapacity_data();
    void roundTripAndCapacity();
    void readoutIndices_data();
    void readoutIndices();
    void stopsAtBadRecord_data();
    void stopsAtBadRecord();
    void truncatedFileKeepsCompleteRecords();
    void failedWriteIsReported();
    void failedSaveKeepsOldFile();
    void saveReplacesFile();
    void progressIsReported();
    void nextDefaultFileName();
    void loadedReadoutTexts_data();
    void loadedReadoutTexts();
};

void TestSampleFile::writesRecord_data()
{
    QTest::addColumn<Sample>("sample");
    QTest::addColumn<QByteArray>("line");
    const QDate may4(2000, 5, 4);
    QTest::newRow("new maximum, nothing running")
        << Sample{1.234f, may4, QTime(10, 15, 30), "DCV", 3, -1, 0, 99999.0f, 99999.0f}
        << QByteArray("1.234,#2000-05-04#,#10:15:30#,\"DCV\",3,#TRUE#,#FALSE#,99999,99999\r\n");
    QTest::newRow("average and Rel running")
        << Sample{1.236f, may4, QTime(10, 15, 31), "DCV", 3, -1, 0, 1.235f, 1.2f}
        << QByteArray("1.236,#2000-05-04#,#10:15:31#,\"DCV\",3,#TRUE#,#FALSE#,1.235,1.2\r\n");
    QTest::newRow("two digits everywhere")
        << Sample{2.0f, QDate(2026, 1, 9), QTime(9, 5, 7), "ACmV", 0, 0, -1, 1.5f, 0.0f}
        << QByteArray("2,#2026-01-09#,#09:05:07#,\"ACmV\",0,#FALSE#,#TRUE#,1.5,0\r\n");
    QTest::newRow("negative values")
        << Sample{-0.5f, may4, QTime(0, 0, 0), "DCmV", 1, 0, 0, -12.75f, -399.9f}
        << QByteArray("-0.5,#2000-05-04#,#00:00:00#,\"DCmV\",1,#FALSE#,#FALSE#,-12.75,-399.9\r\n");
    QTest::newRow("kilo-ohm in UTF-8")
        << Sample{3.999f, may4, QTime(23, 59, 59), u"KΩ"_qs, 3, 0, 0, 99999.0f, 99999.0f}
        << QByteArray(
               "3.999,#2000-05-04#,#23:59:59#,\"K\xCE\xA9\",3,#FALSE#,#FALSE#,99999,99999\r\n");
    QTest::newRow("microfarad in UTF-8")
        << Sample{47.5f, may4, QTime(12, 0, 1), u"μF"_qs, 1, 0, 0, 99999.0f, 99999.0f}
        << QByteArray("47.5,#2000-05-04#,#12:00:01#,\"\xCE\xBC"
                      "F\",1,#FALSE#,#FALSE#,99999,99999\r\n");
    QTest::newRow("over range, no unit")
        << Sample{4000.0f, may4, QTime(1, 2, 3), "", 2, 0, 0, 99999.0f, 99999.0f}
        << QByteArray("4000,#2000-05-04#,#01:02:03#,\"\",2,#FALSE#,#FALSE#,99999,99999\r\n");
    QTest::newRow("exponent forms")
        << Sample{0.00003333333f, may4, QTime(1, 2, 3), "DCA", 3, 0, 0, 12345680.0f, 0.0001f}
        << QByteArray("3.333333E-05,#2000-05-04#,#01:02:03#,\"DCA\",3,#FALSE#,#FALSE#,1.234568E+07,"
                      "0.0001\r\n");
}

void TestSampleFile::writesRecord()
{
    QFETCH(Sample, sample);
    QFETCH(QByteArray, line);
    SampleLog log;
    Append(log, sample);
    QCOMPARE(Write(log, 1), line);
    // And back: the line reads as the sample (values at the 7 digits they were written with).
    SampleLog back;
    const SampleFileReadResult result = Read(line, back);
    QVERIFY(result.complete);
    QCOMPARE(back.SampleCount, 1);
    const Sample read = At(back, 0);
    QCOMPARE(read.date, sample.date);
    QCOMPARE(read.time, sample.time);
    QCOMPARE(read.unit, sample.unit);
    QCOMPARE(read.isMax, sample.isMax);
    QCOMPARE(read.isMin, sample.isMin);
    QCOMPARE(SingleText(read.value), SingleText(sample.value));
    QCOMPARE(SingleText(read.avg), SingleText(sample.avg));
}

void TestSampleFile::writtenNumbersMatchSingleText()
{
    // The writer formats numbers without QString; it must agree with SingleText everywhere.
    QRandomGenerator random(1234);
    SampleLog log;
    QList<float> values = {0.1f,     0.0001f,    0.00009999999f, 9999999.0f, 10000000.0f,
                           1e-30f,   3.4e38f,    -1e-7f,         123456.7f,  0.5f,
                           99999.0f, 1234567.0f, 0.001f,         -0.0f,      4000.0f};
    for (int i = 0; i < 20000; ++i) {
        quint32 bits = random.generate();
        float f;
        std::memcpy(&f, &bits, sizeof f);
        if (std::isfinite(f))
            values << f;
        values << float(qint32(random.bounded(-40000, 40000))) / float(std::pow(10, i % 4));
    }
    for (float v : values)
        Append(log, {v, QDate(2000, 1, 1), QTime(0, 0), "V", 0, 0, 0, v, v});
    const QList<QByteArray> lines = Write(log, log.SampleCount).split('\n');
    QCOMPARE(lines.size(), values.size() + 1);
    for (qsizetype i = 0; i < values.size(); ++i) {
        const QByteArray expected = SingleText(values[i]).toLatin1();
        const QList<QByteArray> fields = lines[i].chopped(1).split(',');
        QVERIFY2(
            fields[0] == expected && fields[7] == expected && fields[8] == expected,
            qPrintable(QStringLiteral("%1: %2 vs %3")
                           .arg(double(values[i]), 0, 'g', 9)
                           .arg(QString::fromLatin1(fields[0]), QString::fromLatin1(expected))));
    }
}

void TestSampleFile::emptyLogWritesNothing()
{
    SampleLog log;
    QCOMPARE(Write(log, 0), QByteArray());
    SampleLog back;
    const SampleFileReadResult result = Read(QByteArray(), back);
    QVERIFY(result.complete);
    QCOMPARE(back.SampleCount, 0);
    QCOMPARE(back.UpperIndex(), 100);
}

void TestSampleFile::readsRecord_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Sample>("sample");
    const QDate may4(2000, 5, 4);
    QTest::newRow("no final line end")
        << QByteArray("1.234,#2000-05-04#,#10:15:30#,\"DCV\",3,#TRUE#,#FALSE#,99999,99999")
        << Sample{1.234f, may4, QTime(10, 15, 30), "DCV", 3, -1, 0, 99999.0f, 99999.0f};
    QTest::newRow("signs and exponents")
        << QByteArray("+1.5E+2,#2000-05-04#,#10:15:30#,\"DCV\",3,#FALSE#,#TRUE#,-2.5e-3,.5\r\n")
        << Sample{150.0f, may4, QTime(10, 15, 30), "DCV", 3, 0, -1, -0.0025f, 0.5f};
    QTest::newRow("blanks before fields, LF line end")
        << QByteArray(" 7,  #2000-05-04#, #10:15:30#,  \"DCV\" , 2 ,#TRUE#, #TRUE#,  1 ,2\n")
        << Sample{7.0f, may4, QTime(10, 15, 30), "DCV", 2, -1, -1, 1.0f, 2.0f};
    QTest::newRow("line end separates fields")
        << QByteArray("1\r\n#2000-05-04#,#10:15:30#\r\n\"DCV\",3,#FALSE#,#FALSE#,99999,99999\r\n")
        << Sample{1.0f, may4, QTime(10, 15, 30), "DCV", 3, 0, 0, 99999.0f, 99999.0f};
    QTest::newRow("single digit date and time parts")
        << QByteArray("1,#2000-5-4#,#9:5:7#,\"DCV\",3,#false#,#FALSE#,99999,99999\r\n")
        << Sample{1.0f, may4, QTime(9, 5, 7), "DCV", 3, 0, 0, 99999.0f, 99999.0f};
    QTest::newRow("UTF-8 micro and ohm")
        << QByteArray("1,#2000-05-04#,#10:15:30#,\"DC\xC2\xB5"
                      "A\",3,#FALSE#,#FALSE#,99999,99999\r\n")
        << Sample{1.0f, may4, QTime(10, 15, 30), u"DCμA"_qs, 3, 0, 0, 99999.0f, 99999.0f};
    QTest::newRow("UTF-8 Greek mu")
        << QByteArray("1,#2000-05-04#,#10:15:30#,\"\xCE\xBC"
                      "F\",3,#FALSE#,#FALSE#,99999,99999\r\n")
        << Sample{1.0f, may4, QTime(10, 15, 30), u"μF"_qs, 3, 0, 0, 99999.0f, 99999.0f};
    QTest::newRow("Windows-1252 micro sign")
        << QByteArray("1,#2000-05-04#,#10:15:30#,\"\xB5"
                      "F\",3,#FALSE#,#FALSE#,99999,99999\r\n")
        << Sample{1.0f, may4, QTime(10, 15, 30), u"μF"_qs, 3, 0, 0, 99999.0f, 99999.0f};
    QTest::newRow("Windows-1252 high bytes")
        << QByteArray(
               "1,#2000-05-04#,#10:15:30#,\"\x80\x99\xE9\",3,#FALSE#,#FALSE#,99999,99999\r\n")
        << Sample{1.0f, may4, QTime(10, 15, 30), u"€™é"_qs, 3, 0, 0, 99999.0f, 99999.0f};
    QTest::newRow("unquoted unit")
        << QByteArray("1,#2000-05-04#,#10:15:30#,DCV  ,3,#FALSE#,#FALSE#,99999,99999\r\n")
        << Sample{1.0f, may4, QTime(10, 15, 30), "DCV", 3, 0, 0, 99999.0f, 99999.0f};
}

void TestSampleFile::readsRecord()
{
    QFETCH(QByteArray, bytes);
    QFETCH(Sample, sample);
    SampleLog log;
    const SampleFileReadResult result = Read(bytes, log);
    QVERIFY2(result.complete, qPrintable(result.stopReason));
    QCOMPARE(result.recordsLoaded, 1);
    QCOMPARE(log.SampleCount, 1);
    const Sample read = At(log, 0);
    QCOMPARE(read.value, sample.value);
    QCOMPARE(read.date, sample.date);
    QCOMPARE(read.time, sample.time);
    QCOMPARE(read.unit, sample.unit);
    QCOMPARE(read.decimals, sample.decimals);
    QCOMPARE(read.isMax, sample.isMax);
    QCOMPARE(read.isMin, sample.isMin);
    QCOMPARE(read.avg, sample.avg);
    QCOMPARE(read.relRef, sample.relRef);
}

void TestSampleFile::readsInSmallPieces_data()
{
    QTest::addColumn<qint64>("piece");
    for (qint64 piece : {1, 2, 3, 7, 61, 4096})
        QTest::addRow("%lld bytes", piece) << piece;
}

void TestSampleFile::readsInSmallPieces()
{
    // Records cut anywhere by the device: line ends split between CR and LF, a Windows-1252 line,
    // a blank line, LF-only ends, a record over two lines, and a last line without its end.
    QFETCH(qint64, piece);
    const SampleLog log = MakeLog(40);
    const QByteArray bytes =
        Write(log, log.SampleCount) +
        "5,#2000-05-04#,#10:15:30#,\"\xB5"
        "F\",3,#FALSE#,#FALSE#,99999,99999\r\n\r\n" +
        "6,#2000-05-04#,#10:15:31#,\"\xCE\xBC"
        "F\",3,#TRUE#,#FALSE#,1,2\n" +
        "7,#2000-05-04#\r\n#10:15:32#,\"K\xCE\xA9\",3,#FALSE#,#TRUE#,-1E-3,+2.5";
    SampleLog whole, pieces;
    const SampleFileReadResult expected = Read(bytes, whole);
    TricklingDevice device(bytes, piece);
    const SampleFileReadResult result = ReadSampleFile(device, pieces);
    QVERIFY(expected.complete);
    QVERIFY(result.complete);
    QCOMPARE(result.recordsLoaded, 43);
    QCOMPARE(pieces.SampleCount, 43);
    for (qint32 i = 0; i < 43; ++i)
        QVERIFY2(Same(At(pieces, i), At(whole, i)), qPrintable(QString::number(i)));
    QCOMPARE(pieces.SampleUnit[40], u"μF"_qs);
    QCOMPARE(pieces.SampleUnit[41], u"μF"_qs);
    QCOMPARE(pieces.SampleUnit[42], u"KΩ"_qs);
    QCOMPARE(pieces.SampleRelRef[42], 2.5f);
    QCOMPARE(result.lastMinIndex, 42);
    QCOMPARE(result.lastAvgIndex, 42);
    // A bad field after the blank line is reported on its own line, whatever the pieces.
    TricklingDevice bad(bytes.left(bytes.indexOf("\r\n\r\n6,#") + 4) + "x,#2000-05-04#", piece);
    SampleLog partial;
    const SampleFileReadResult stopped = ReadSampleFile(bad, partial);
    QVERIFY(!stopped.complete);
    QCOMPARE(stopped.recordsLoaded, 41);
    QCOMPARE(stopped.stopLine, qint64(43));
}

void TestSampleFile::roundTripAndCapacity_data()
{
    QTest::addColumn<qint32>("count");
    QTest::newRow("100") << 100;
    QTest::newRow("101 fills the first arrays") << 101;
    QTest::newRow("102 grows them by one") << 102;
    QTest::newRow("3000 across read blocks") << 3000;
}

void TestSampleFile::roundTripAndCapacity()
{
    QFETCH(qint32, count);
    const SampleLog log = MakeLog(count);
    const QByteArray first = Write(log, log.SampleCount);
    QCOMPARE(Write(log, log.SampleCount), first);
    QCOMPARE(first.count("\r\n"), count);

    SampleLog back;
    const SampleFileReadResult result = Read(first, back);
    QVERIFY(result.complete);
    QCOMPARE(result.recordsLoaded, count);
    QCOMPARE(back.SampleCount, count);
    QCOMPARE(back.UpperIndex(), std::max(100, count - 1));
    for (qint32 i = 0; i < count; ++i) {
        // Values carry 7 digits in the file; compare what the file says, and the rest exactly.
        Sample a = At(log, i), b = At(back, i);
        a.value = b.value = a.avg = b.avg = 0;
        QVERIFY2(Same(a, b), qPrintable(QString::number(i)));
        QCOMPARE(SingleText(back.SampleValue[size_t(i)]), SingleText(log.SampleValue[size_t(i)]));
    }
    // Reading back and writing again gives the same bytes.
    QCOMPARE(Write(back, back.SampleCount), first);
    // A count below SampleCount writes only the first records.
    QCOMPARE(Write(log, 2).count("\r\n"), 2);
}

void TestSampleFile::readoutIndices_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint32>("maxIndex");
    QTest::addColumn<qint32>("minIndex");
    QTest::addColumn<qint32>("avgIndex");
    const QByteArray head = "1,#2000-05-04#,#10:15:30#,\"DCV\",3,";
    QTest::newRow("none") << head + "#FALSE#,#FALSE#,99999,99999\r\n" << -1 << -1 << -1;
    QTest::newRow("two maxima, the later counts")
        << head + "#TRUE#,#FALSE#,99999,99999\r\n" + head + "#FALSE#,#TRUE#,99999,99999\r\n" +
               head + "#TRUE#,#FALSE#,99999,99999\r\n" + head + "#FALSE#,#FALSE#,99999,99999\r\n"
        << 2 << 1 << -1;
    QTest::newRow("average 0 counts, 99999 does not")
        << head + "#FALSE#,#FALSE#,5,99999\r\n" + head + "#FALSE#,#FALSE#,0,99999\r\n" + head +
               "#FALSE#,#FALSE#,99999,99999\r\n"
        << -1 << -1 << 1;
    QTest::newRow("a value near the marker counts") << head + "#FALSE#,#FALSE#,99998.99,99999\r\n"
                                                    << -1 << -1 << 0;
}

void TestSampleFile::readoutIndices()
{
    QFETCH(QByteArray, bytes);
    SampleLog log;
    const SampleFileReadResult result = Read(bytes, log);
    QVERIFY(result.complete);
    QTEST(result.lastMaxIndex, "maxIndex");
    QTEST(result.lastMinIndex, "minIndex");
    QTEST(result.lastAvgIndex, "avgIndex");
}

void TestSampleFile::stopsAtBadRecord_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint32>("loaded");
    QTest::addColumn<qint64>("line");
    QTest::addColumn<QString>("reason");
    const QByteArray good = "1,#2000-05-04#,#10:15:30#,\"DCV\",3,#FALSE#,#FALSE#,99999,99999\r\n";
    QTest::newRow("text where a number belongs")
        << good + good + "abc,#2000-05-04#,#10:15:30#,\"DCV\",3,#FALSE#,#FALSE#,99999,99999\r\n" +
               good
        << 2 << qint64(3) << "value";
    QTest::newRow("bad date")
        << good + "1,#2000-02-30#,#10:15:30#,\"DCV\",3,#FALSE#,#FALSE#,99999,99999\r\n"
        << 1 << qint64(2) << "date";
    QTest::newRow("empty date field first")
        << QByteArray("1,,#10:15:30#,\"DCV\",3,#FALSE#,#FALSE#,99999,99999\r\n") + good << 0
        << qint64(1) << "date";
    QTest::newRow("time in the date field")
        << "1,#10:15:30#,#10:15:30#,\"DCV\",3,#FALSE#,#FALSE#,99999,99999\r\n" + good << 0
        << qint64(1) << "date";
    QTest::newRow("bad time") << good + "1,#2000-05-04#,#24:00:00#,\"DCV\",3,#FALSE#,#FALSE#,1,1"
                              << 1 << qint64(2) << "time";
    QTest::newRow("flag not a flag")
        << good + good + good + "1,#2000-05-04#,#10:15:30#,\"DCV\",3,#TRUE#,-1,99999,99999\r\n"
        << 3 << qint64(4) << "minimum";
    QTest::newRow("unterminated quote")
        << good + "1,#2000-05-04#,#10:15:30#,\"DCV,3,#FALSE#,#FALSE#,99999,99999\r\n" + good << 1
        << qint64(2) << "unit";
    QTest::newRow("too few fields at the end")
        << good + "1,#2000-05-04#,#10:15:30#,\"DCV\",3,#FALSE#\r\n"
        << 1 << qint64(2) << "too few";
    QTest::newRow("short line shifts the fields")
        << good + "1,#2000-05-04#,#10:15:30#,\"DCV\",3,#FALSE#,#FALSE#,99999\r\n" + good << 2
        << qint64(3) << "value";
    QTest::newRow("empty number field")
        << good + "1,#2000-05-04#,#10:15:30#,\"DCV\",,#FALSE#,#FALSE#,99999,99999\r\n"
        << 1 << qint64(2) << "decimals";
    QTest::newRow("decimals beyond 16 bits")
        << good + "1,#2000-05-04#,#10:15:30#,\"DCV\",40000,#FALSE#,#FALSE#,99999,99999\r\n"
        << 1 << qint64(2) << "decimals";
    QTest::newRow("number overflowing a single")
        << good + "1E39,#2000-05-04#,#10:15:30#,\"DCV\",3,#FALSE#,#FALSE#,99999,99999\r\n"
        << 1 << qint64(2) << "value";
}

void TestSampleFile::stopsAtBadRecord()
{
    QFETCH(QByteArray, bytes);
    QFETCH(qint32, loaded);
    QFETCH(qint64, line);
    QFETCH(QString, reason);
    SampleLog log;
    const SampleFileReadResult result = Read(bytes, log);
    QVERIFY(!result.complete);
    QCOMPARE(result.recordsLoaded, loaded);
    QCOMPARE(log.SampleCount, loaded);
    QCOMPARE(result.stopLine, line);
    QVERIFY2(result.stopReason.contains(reason), qPrintable(result.stopReason));
    for (qint32 i = 0; i < loaded; ++i)
        QCOMPARE(log.SampleValue[size_t(i)], 1.0f);
}

void TestSampleFile::truncatedFileKeepsCompleteRecords()
{
    const SampleLog log = MakeLog(6);
    const QByteArray whole = Write(log, log.SampleCount);
    // Where each record's last field starts: a cut after that point leaves all nine fields
    // (the last one shortened); a cut before it leaves a record with too few fields.
    QList<qsizetype> lastFieldStart;
    QList<qsizetype> lineEnd;
    for (qsizetype from = 0; from < whole.size();) {
        const qsizetype end = whole.indexOf("\r\n", from);
        lastFieldStart << whole.lastIndexOf(',', end) + 1;
        lineEnd << end;
        from = end + 2;
    }
    for (qsizetype cut = 0; cut <= whole.size(); ++cut) {
        SampleLog back;
        const SampleFileReadResult result = Read(whole.left(cut), back);
        qint32 expected = 0;
        bool endsInside = false;
        for (qsizetype r = 0; r < lastFieldStart.size(); ++r) {
            if (cut > lastFieldStart[r])
                ++expected;
            else if (cut > lineEnd.value(r - 1, -2) + 2)
                endsInside = true;
        }
        QVERIFY2(back.SampleCount == expected, qPrintable(QStringLiteral("cut at %1").arg(cut)));
        QCOMPARE(result.complete, !endsInside);
        for (qint32 i = 0; i < expected; ++i) {
            const Sample a = At(log, i), b = At(back, i);
            QCOMPARE(b.date, a.date);
            QCOMPARE(b.unit, a.unit);
            if (cut >= lineEnd[i]) // the record's last field is whole
                QCOMPARE(SingleText(b.relRef), SingleText(a.relRef));
        }
    }
}

void TestSampleFile::failedWriteIsReported()
{
    const SampleLog log = MakeLog(20000); // more than one write block
    QFile full(QStringLiteral("/dev/full"));
    if (!full.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        QSKIP("no /dev/full");
    const SampleFileWriteResult result = WriteSampleFile(full, log, log.SampleCount);
    QVERIFY(!result.ok);
    QVERIFY(!result.error.isEmpty());
    QVERIFY(result.recordsWritten < log.SampleCount);
}

void TestSampleFile::failedSaveKeepsOldFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("old.mas"));
    const SampleLog small = MakeLog(3);
    QVERIFY(SaveSampleFile(path, small, small.SampleCount).ok);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray old = file.readAll();
    file.close();

    // A file size limit makes the write of a larger log fail part way (as a full disk would).
    const SampleLog large = MakeLog(5000);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 4096;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const SampleFileSaveResult result = SaveSampleFile(path, large, large.SampleCount);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    QVERIFY(!result.ok);
    QVERIFY2(result.error.contains(path), qPrintable(result.error));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), old);
    file.close();
    // Nothing but the old file is left in the folder.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("old.mas")});

    // A folder that does not exist.
    const SampleFileSaveResult missing =
        SaveSampleFile(dir.filePath(QStringLiteral("none/x.mas")), small, small.SampleCount);
    QVERIFY(!missing.ok);
    QVERIFY(missing.error.contains(QStringLiteral("none/x.mas")));
}

void TestSampleFile::saveReplacesFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.mas"));
    const SampleLog first = MakeLog(300), second = MakeLog(2);
    QVERIFY(SaveSampleFile(path, first, first.SampleCount).ok);
    QVERIFY(SaveSampleFile(path, second, second.SampleCount).ok);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), Write(second, second.SampleCount));
    SampleLog back;
    const SampleFileReadResult result = LoadSampleFile(path, back);
    QVERIFY(result.complete);
    QCOMPARE(back.SampleCount, 2);
    const SampleFileReadResult none = LoadSampleFile(dir.filePath(QStringLiteral("b.mas")), back);
    QVERIFY(!none.complete);
    QCOMPARE(none.recordsLoaded, 0);
    QVERIFY(!none.stopReason.isEmpty());
}

// A file on a slow disk: every read takes 40 ms.
class SlowBuffer : public QBuffer {
public:
    using QBuffer::QBuffer;

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        QThread::msleep(40);
        return QBuffer::readData(data, maxSize);
    }
};

void TestSampleFile::progressIsReported()
{
    const SampleLog log = MakeLog(60000); // about 4 MB, several reads
    QByteArray bytes = Write(log, log.SampleCount);
    SlowBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    SampleLog back;
    QList<qint64> done;
    QElapsedTimer clock;
    clock.start();
    qint64 lastCall = -1000, shortestGap = 1000;
    const SampleFileReadResult result = ReadSampleFile(buffer, back, [&](qint64 d, qint64 total) {
        QCOMPARE(total, bytes.size());
        done << d;
        shortestGap = std::min(shortestGap, clock.elapsed() - lastCall);
        lastCall = clock.elapsed();
    });
    QCOMPARE(result.recordsLoaded, 60000);
    QVERIFY(done.size() >= 2); // a load this slow reports its progress
    for (qsizetype i = 1; i < done.size(); ++i)
        QVERIFY(done[i] > done[i - 1] && done[i] <= bytes.size());
    QVERIFY(shortestGap >= 25); // but not per record
}

void TestSampleFile::nextDefaultFileName()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("SAMPLE"));
    QCOMPARE(NextDefaultFileName(folder), QStringLiteral("default1.mas"));
    QVERIFY(QDir().mkpath(folder));
    for (const char *name : {"default1.mas", "default2.mas", "default4.mas", "default3.txt"}) {
        QFile f(folder + u'/' + QLatin1String(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QCOMPARE(NextDefaultFileName(folder), QStringLiteral("default3.mas"));
}

void TestSampleFile::loadedReadoutTexts_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("data");
    QTest::newRow("five") << 5.0f << "5.0";
    QTest::newRow("rounded") << 1.2345f << "1.235";
    QTest::newRow("minus a half") << -0.5f << "-0.5";
    QTest::newRow("large") << 3999.0f << "3999.0";
}

void TestSampleFile::loadedReadoutTexts()
{
    QFETCH(float, value);
    const ReadoutTexts texts = LoadedReadoutTexts(value, QDate(2000, 5, 4), QTime(9, 5, 7));
    QTEST(texts.data, "data");
    QCOMPARE(texts.time, QStringLiteral("05-04-2000 09:05:07"));
}

QTEST_GUILESS_MAIN(TestSampleFile)
#include "tst_samplefile.moc"
