#include "files/CsvFileAppender.h"
#include "files/CsvWriter.h"
#include "files/SampleFileAppender.h"
#include "support/SampleRecords.h"
#include "support/SmallDisk.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <sys/stat.h>

using namespace kst;
using namespace kst::test;

Q_DECLARE_METATYPE(kst::Sample)

namespace {

// Sample i of a varied log: values, Greek units, flags, averages, references, milliseconds.
void Vary(qint32 i, Sample &s)
{
    static const QString units[] = {u"DCV"_qs, u"KΩ"_qs, u"μF"_qs, u"DCμA"_qs, u""_qs};
    s.value = float(i % 7 - 3) * 1.25f + float(i) / 1000.0f;
    s.time = s.time.addMSecs(i % 1000);
    s.unit = units[i % 5];
    s.decimals = qint16(i % 4);
    s.isMax = qint16(i % 3 == 0 ? -1 : 0);
    s.isMin = qint16(i % 5 == 1 ? -1 : 0);
    s.avg = i % 2 ? NoValueMarker : float(i) / 3.0f;
    s.relRef = i % 4 ? NoValueMarker : 1.2f;
}

// A device handing out its bytes a few at a time, as a pipe does; or, without bytes, a file of
// size bytes of 'x' that is never held in memory.
class PieceDevice : public QIODevice {
public:
    PieceDevice(QByteArray bytes, qint64 piece, qint64 size = -1)
        : bytes_(std::move(bytes)), piece_(piece), size_(size < 0 ? bytes_.size() : size)
    {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return true; }
    qint64 served = 0;

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 n = std::min({maxSize, piece_, size_ - served});
        if (bytes_.isEmpty())
            std::memset(data, 'x', size_t(n));
        else
            std::memcpy(data, bytes_.constData() + served, size_t(n));
        served += n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray bytes_;
    qint64 piece_;
    qint64 size_;
};

// What a log loaded from a file saves reads back as the same log, completely.
void CheckSavesAndReadsBack(const SampleLog &loaded)
{
    SampleLog again;
    const SampleFileReadResult second = ReadBytes(WriteBytes(loaded), again);
    QVERIFY2(second.complete, qPrintable(second.stopReason));
    QCOMPARE(again.SampleCount, loaded.SampleCount);
    for (qint32 i = 0; i < loaded.SampleCount; ++i)
        QVERIFY(again.At(i) == loaded.At(i));
}

} // namespace

class TestSampleFile : public QObject {
    Q_OBJECT
private slots:
    void lineAndSample_data();
    void lineAndSample();
    void readsInPieces();
    void roundTripAndCapacity_data();
    void roundTripAndCapacity();
    void compactLogKeepsEverything();
    void stopsAtBadRecord_data();
    void stopsAtBadRecord();
    void longLineIsRefusedQuickly();
    void fullDiskKeepsWholeRecords();
    void appenderContinues_data();
    void appenderContinues();
    void refusesSpecialFiles();
};

