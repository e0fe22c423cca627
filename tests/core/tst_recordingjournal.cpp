#include "common/Numbers.h"
#include "files/RecordingJournal.h"
#include "support/SampleRecords.h"

#include <QBuffer>
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/mount.h>
#include <sys/resource.h>

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
        RecordingJournal journal(log, dir.path());
        Record(log, journal, continued, continued + 1, saved);
        QCOMPARE(test::FileBytes(path),
                 Records(log, continued, continued + 1)); // the first at once
        Record(log, journal, continued + 1, continued + 5, saved);
        QTRY_COMPARE_WITH_TIMEOUT(test::FileBytes(path), Records(log, continued, continued + 5),
                                  1000);
        // A second program keeps its own journal; while both run neither is an orphan.
        SampleLog otherLog;
        RecordingJournal other(otherLog, dir.path());
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
        RecordingJournal journal(recovered, dir.path());
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
    QTest::newRow("read-only folder") << false;
    QTest::newRow("full disk") << true;
}

void TestRecordingJournal::unwritableFolder()
{
    QFETCH(bool, full);
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("data"));
    QVERIFY(QDir().mkpath(folder));
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 200; // a file size limit: a disk that fills up after a few records
    // Permissions do not stop root; a read-only file system does.
    if (full)
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
    else if (mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", MS_RDONLY, "") != 0)
        QSKIP("no right to mount a read-only folder");

    SampleLog log;
    RecordingJournal journal(log, folder);
    QSignalSpy failed(&journal, &RecordingJournal::WriteFailed);
    for (int i = 0; i < 12; ++i) {
        Record(log, journal, i, i + 1);
        journal.Sync();
    }
    const int failures = int(failed.count());
    const QString error = journal.Error();
    if (!full)
        umount2(QFile::encodeName(folder).constData(), MNT_DETACH);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    QCOMPARE(failures, 1); // one warning, however many records met the failure
    QVERIFY(!error.isEmpty());
    QCOMPARE(log.SampleCount, 12);

    // Once the folder can be written again, the journal is rebuilt from the log.
    QTRY_VERIFY_WITH_TIMEOUT(journal.Error().isEmpty(), 15000);
    QCOMPARE(test::FileBytes(journal.Path()), Records(log, 0, 12));
}

QTEST_GUILESS_MAIN(TestRecordingJournal)
#include "tst_recordingjournal.moc"
