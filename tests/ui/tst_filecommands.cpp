#include "files/SampleFile.h"
#include "shell/MainFrm.h"
#include "support/ui/ProgramUnderTest.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

using namespace kst;
using kst::test::ProgramUnderTest;

namespace {

// Records n samples the way the recording cycle does, values 1, 2, 3, ...
void Record(ProgramUnderTest &p, int n)
{
    for (int i = 0; i < n; ++i)
        p.main->RecordReading(float(i + 1), QStringLiteral("DCV"), 0);
}

QByteArray Read(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray Records(int n)
{
    QByteArray out;
    for (int i = 0; i < n; ++i)
        out += QByteArray::number(i) +
               ",#2000-05-04#,#10:15:30#,\"DCV\",0,#FALSE#,#FALSE#,99999,99999\r\n";
    return out;
}

QString Caption(const ProgramUnderTest &p)
{
    return p.main->windowTitle();
}

} // namespace

class TestFileCommands : public QObject {
    Q_OBJECT
private slots:
    void defaultNamesAndNew();
    void closeAnsweredNoDropsWithoutWriting();
    void saveAsThenSaveWritesThatPath();
    void failedSaveKeepsOldFileAndSamples();
    void yesThenFailedSaveAbandonsClose();
    void openCancelledChangesNothing();
    void openRestoresReadoutsAndScroll_data();
    void openRestoresReadoutsAndScroll();
    void openOfDamagedFileWarnsAndKeepsRecords();
};

void TestFileCommands::defaultNamesAndNew()
{
    ProgramUnderTest p;
    const QString folder = p.module.SampleFolder();
    QCOMPARE(p.main->SaveFileName, folder + QStringLiteral("/default1.mas"));
    QCOMPARE(Caption(p), QStringLiteral("KST_") + folder + QStringLiteral("/default1.mas"));
    WriteFile(folder + QStringLiteral("/default1.mas"), {});
    WriteFile(folder + QStringLiteral("/default2.mas"), {});
    p.main->New_Click();
    QVERIFY(p.questions.isEmpty()); // nothing recorded: nothing asked
    QCOMPARE(p.module.CurrentFileName, folder + QStringLiteral("/default3.mas"));
    QCOMPARE(Caption(p), QStringLiteral("KST_") + p.module.CurrentFileName);
}

void TestFileCommands::closeAnsweredNoDropsWithoutWriting()
{
    ProgramUnderTest p;
    Record(p, 5);
    QVERIFY(p.main->DataModified);
    p.saveAnswers = {QMessageBox::No};
    p.main->Close_Click();
    QCOMPARE(p.questions, QStringList{QStringLiteral("Current File No Save,Save? ")});
    QCOMPARE(p.module.Samples.SampleCount, 0);
    QCOMPARE(p.module.Samples.UpperIndex(), 100);
    QVERIFY(!p.main->DataModified);
    QVERIFY(QDir(p.module.SampleFolder()).entryList(QDir::Files).isEmpty());
}

void TestFileCommands::saveAsThenSaveWritesThatPath()
{
    ProgramUnderTest p;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("run.mas"));
    Record(p, 3);
    p.fileAnswers = {path};
    p.main->SaveAs_Click();
    QCOMPARE(Caption(p), QStringLiteral("KST_") + path);
    QVERIFY(!p.main->DataModified);
    QCOMPARE(Read(path).count("\r\n"), 3);
    Record(p, 2);
    p.main->Save_Click();
    QCOMPARE(Read(path).count("\r\n"), 5);
    QCOMPARE(p.module.CurrentFileName, path);
}

void TestFileCommands::failedSaveKeepsOldFileAndSamples()
{
    if (QFile::exists(QStringLiteral("/dev/full")) == false)
        QSKIP("needs /dev/full");
    ProgramUnderTest p;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("keep.mas"));
    WriteFile(path, "old contents\r\n");
    Record(p, 4);
    // The folder refuses new files: the save cannot even start its temporary file.
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    const bool folderLocked =
        !QFile(dir.filePath(QStringLiteral("probe"))).open(QIODevice::WriteOnly);
    p.fileAnswers = {path};
    p.main->SaveAs_Click();
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (!folderLocked)
        QSKIP("running with rights that ignore folder permissions");
    QCOMPARE(Read(path), QByteArray("old contents\r\n"));
    QVERIFY(p.main->DataModified);
    QCOMPARE(p.module.Samples.SampleCount, 4);
    QCOMPARE(p.warnings.size(), 1);
    QVERIFY(p.warnings[0].contains(QStringLiteral("keep.mas")));
    QVERIFY(Caption(p) != QStringLiteral("KST_") + path);
}