void TestSampleFile::lineAndSample_data()
{
    // written: the sample is written as exactly this line; otherwise the line only reads as it.
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<Sample>("sample");
    QTest::addColumn<bool>("written");
    const QDate may4(2000, 5, 4);
    const QTime t(10, 15, 30);
    QTest::newRow("new maximum, milliseconds dropped")
        << QByteArray("1.234,#2000-05-04#,#10:15:30#,\"DCV\",3,#TRUE#,#FALSE#,99999,99999\r\n")
        << Sample{1.234f, may4, QTime(10, 15, 30, 999), "DCV", 3, -1, 0, 99999.0f, 99999.0f}
        << true;
    QTest::newRow("average and Rel running, two digits everywhere")
        << QByteArray("2,#2026-01-09#,#09:05:07#,\"ACmV\",0,#FALSE#,#TRUE#,1.235,0\r\n")
        << Sample{2.0f, QDate(2026, 1, 9), QTime(9, 5, 7), "ACmV", 0, 0, -1, 1.235f, 0.0f} << true;
    QTest::newRow("negative values")
        << QByteArray("-0.5,#2000-05-04#,#00:00:00#,\"DCmV\",1,#FALSE#,#FALSE#,-12.75,-399.9\r\n")
        << Sample{-0.5f, may4, QTime(0, 0), "DCmV", 1, 0, 0, -12.75f, -399.9f} << true;
    QTest::newRow("Greek letters in UTF-8")
        << QByteArray("3.999,#2000-05-04#,#23:59:59#,\"K\xCE\xA9\xCE\xBC\",3,#FALSE#,#FALSE#,"
                      "99999,99999\r\n")
        << Sample{3.999f, may4, QTime(23, 59, 59), u"KΩμ"_qs, 3, 0, 0, 99999.0f, 99999.0f} << true;
    QTest::newRow("exponent forms, no unit")
        << QByteArray("3.333333E-05,#2000-05-04#,#01:02:03#,\"\",3,#FALSE#,#FALSE#,1.234568E+07,"
                      "0.0001\r\n")
        << Sample{0.00003333333f, may4, QTime(1, 2, 3), "", 3, 0, 0, 12345680.0f, 0.0001f} << true;
    QTest::newRow("signs, exponents, blanks, LF, lower-case flags")
        << QByteArray(
               " +1.5E+2,  #2000-5-4#, #10:15:30#, \"DCV\" , 2 ,#true#, #TRUE#, -2.5e-3 ,.5\n")
        << Sample{150.0f, may4, t, "DCV", 2, -1, -1, -0.0025f, 0.5f} << false;
    QTest::newRow("line ends separate fields, unquoted unit trimmed")
        << QByteArray("1\r\n#2000-05-04#,#10:15:30#\r\n  DCV  ,3,#FALSE#,#FALSE#,99999,99999\r\n")
        << Sample{1.0f, may4, t, "DCV", 3, 0, 0, 99999.0f, 99999.0f} << false;
    QTest::newRow("quoted unit keeps its blanks")
        << QByteArray("1,#2000-05-04#,#10:15:30#,\" DC V \",3,#FALSE#,#FALSE#,99999,99999\r\n")
        << Sample{1.0f, may4, t, " DC V ", 3, 0, 0, 99999.0f, 99999.0f} << false;
    QTest::newRow("UTF-8 micro sign read as mu")
        << QByteArray("1,#2000-05-04#,#10:15:30#,\"DC\xC2\xB5"
                      "A\",3,#FALSE#,#FALSE#,99999,99999\r\n")
        << Sample{1.0f, may4, t, u"DCμA"_qs, 3, 0, 0, 99999.0f, 99999.0f} << false;
    QTest::newRow("Windows-1252 line")
        << QByteArray(
               "1,#2000-05-04#,#10:15:30#,\"\xB5\x80\x99\xE9\",3,#FALSE#,#FALSE#,99999,99999\n")
        << Sample{1.0f, may4, t, u"μ€™é"_qs, 3, 0, 0, 99999.0f, 99999.0f} << false;
    QTest::newRow("64 Windows-1252 letters, three UTF-8 bytes each")
        << "1,#2000-05-04#,#10:15:30#,\"" + QByteArray(64, '\x80') + "\",3,#FALSE#,#FALSE#,1,1\r"
        << Sample{1.0f, may4, t, QString(64, QChar(0x20AC)), 3, 0, 0, 1.0f, 1.0f} << false;
}

void TestSampleFile::lineAndSample()
{
    QFETCH(QByteArray, line);
    QFETCH(Sample, sample);
    QFETCH(bool, written);
    SampleLog log;
    if (written) {
        log.Append(sample);
        QCOMPARE(WriteBytes(log), line);
        sample.time =
            QTime::fromMSecsSinceStartOfDay(sample.time.msecsSinceStartOfDay() / 1000 * 1000);
    }
    SampleLog back;
    const SampleFileReadResult result = ReadBytes(line, back);
    QVERIFY2(result.complete, qPrintable(result.stopReason));
    QCOMPARE(back.SampleCount, 1);
    QCOMPARE(back.At(0), sample);
    CheckSavesAndReadsBack(back);
}

