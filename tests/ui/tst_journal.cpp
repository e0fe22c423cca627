#include "common/Numbers.h"
#include "files/RecordingJournal.h"
#include "files/SampleFileReader.h"
#include "files/SampleFileWriter.h"
#include "session/SettingsStore.h"
#include "shell/MainFrm.h"
#include "support/SampleRecords.h"
#include "support/ui/ProgramUnderTest.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRadioButton>
#include <QTest>

using namespace kst;
using kst::test::ProgramUnderTest;
using namespace kst::test;

namespace {

// The program (with the steps hook of the tests) as a child process on the test's folders, COM1
// on `pty`.
void StartKst(QProcess &kst, const test::Pty &pty, const QString &steps)
{
    SettingsStore::SetPortDevice(1, pty.SlavePath());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment(); // the test's XDG folders
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("KST_TEST_STEPS"), steps);
    kst.setProcessEnvironment(env);
    kst.setProcessChannelMode(QProcess::ForwardedChannels);
    kst.start(QCoreApplication::applicationDirPath() + QStringLiteral("/kst-under-test"), {});
    QVERIFY(kst.waitForStarted());
}

} // namespace

class TestJournal : public QObject {
    Q_OBJECT
private slots:
    void killedWhileRecording();
    void journalFollowsTheFileCommands();
    void recoveryIsAsOpen();
};

void TestJournal::killedWhileRecording()
{
    test::TestEnvironment env;
    const QString journal = env.DataFolder() + QStringLiteral("/journal1.mas");
    test::Pty line;
    QProcess kst;
    StartKst(kst, line, QStringLiteral("StartCom"));
    if (QTest::currentTestFailed())
        return;
    // 0.001 V until the journal shows that recording runs, then 0.002, 0.003, ... at the meter's
    // pace.
    QElapsedTimer clock;
    clock.start();
    while (QFileInfo(journal).size() == 0 && clock.elapsed() < 60000) {
        line.Write(VoltFrame(1));
        QTest::qWait(100);
    }
    QVERIFY(QFileInfo(journal).size() > 0);
    std::vector<qint64> sentAt;
    for (int counts = 2; counts < 22; ++counts) {
        line.Write(VoltFrame(counts));
        sentAt.push_back(clock.elapsed());
        QTest::qWait(200);
    }
    kst.kill(); // SIGKILL: nothing is saved or closed
    const qint64 killedAt = clock.elapsed();
    QVERIFY(kst.waitForFinished());
    QByteArray journalled = FileBytes(journal);
    journalled.truncate(journalled.lastIndexOf('\n') + 1);

    // Started again on the same folders: Yes to the question, Save, Exit.
    test::Pty line2; // the first program left the old line in exclusive use
    QProcess again;
    StartKst(again, line2, QStringLiteral("Yes;Save;Exit"));
    QVERIFY(again.waitForFinished(60000));
    QCOMPARE(again.exitStatus(), QProcess::NormalExit);
    QCOMPARE(again.exitCode(), 0);

    // The save holds exactly what recording journalled, and the journal is gone.
    const QString saved = env.DataFolder() + QStringLiteral("/SAMPLE/default1.mas");
    QCOMPARE(FileBytes(saved), journalled);
    QVERIFY(!QFile::exists(journal));
    QVERIFY(!QFile::exists(env.DataFolder() + QStringLiteral("/journal1.lock")));

    // The samples are back in order, none twice, up to those read a second before the kill. The
    // child is allowed half a second to read a frame off the line on a busy machine; a late read
    // that finds two frames waiting keeps the first (the meter repeats its display).
    SampleLog log;
    QVERIFY(LoadSampleFile(saved, log).complete);
    int last = 1;
    for (qint32 i = 0; i < log.SampleCount; ++i) {
        const int counts = int(std::lround(log.SampleValue(i) * 1000));
        if (counts != 1 || last != 1)
            QVERIFY2(counts > last,
                     qPrintable(QStringLiteral("%1 after %2").arg(counts).arg(last)));
        last = counts;
    }
    int due = 1;
    for (size_t k = 0; k < sentAt.size(); ++k)
        if (sentAt[k] < killedAt - 1500)
            due = int(k) + 2;
    QVERIFY2(last >= due - 1, qPrintable(QStringLiteral("%1 < %2").arg(last).arg(due)));
}