void TestFileCommands::yesThenFailedSaveAbandonsClose()
{
    ProgramUnderTest p;
    Record(p, 2);
    p.saveAnswers = {QMessageBox::Yes};
    p.fileAnswers = {QStringLiteral("/nonexistent-folder/x.mas")};
    p.main->Close_Click();
    QCOMPARE(p.module.Samples.SampleCount, 2);
    QVERIFY(p.main->DataModified);
    QCOMPARE(p.warnings.size(), 1);
    // Cancel in the dialog drops the samples, as a "No" does.
    p.saveAnswers = {QMessageBox::Yes};
    p.fileAnswers = {QString()};
    p.main->Close_Click();
    QCOMPARE(p.module.Samples.SampleCount, 0);
}

void TestFileCommands::openCancelledChangesNothing()
{
    ProgramUnderTest p;
    Record(p, 3);
    const QString caption = Caption(p);
    p.fileAnswers = {QString()};
    p.main->Open_Click();
    QCOMPARE(p.module.Samples.SampleCount, 3);
    QVERIFY(p.main->DataModified);
    QCOMPARE(Caption(p), caption);
    QVERIFY(p.questions.isEmpty());
}

void TestFileCommands::openRestoresReadoutsAndScroll_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("maximum");
    QTest::newRow("50 records") << 50 << 100;
    QTest::newRow("500 records") << 500 << 499;
}

void TestFileCommands::openRestoresReadoutsAndScroll()
{
    QFETCH(int, records);
    QFETCH(int, maximum);
    ProgramUnderTest p;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("log.mas"));
    QByteArray bytes = Records(records - 3);
    bytes += "1.5,#2000-05-04#,#10:15:31#,\"DCV\",1,#TRUE#,#FALSE#,99999,99999\r\n";
    bytes += "2.5,#2000-05-05#,#11:00:00#,\"DCV\",1,#TRUE#,#TRUE#,0,99999\r\n";
    bytes += "0.5,#2000-05-06#,#12:00:00#,\"DCV\",1,#FALSE#,#FALSE#,99999,99999";
    WriteFile(path, bytes);
    p.fileAnswers = {path};
    p.main->Open_Click();
    QCOMPARE(p.module.Samples.SampleCount, records);
    QCOMPARE(p.Text("MaxData"), QStringLiteral("2.5"));
    QCOMPARE(p.Text("MaxTime"), QStringLiteral("05-05-2000 11:00:00"));
    QCOMPARE(p.Text("MinData"), QStringLiteral("2.5"));
    QCOMPARE(p.Text("AvgData"), QStringLiteral("0.0")); // an average of 0 is a value
    QVERIFY(p.main->findChild<QCheckBox *>(QStringLiteral("Avg"))->isChecked());
    QVERIFY(!p.main->findChild<QCheckBox *>(QStringLiteral("Rel"))->isChecked());
    QCOMPARE(p.main->findChild<QScrollBar *>(QStringLiteral("HScroll"))->maximum(), maximum);
    QCOMPARE(Caption(p), QStringLiteral("KST_") + path);
    QVERIFY(!p.main->DataModified);
    QVERIFY(p.warnings.isEmpty());
}

void TestFileCommands::openOfDamagedFileWarnsAndKeepsRecords()
{
    ProgramUnderTest p;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bad.mas"));
    WriteFile(path, Records(4) +
                        "abc,#2000-05-04#,#10:15:30#,\"DCV\",0,#FALSE#,#FALSE#,99999,99999\r\n" +
                        Records(2));
    p.fileAnswers = {path};
    p.main->Open_Click();
    QCOMPARE(p.module.Samples.SampleCount, 4);
    QCOMPARE(p.warnings.size(), 1);
    QVERIFY(p.warnings[0].contains(QStringLiteral("bad.mas")));
    QVERIFY(p.warnings[0].contains(QStringLiteral("line 5")));
    QVERIFY(p.warnings[0].contains(QStringLiteral("4 records")));
}

QTEST_MAIN(TestFileCommands)
#include "tst_filecommands.moc"