void TestSampleFile::readsInPieces()
{
    // Records cut anywhere by the device: CR and LF split, a Windows-1252 line, a blank line, a
    // record over two lines, a last line without its end (possibly cut: left out), and a bad
    // record after them.
    SampleLog log;
    FillLog(log, 40, Vary);
    const QByteArray bytes =
        WriteBytes(log) + "5,#2000-05-04#,#10:15:30#,\"\xB5"
                          "F\",3,#FALSE#,#FALSE#,99999,99999\r\n\r\n"
                          "7,#2000-05-04#\r\n#10:15:32#,\"K\xCE\xA9\",3,#FALSE#,#TRUE#,-1E-3,+2.5";
    SampleLog whole;
    QVERIFY(ReadBytes(bytes + "\r\n", whole).complete);
    QCOMPARE(whole.SampleCount, 42);
    QCOMPARE(whole.SampleUnit(40), u"μF"_qs);
    QCOMPARE(whole.SampleUnit(41), u"KΩ"_qs);
    for (qint64 piece : {1, 2, 3, 61, 4096}) {
        PieceDevice device(bytes, piece);
        SampleLog pieces;
        const SampleFileReadResult cut = ReadSampleFile(device, pieces);
        QVERIFY(cut.lastRecordCut && cut.stopLine == 43);
        QCOMPARE(cut.wholeBytes, bytes.indexOf("7,#2000-05-04#\r\n"));
        QCOMPARE(pieces.SampleCount, 41);
        for (qint32 i = 0; i < 41; ++i)
            QVERIFY2(pieces.At(i) == whole.At(i), qPrintable(QString::number(i)));
        PieceDevice bad(bytes.left(bytes.indexOf("\r\n\r\n7,#") + 4) + "x,#2000-05-04#", piece);
        SampleLog partial;
        const SampleFileReadResult stopped = ReadSampleFile(bad, partial);
        QCOMPARE(stopped.recordsLoaded, 41);
        QCOMPARE(stopped.stopLine, qint64(43));
    }
}

void TestSampleFile::roundTripAndCapacity_data()
{
    QTest::addColumn<qint32>("count");
    QTest::newRow("empty") << 0;
    QTest::newRow("101 fit the first capacity") << 101;
    QTest::newRow("102 grow it by one") << 102;
    QTest::newRow("3000 across read blocks") << 3000;
}

void TestSampleFile::roundTripAndCapacity()
{
    QFETCH(qint32, count);
    SampleLog log;
    FillLog(log, count, Vary);
    const qint32 upper = std::max(100, count - 1);
    QCOMPARE(log.UpperIndex(), upper);
    const QByteArray first = WriteBytes(log);
    QCOMPARE(first.count("\r\n"), count);
    // A larger count writes no more records than the arrays hold.
    QCOMPARE(WriteBytes(log, upper + 50).count("\r\n"), upper + 1);
    SampleLog back;
    QVERIFY(ReadBytes(first, back).complete);
    QCOMPARE(back.SampleCount, count);
    QCOMPARE(back.UpperIndex(), upper);
    QCOMPARE(WriteBytes(back), first);
    // Emptied and filled again, the log keeps nothing of before.
    back.Reset();
    QCOMPARE(back.SampleCount, 0);
    QCOMPARE(back.UpperIndex(), 100);
    QVERIFY(back.At(0) == Sample());
    FillLog(back, count / 2);
    SampleLog plain;
    FillLog(plain, count / 2);
    QCOMPARE(WriteBytes(back), WriteBytes(plain));
}