void TestJournal::journalFollowsTheFileCommands()
{
    ProgramUnderTest p;
    const QString folder = p.env.DataFolder() + u'/';
    const QString journal = folder + QStringLiteral("journal1.mas");
    const QString opened = folder + QStringLiteral("opened.mas");
    SampleLog two;
    FillLog(two, 2);
    QVERIFY(SaveSampleFile(opened, two, 2).Ok());

    // Recording on an opened file: the journal names it. A copy stands for a program gone.
    p.fileAnswers = {opened};
    p.main->Open_Click();
    p.main->StartCom->setChecked(true);
    QVERIFY(p.Send(VoltFrame(1000)));
    QVERIFY(p.Send(VoltFrame(2000)));
    p.main->StopCom->setChecked(true);
    QCOMPARE(FileBytes(folder + QStringLiteral("journal1.continues")), opened.toUtf8() + "\n2\n");
    QVERIFY(QFile::copy(journal, folder + QStringLiteral("journal5.mas")));
    QVERIFY(QFile::copy(folder + QStringLiteral("journal1.continues"),
                        folder + QStringLiteral("journal5.continues")));
    p.main->Save_Click();
    QVERIFY(!QFile::exists(journal));

    // New answered No drops the samples and their journal.
    p.main->StartCom->setChecked(true);
    QVERIFY(p.Send(VoltFrame(3000)));
    p.main->StopCom->setChecked(true);
    QVERIFY(QFile::exists(journal));
    p.messages.Answer({MessageButton::No});
    p.main->New_Click();
    QVERIFY(!QFile::exists(journal));

    // The orphan comes back after the two samples of the file it continued (which has grown
    // since), unsaved, and this program goes on with its journal.
    p.messages.Answer({MessageButton::Yes});
    p.main->OfferRecovery();
    QVERIFY(
        p.messages.Texts().last().contains(QStringLiteral("continue the 2 samples of ") + opened));
    QCOMPARE(p.module.Samples.SampleCount, 4);
    QCOMPARE(p.module.Samples.SampleValue(3), 2.0f);
    QVERIFY(p.main->DataModified);
    QCOMPARE(p.main->windowTitle(), QStringLiteral("KST_") + opened);
    QCOMPARE(p.main->Journal()->Path(), folder + QStringLiteral("journal5.mas"));
}

// What the window shows of a log: the graph's scale and picture, the statistics' read-outs.
QStringList Shown(ProgramUnderTest &p)
{
    QStringList shown{QStringLiteral("%1 %2 %3")
                          .arg(p.module.GraphTopY)
                          .arg(p.module.GraphLowY)
                          .arg(p.module.GraphUnit)};
    for (const char *label : {"MaxData", "MaxTime", "MinData", "AvgData"})
        shown << p.Text(label);
    const QImage picture =
        p.main->findChild<QWidget *>(QStringLiteral("GraphBox"))->grab().toImage();
    shown << QString::number(qHashBits(picture.constBits(), size_t(picture.sizeInBytes())));
    return shown;
}

// Recovered samples come back exactly as Open brings the same samples back; when they continue
// a file that loaded only in part, Save asks where rather than overwrite it.
void TestJournal::recoveryIsAsOpen()
{
    ProgramUnderTest p;
    const QString folder = p.env.DataFolder() + u'/';
    const QString damaged = folder + QStringLiteral("damaged.mas");
    SampleLog two;
    FillLog(two, 2);
    QVERIFY(WriteFile(damaged, WriteBytes(two) + "1.5,#2000-05-04#,#10:00:0x#,\"DCV\"\r\n"));
    p.fileAnswers = {damaged};
    p.main->Open_Click();
    p.main->findChild<QCheckBox *>(QStringLiteral("Max"))->setChecked(true);
    p.main->StartCom->setChecked(true);
    for (int counts : {1000, 1100, 900}) {
        QVERIFY(p.Send(VoltFrame(counts)));
        p.now = p.now.addSecs(1);
    }
    p.main->StopCom->setChecked(true);
    for (const char *side : {"mas", "continues"}) // a copy stands for a program gone
        QVERIFY(QFile::copy(folder + QStringLiteral("journal1.") + QLatin1String(side),
                            folder + QStringLiteral("journal5.") + QLatin1String(side)));
    p.messages.Answer({MessageButton::No, MessageButton::Yes});
    p.main->New_Click();
    p.main->OfferRecovery();
    const QStringList recovered = Shown(p);
    QCOMPARE(p.module.Samples.SampleCount, 5);

    const QByteArray before = FileBytes(damaged);
    p.fileAnswers = {folder + QStringLiteral("saved.mas")};
    p.main->Save_Click();
    QCOMPARE(p.fileStarts.constLast(), damaged); // asked, proposing the file
    QCOMPARE(FileBytes(damaged), before);

    p.fileAnswers = {folder + QStringLiteral("saved.mas")};
    p.main->Open_Click();
    QCOMPARE(Shown(p), recovered);
}

QTEST_MAIN(TestJournal)
#include "tst_journal.moc"
