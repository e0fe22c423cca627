#include "graph/ui/ScallFrm.h"
#include "graph/ui/TrendGraphView.h"
#include "support/SampleRecords.h"
#include "support/ui/ProgramUnderTest.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QProgressDialog>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace kst;
using kst::test::FileBytes;
using kst::test::ProgramUnderTest;
using kst::test::WriteFile;

namespace {

// Records n samples the way the recording cycle does, values 1, 2, 3, ...
void Record(ProgramUnderTest &p, int n)
{
    for (int i = 0; i < n; ++i)
        p.main->RecordReading(float(i + 1), QStringLiteral("DCV"), 0);
}

QByteArray Records(int n, const QByteArray &tail = ",#2000-05-04#,#10:15:30#,\"DCV\",0,#FALSE#,"
                                                   "#FALSE#,99999,99999\r\n")
{
    QByteArray out;
    for (int i = 0; i < n; ++i)
        out += QByteArray::number(i) + tail;
    return out;
}

} // namespace

class TestFileCommands : public QObject {
    Q_OBJECT
private slots:
    void defaultNamesAndNew();
    void unsavedSamplesQuestion_data();
    void unsavedSamplesQuestion();
    void damagedFileIsNotOverwrittenBySave();
    void openRestoresReadoutsScrollAndScale_data();
    void openRestoresReadoutsScrollAndScale();
    void exportCancelledWhileItRuns();
    void markersAndSavedRecording();
};

void TestFileCommands::defaultNamesAndNew()
{
    ProgramUnderTest p;
    const QString folder = p.module.SampleFolder();
    QCOMPARE(p.main->windowTitle(), QStringLiteral("KST_") + folder + "/default1.mas");
    QVERIFY(WriteFile(folder + "/default1.mas", {}));
    QVERIFY(WriteFile(folder + "/default2.mas", {}));
    p.main->New_Click();
    QVERIFY(p.messages.Messages().isEmpty()); // nothing recorded: nothing asked
    QCOMPARE(p.module.CurrentFileName, folder + "/default3.mas");
    QCOMPARE(p.main->windowTitle(), QStringLiteral("KST_") + p.module.CurrentFileName);
}

void TestFileCommands::unsavedSamplesQuestion_data()
{
    // command|answer|Save As answer (empty cancels, "bad" cannot be written)|samples kept unsaved
    QTest::addColumn<QString>("row");
    for (const char *row : {"close|No||dropped", "close|Yes|run.mas|dropped", "close|Yes||kept",
                            "close|Yes|bad|kept", "new|Yes||kept", "open|Yes||kept",
                            "quit|Yes||kept", "quit|Cancel||kept", "quit|No||dropped"})
        QTest::newRow(row) << QString::fromLatin1(row);
}

void TestFileCommands::unsavedSamplesQuestion()
{
    QFETCH(QString, row);
    const QStringList f = row.split(u'|');
    const QString command = f[0], saveTo = f[2];
    const bool kept = f[3] == u"kept";
    ProgramUnderTest p;
    QTemporaryDir dir;
    const QString other = dir.filePath("other.mas");
    QVERIFY(WriteFile(other, Records(7)));
    Record(p, 5);
    const QString caption = p.main->windowTitle();
    if (command == u"open")
        p.fileAnswers << other;
    p.fileAnswers << (saveTo == u"bad"   ? "/nonexistent-folder/x.mas"
                      : saveTo.isEmpty() ? QString()
                                         : dir.filePath(saveTo));
    p.messages.Answer({f[1] == u"Yes"  ? MessageButton::Yes
                       : f[1] == u"No" ? MessageButton::No
                                       : MessageButton::Cancel});
    if (command == u"close")
        p.main->Close_Click();
    else if (command == u"new")
        p.main->New_Click();
    else if (command == u"open")
        p.main->Open_Click();
    else
        p.main->QuitProgram();

    const QString question = command == u"quit" ? QStringLiteral("Quite before,Save file? ")
                                                : QStringLiteral("Current File No Save,Save? ");
    QCOMPARE(p.messages.Messages().value(0).Text, question);
    if (kept) {
        QCOMPARE(p.module.Samples.SampleCount, 5);
        QVERIFY(p.main->DataModified);
        QCOMPARE(p.main->windowTitle(), caption);
        QVERIFY(!p.ended);
    } else if (command == u"quit") {
        QVERIFY(p.ended);
    } else {
        QCOMPARE(p.module.Samples.SampleCount, 0);
    }
    if (!saveTo.isEmpty() && saveTo != u"bad")
        QCOMPARE(FileBytes(dir.filePath(saveTo)).count("\r\n"), 5);
    QVERIFY(QDir(p.module.SampleFolder()).entryList(QDir::Files).isEmpty()); // no file written
}

void TestFileCommands::damagedFileIsNotOverwrittenBySave()
{
    ProgramUnderTest p;
    QTemporaryDir dir;
    const QString path = dir.filePath("bad.mas");
    const QByteArray damaged =
        Records(4) + "abc,#2000-05-04#,#10:15:30#,\"DCV\",0\r\n" + Records(2);
    QVERIFY(WriteFile(path, damaged));
    p.fileAnswers = {path};
    p.main->Open_Click();
    QCOMPARE(p.module.Samples.SampleCount, 4);
    QCOMPARE(p.messages.Messages().size(), 1);
    QVERIFY(p.messages.Texts()[0].contains("line 5"));
    QCOMPARE(p.main->windowTitle(), QStringLiteral("KST_") + path);
    // Save goes through the dialog with the file proposed; cancelled, the file stays whole.
    p.main->Save_Click();
    QCOMPARE(p.fileStarts.last(), path);
    QCOMPARE(FileBytes(path), damaged);
    p.fileAnswers = {path};
    p.main->Save_Click();
    QCOMPARE(FileBytes(path).count("\r\n"), 4);
    p.main->Save_Click(); // the file is whole now: no dialog
    QCOMPARE(p.fileStarts.size(), 3);

    // A file that gives no record does not become the current file.
    const QString caption = p.main->windowTitle();
    const QString empty = dir.filePath("garbage.mas");
    QVERIFY(WriteFile(empty, "garbage\r\n"));
    p.fileAnswers = {empty};
    p.main->Open_Click();
    QCOMPARE(p.module.Samples.SampleCount, 0);
    QVERIFY(p.module.CurrentFileName != empty);
    QVERIFY(p.main->windowTitle() != QStringLiteral("KST_") + empty);
    QVERIFY(p.main->SaveFileName != empty);
    QVERIFY(caption != p.main->windowTitle()); // back on a default file
}

