#include "common/Numbers.h"
#include "files/RecordingJournal.h"
#include "support/SampleRecords.h"
#include "support/SmallDisk.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace kst;

namespace {

// Sample i: i tenths of a volt, i seconds after 10:15:00; every third a new maximum.
Sample S(int i)
{
    Sample s = test::PlainSample(i);
    s.value = float(i) / 10;
    s.time = QTime(10, 15, 0).addSecs(i);
    s.isMax = i % 3 == 0 ? -1 : 0;
    return s;
}

// The bytes a save of records first .. count - 1 gives.
QByteArray Records(const SampleLog &log, qint32 first, qint32 count)
{
    return SampleFileBytes(log, count, first);
}

using namespace std::chrono_literals;

// A journal that flushes and syncs at once, so no test waits for the program's intervals.
struct QuickJournal : RecordingJournal {
    QuickJournal(const SampleLog &log, const QString &folder) : RecordingJournal(log, folder)
    {
        SetIntervals(1ms, 5ms);
    }
};

// Records samples from .. to - 1 as the recording cycle does.
void Record(SampleLog &log, RecordingJournal &journal, int from, int to, const QString &file = {})
{
    for (int i = from; i < to; ++i) {
        log.Append(S(i));
        journal.Append(i, file);
    }
}

} // namespace

class TestRecordingJournal : public QObject {
    Q_OBJECT
private slots:
    void orphanComesBack_data();
    void orphanComesBack();
    void unwritableFolder_data();
    void unwritableFolder();
};

void TestRecordingJournal::orphanComesBack_data()
{
    QTest::addColumn<int>("continued"); // samples saved to a file before the journal began
    QTest::addColumn<bool>("torn");     // the last record was cut by a power failure
    QTest::addColumn<bool>("recover");
    QTest::newRow("fresh samples, recovered") << 0 << false << true;
    QTest::newRow("continuing a file, recovered") << 4 << true << true;
    QTest::newRow("torn record, set aside") << 0 << true << false;
}

void TestRecordingJournal::orphanComesBack()
{
    QFETCH(int, continued);
    QFETCH(bool, torn);
    QFETCH(bool, recover);
    QTemporaryDir dir;
    const QString saved = dir.filePath(QStringLiteral("saved.mas"));
    const QString path = dir.filePath(QStringLiteral("journal1.mas"));
    SampleLog log;
    for (int i = 0; i < continued; ++i)
        log.Append(S(i));
    QVERIFY(SaveSampleFile(saved, log, log.SampleCount).Ok());
    {
        QuickJournal journal(log, dir.path());
        Record(log, journal, continued, continued + 1, saved);
        QCOMPARE(test::FileBytes(path),
                 Records(log, continued, continued + 1)); // the first at once
        Record(log, journal, continued + 1, continued + 5, saved);
        QTRY_COMPARE_WITH_TIMEOUT(test::FileBytes(path), Records(log, continued, continued + 5),
                                  1000);
        // A second program keeps its own journal; while both run neither is an orphan.
        SampleLog otherLog;
        QuickJournal other(otherLog, dir.path());
        Record(otherLog, other, 0, 1);
        QCOMPARE(other.Path(), dir.filePath(QStringLiteral("journal2.mas")));
        QVERIFY(!RecordingJournal::NextOrphan(dir.path()));
        other.Remove();
    } // the program is gone; its journal stays
    if (torn) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::Append));
        file.write("1.5,#2000-05-04#,#10:16:00#,\"DCV\",1,#FALSE#,#FALSE#,99999,999");
    }

    std::optional<RecordingJournal::Orphan> orphan = RecordingJournal::NextOrphan(dir.path());
    QVERIFY(orphan);
    QCOMPARE(orphan->journalCount, 5);
    QCOMPARE(orphan->continuedFile, continued ? saved : QString());
    QCOMPARE(Records(orphan->log, 0, orphan->log.SampleCount), Records(log, 0, continued + 5));
    QCOMPARE(orphan->first, QDateTime(QDate(2000, 5, 4), QTime(10, 15, continued)));
    QCOMPARE(orphan->last, QDateTime(QDate(2000, 5, 4), QTime(10, 15, continued + 4)));
    QCOMPARE(orphan->read.lastMaxIndex, (continued + 4) / 3 * 3); // over file and journal
    // Locked while it is dealt with: no one else is offered it.
    QVERIFY(!RecordingJournal::NextOrphan(dir.path()));

    if (recover) {
        // Adopted, the journal is rewritten without the torn bytes and goes on.
        SampleLog recovered = std::move(orphan->log);
        QuickJournal journal(recovered, dir.path());
        journal.Adopt(*orphan);
        QCOMPARE(journal.Path(), path);
        Record(recovered, journal, continued + 5, continued + 6);
        journal.Sync();
        QCOMPARE(test::FileBytes(path), Records(log, continued, continued + 5) +
                                            Records(recovered, continued + 5, continued + 6));
        QVERIFY(!RecordingJournal::NextOrphan(dir.path()));
        return;
    }
    const QString moved =
        RecordingJournal::SetAside(*orphan, dir.filePath(QStringLiteral("SAMPLE"))).Value();
    QCOMPARE(moved, dir.filePath(QStringLiteral("SAMPLE/recovered-2000-05-04-101500.mas")));
    QCOMPARE(test::FileBytes(moved), Records(log, 0, 5)); // whole records moved byte for byte
    QVERIFY(!QFile::exists(path));
    QVERIFY(!RecordingJournal::NextOrphan(dir.path()));
}

void TestRecordingJournal::unwritableFolder_data()
{
    QTest::addColumn<bool>("full");
    QTest::addColumn<QString>("cause");
    QTest::newRow("read-only folder") << false << u"the file system is read-only"_qs;
    QTest::newRow("full disk") << true << u"no space left on the device"_qs;
}

void TestRecordingJournal::unwritableFolder()
{
    QFETCH(bool, full);
    QFETCH(QString, cause);
    test::SmallDisk disk;
    if (!disk.Mounted())
        QSKIP("mounting a small disk takes root");
    SampleLog log;
    QuickJournal journal(log, disk.Path());
    QSignalSpy failed(&journal, &RecordingJournal::WriteFailed);
    if (full) { // a disk that fills up under a running journal
        Record(log, journal, 0, 1);
        QVERIFY(disk.Fill(0));
    } else {
        QVERIFY(disk.SetReadOnly(true));
    }
    for (int i = log.SampleCount; i < 200; ++i) {
        Record(log, journal, i, i + 1);
        journal.Sync();
    }
    QTest::qWait(50);            // the journal is tried again every 5 ms meanwhile
    QCOMPARE(failed.count(), 1); // one warning, however many records and retries met the failure
    QVERIFY2(journal.Error().endsWith(u": "_qs + cause), qPrintable(journal.Error()));

    // Once the folder can be written again, the journal is rebuilt from the log.
    if (full)
        disk.FreeSpace();
    else
        QVERIFY(disk.SetReadOnly(false));
    QTRY_VERIFY_WITH_TIMEOUT(journal.Error().isEmpty(), 1000);
    QCOMPARE(test::FileBytes(journal.Path()), Records(log, 0, 200));
}

QTEST_GUILESS_MAIN(TestRecordingJournal)
#include "tst_recordingjournal.moc"