void TestSampleFile::compactLogKeepsEverything()
{
    const auto shape = [](qint32 i, Sample &s) {
        Vary(i, s);
        s.unit = QStringLiteral("U%1").arg(i % 300); // more units than a meter has
        s.date = QDate(1, 1, 1).addDays(i * 97);
    };
    SampleLog log;
    FillLog(log, 100000, shape);
    QVERIFY(log.StorageBytes() <= size_t(32 * log.SampleCount));
    for (qint32 i = 0; i < log.SampleCount; i += 997) {
        Sample s = PlainSample(i);
        shape(i, s);
        QVERIFY2(log.At(i) == s, qPrintable(QString::number(i)));
    }
    Sample s = log.At(7);
    log.SetSampleIsMin(7, s.isMin = -1);
    log.SetSampleAvg(7, s.avg = -2.5f);
    log.SetSampleUnit(7, s.unit = QStringLiteral("DCV"));
    QVERIFY(log.At(7) == s);
    QVERIFY(log.At(log.SampleCount) == Sample()); // past the samples: the cleared sample
}

void TestSampleFile::stopsAtBadRecord_data()
{
    // The rows marked "fuzz" are inputs the fuzzer found to load something that could not be
    // saved and loaded again.
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint32>("loaded");
    QTest::addColumn<qint64>("line");
    QTest::addColumn<QString>("reason");
    const QByteArray good = "1,#2000-05-04#,#10:15:30#,\"DCV\",3,#FALSE#,#FALSE#,99999,99999\r\n";
    const QByteArray tail = ",#2000-05-04#,#10:15:30#,\"DCV\",3,#FALSE#,#FALSE#,99999,99999\r\n";
    const QByteArray head = "1,#2000-05-04#,#10:15:30#,";
    QTest::newRow("text where a number belongs")
        << good + good + "abc" + tail + good << 2 << qint64(3) << "value";
    QTest::newRow("impossible date")
        << good + "1,#2000-02-30#,#10:15:30#,\"DCV\",3,#FALSE#,#FALSE#,1,1\r\n"
        << 1 << qint64(2) << "date";
    QTest::newRow("hour 24") << good + "1,#2000-05-04#,#24:00:00#,\"DCV\",3,#FALSE#,#FALSE#,1,1"
                             << 1 << qint64(2) << "time";
    QTest::newRow("unterminated quote")
        << good + head + "\"DCV,3,#FALSE#,#FALSE#,99999,99999\r\n" + good << 1 << qint64(2)
        << "unit";
    QTest::newRow("flag not a flag") << good + head + "\"DCV\",3,#TRUE#,-1,99999,99999\r\n"
                                     << 1 << qint64(2) << "minimum";
    QTest::newRow("decimals beyond 16 bits")
        << good + head + "\"DCV\",40000,#FALSE#,#FALSE#,1,1" << 1 << qint64(2) << "decimals";
    QTest::newRow("number beyond a single") << good + "1E39" + tail << 1 << qint64(2) << "value";
    QTest::newRow("too few fields at the end") << good + head + "\"DCV\",3,#FALSE#\r\n"
                                               << 1 << qint64(2) << "too few";
    QTest::newRow("line longer than a record can be")
        << good + QByteArray(1100, ' ') + "1" + tail << 1 << qint64(2) << "longer";
    QTest::newRow("long line without any separator")
        << good + good + QByteArray(5000, '7') << 2 << qint64(3) << "longer";
    QTest::newRow("fuzz: quote inside an unquoted unit")
        << QByteArray("  1.5 , #2026-01-09# ,#09:05:07#, DC\"mV ,1,#true#,#false#,-2,0\n\r\n") +
               good
        << 0 << qint64(1) << "unit";
    QTest::newRow("fuzz: quote inside an unquoted unit, second record")
        << good + head + "DC\"mV,1,#TRUE#,#FALSE#,-2,0\r\n"
        << 1 << qint64(2) << "unit";
    QTest::newRow("fuzz: quote at the end of an unquoted unit")
        << head + "mV\" ,1,#TRUE#,#FALSE#,-2,0\r\n"
        << 0 << qint64(1) << "unit";
    QTest::newRow("fuzz: quoted unit with a quote inside")
        << head + "\"DC\"mV\",1,#TRUE#,#FALSE#,-2,0\r\n"
        << 0 << qint64(1) << "unit";
    QTest::newRow("fuzz: empty date in the first record")
        << QByteArray("3.999,,#23:59:59#,\"DCV\",3,#FALSE#,#FALSE#,99999,99999\r\n") << 0
        << qint64(1) << "date";
    QTest::newRow("fuzz: a record begun inside a line")
        << head + "\"DCA\",3,#FALSE#,#FALSE#,1,+07,0.0001\r\n4000,#2000-05-04#" << 1 << qint64(2)
        << "date";
    QTest::newRow("fuzz: unit of 65 letters")
        << head + "\"" + QByteArray(65, 'x') + "\",1,#TRUE#,#FALSE#,-2,0\r\n"
        << 0 << qint64(1) << "unit";
}