void TestFileCommands::openRestoresReadoutsScrollAndScale_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<bool>("meterRange");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<QList<double>>("scale"); // top, low after the load
    QTest::newRow("50 records, meter range") << 50 << true << 100 << QList<double>{1, -1};
    QTest::newRow("500 records, man range") << 500 << false << 499 << QList<double>{400, -400};
}

void TestFileCommands::openRestoresReadoutsScrollAndScale()
{
    QFETCH(int, records);
    QFETCH(bool, meterRange);
    QFETCH(int, maximum);
    QFETCH(QList<double>, scale);
    ProgramUnderTest p;
    if (!meterRange)
        p.main->Scall().findChild<QRadioButton *>("ManOption")->setChecked(true);
    QTemporaryDir dir;
    const QString path = dir.filePath("log.mas");
    // Every record a maximum: the last one's value and time are shown.
    const QByteArray max = ",#2000-05-04#,#10:15:30#,\"DCV\",0,#TRUE#,#FALSE#,99999,99999\r\n";
    QVERIFY(WriteFile(path,
                      Records(records - 2, max) +
                          "2.5,#2000-05-05#,#11:00:00#,\"DCV\",1,#TRUE#,#TRUE#,0,99999\r\n"
                          "0.5,#2000-05-06#,#12:00:00#,\"DCA\",3,#FALSE#,#FALSE#,99999,99999\r\n"));
    p.fileAnswers = {path};
    p.main->Open_Click();
    QCOMPARE(p.module.Samples.SampleCount, records);
    QCOMPARE(p.Text("MaxData"), QStringLiteral("2.5"));
    QCOMPARE(p.Text("MaxTime"), QStringLiteral("05-05-2000 11:00:00"));
    QCOMPARE(p.Text("AvgData"), QStringLiteral("0.0")); // an average of 0 is a value
    QVERIFY(p.Find<QCheckBox>("Min")->isChecked());
    QVERIFY(!p.Find<QCheckBox>("Rel")->isChecked());
    QCOMPARE(p.Find<QScrollBar>("HScroll")->maximum(), maximum);
    QVERIFY(!p.main->DataModified);
    // Meter range: the scale of the last sample's range (amperes, 3 decimals: 1.000 A full).
    QCOMPARE((QList<double>{p.module.GraphTopY, p.module.GraphLowY}), scale);
}

// A long export shows its progress, lets the window's events in while it runs, and stops at
// Cancel without leaving a file.
void TestFileCommands::exportCancelledWhileItRuns()
{
    ProgramUnderTest p(false);
    test::FillLog(p.module.Samples, 40000);
    const QString path = p.env.DataFolder() + QStringLiteral("/all.csv");
    p.fileAnswers = {path};
    p.main->ExportProgressDelayMs = 0;
    QTimer::singleShot(0, p.main, [&p] { p.Find<QProgressDialog>("ExportProgress")->cancel(); });
    p.main->ExportCsv_Click();
    QVERIFY(!QFile::exists(path));
    QCOMPARE(p.messages.Texts(), QStringList());
}

// A marker put now (Setup > Add Marker...): unsaved until Save writes it beside the file, in the
// CSV export, let go by New, back with Open. A saved recording shows under the line until taken
// away.
void TestFileCommands::markersAndSavedRecording()
{
    ProgramUnderTest p;
    Record(p, 3);
    p.main->DataModified = false;
    p.main->AskMarkerNote = [] { return std::optional<QString>(QStringLiteral("fan on")); };
    p.Find<QAction>("AddMarker")->trigger();
    QVERIFY(p.main->DataModified);
    QTemporaryDir dir;
    const QString path = dir.filePath("run.mas");
    p.fileAnswers = {path, dir.filePath("run.csv")};
    p.main->SaveAs_Click();
    QCOMPARE(FileBytes(dir.filePath("run.markers")), "2000-05-04 10:15:30.000\tfan on\n");
    p.main->ExportCsv_Click();
    QVERIFY(FileBytes(dir.filePath("run.csv")).contains(",,,,,,marker: fan on\r\n"));
    p.main->New_Click();
    QVERIFY(p.module.Markers.empty());
    p.fileAnswers = {path, path};
    p.main->Open_Click();
    QCOMPARE(p.module.Markers.size(), size_t(1));
    QCOMPARE(p.module.Markers[0].text, QStringLiteral("fan on"));
    p.Find<QAction>("Overlay")->trigger();
    QCOMPARE(p.main->Graph->SavedRecording()->SampleCount, 3);
    p.Find<QAction>("RemoveOverlay")->trigger();
    QVERIFY(!p.main->Graph->SavedRecording());
    QVERIFY(!p.Find<QAction>("RemoveOverlay")->isEnabled());
}

QTEST_MAIN(TestFileCommands)
#include "tst_filecommands.moc"