void TestSampleFile::stopsAtBadRecord()
{
    QFETCH(QByteArray, bytes);
    QFETCH(qint32, loaded);
    QFETCH(qint64, line);
    QFETCH(QString, reason);
    SampleLog log;
    const SampleFileReadResult result = ReadBytes(bytes, log);
    QVERIFY(!result.complete);
    QCOMPARE(log.SampleCount, loaded);
    QCOMPARE(result.recordsLoaded, loaded);
    QCOMPARE(result.stopLine, line);
    QVERIFY2(result.stopReason.contains(reason), qPrintable(result.stopReason));
    CheckSavesAndReadsBack(log);
    // The whole part alone loads the same records, completely.
    SampleLog whole;
    QVERIFY(ReadBytes(bytes.left(result.wholeBytes), whole).complete);
    QCOMPARE(WriteBytes(whole), WriteBytes(log));
}

void TestSampleFile::longLineIsRefusedQuickly()
{
    // 200 MB with no separator: refused after reading little of it, whatever the pieces.
    for (qint64 piece : {qint64(7), qint64(1) << 20}) {
        PieceDevice device({}, piece, qint64(200) << 20);
        SampleLog log;
        QElapsedTimer clock;
        clock.start();
        const SampleFileReadResult result = ReadSampleFile(device, log);
        QVERIFY(clock.elapsed() < 1000);
        QVERIFY(!result.complete);
        QCOMPARE(result.stopLine, qint64(1));
        QVERIFY(device.served <= qint64(2) << 20);
    }
}

void TestSampleFile::fullDiskKeepsWholeRecords()
{
    SmallDisk disk;
    if (!disk.Mounted())
        QSKIP("mounting a small disk takes root");
    const QString path = disk.Path(u"old.mas"_qs);
    const QString full = path + u": no space left on the device"_qs;
    SampleLog small, large;
    FillLog(small, 3);
    FillLog(large, 5000, Vary);
    QVERIFY(SaveSampleFile(path, small, small.SampleCount).Ok());
    QVERIFY(disk.Fill(8192));
    // A save that does not fit keeps the old file and leaves no temporary file.
    QCOMPARE(SaveSampleFile(path, large, large.SampleCount).Reason(), full);
    QCOMPARE(FileBytes(path), WriteBytes(small));
    QCOMPARE(QDir(disk.Path()).entryList(QDir::Files), (QStringList{u"filler"_qs, u"old.mas"_qs}));

    // Appends fill the disk: the record that does not fit is taken back whole, and once there is
    // room again the file goes on.
    SampleFileAppender appender;
    QVERIFY(appender.Open(path).Ok());
    Status appended;
    while ((appended = appender.Append(PlainSample(small.SampleCount))).Ok())
        small.Append(PlainSample(small.SampleCount));
    QCOMPARE(appended.Reason(), full);
    QCOMPARE(FileBytes(path), WriteBytes(small));
    disk.FreeSpace();
    appender.Close();
    QCOMPARE(appender.Open(path).Value(), QString());
    QVERIFY(appender.Append(PlainSample(small.SampleCount)).Ok());
    small.Append(PlainSample(small.SampleCount));
    QCOMPARE(FileBytes(path), WriteBytes(small));
}

void TestSampleFile::appenderContinues_data()
{
    // notice: what opening says (or why it refuses); the file then gets sample 1 appended.
    QTest::addColumn<QByteArray>("existing");
    QTest::addColumn<QString>("notice");
    QTest::addColumn<bool>("refused");
    const QByteArray good = "1,#2000-05-04#,#10:15:30#,\"DCV\",3,#FALSE#,#FALSE#,99999,99999\r\n";
    QTest::newRow("new file") << QByteArray() << QString() << false;
    QTest::newRow("whole records") << good + good << QString() << false;
    QTest::newRow("last record cut in its last field")
        << good + good.left(good.size() - 5)
        << u"the last record (line 2) had no line end and may have been cut off"_qs << false;
    QTest::newRow("damage before the end")
        << good + "x" + good.mid(1) + good
        << u"not a complete sample file (line 2: the value field is not valid)"_qs << true;
}

void TestSampleFile::appenderContinues()
{
    QFETCH(QByteArray, existing);
    QFETCH(QString, notice);
    QFETCH(bool, refused);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"run.mas"_qs);
    if (!existing.isEmpty())
        QVERIFY(WriteFile(path, existing));
    SampleFileAppender appender;
    const Result<QString> opened = appender.Open(path);
    QCOMPARE(opened ? *opened : opened.Reason(),
             notice.isEmpty()
                 ? notice
                 : path + u": "_qs + notice +
                       (refused ? u"; choose another file"_qs
                                : u"; it was removed, the records before it are kept (1)"_qs));
    if (refused) {
        QCOMPARE(FileBytes(path), existing);
        return;
    }
    QVERIFY(appender.Append(PlainSample(1)).Ok());
    SampleLog back;
    QVERIFY(LoadSampleFile(path, back).complete);
    QCOMPARE(back.SampleCount, qint32(existing.count('\n')) + 1);
    QCOMPARE(back.At(back.SampleCount - 1), PlainSample(1));
}

void TestSampleFile::refusesSpecialFiles()
{
    // A named pipe as input would wait for a writer forever; as a target it would be replaced.
    QTemporaryDir dir;
    const QString fifo = dir.filePath(u"pipe"_qs);
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString refused = fifo + u": not a regular file but a named pipe (FIFO)"_qs;
    SampleLog log;
    FillLog(log, 2);
    QCOMPARE(LoadSampleFile(fifo, log).stopReason,
             u"the file cannot be opened: not a regular file but a named pipe (FIFO)"_qs);
    QCOMPARE(SaveSampleFile(fifo, log, 2).Reason(), refused);
    QCOMPARE(SaveCsvFile(fifo, log, 2).Reason(), refused);
    QCOMPARE(SampleFileAppender().Open(fifo).Reason(), refused);
    QCOMPARE(CsvFileAppender().Open(fifo).Reason(), refused);
    struct stat st {};
    QVERIFY(::stat(QFile::encodeName(fifo).constData(), &st) == 0 && S_ISFIFO(st.st_mode));

    const SampleFileReadResult none = LoadSampleFile(dir.filePath(u"b.mas"_qs), log);
    QVERIFY(!none.complete && !none.stopReason.isEmpty());
    QCOMPARE(NextDefaultFileName(dir.path()), u"default1.mas"_qs);
}

QTEST_GUILESS_MAIN(TestSampleFile)
#include "tst_samplefile.moc"
