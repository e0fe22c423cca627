// One reading path: the same bytes on two serial lines, one read by the program recording with
// START down, the other by the logger without a screen, on the same clock, give the same sample
// file and the same CSV file, byte for byte.
#include "MeterLogger.h"
#include "meter/FrameReceiver.h"
#include "meter/MSComm.h"
#include "meter/MeterFrameEncoder.h"
#include "session/MeterSession.h"
#include "shell/MainFrm.h"
#include "support/SampleRecords.h"
#include "support/ui/ProgramUnderTest.h"

#include <QRadioButton>
#include <QTest>

using namespace kst;
using kst::test::ProgramUnderTest;

namespace {

QByteArray Display(int counts, int function, int range, bool hold = false, int ol = 0)
{
    MeterFrameEncoder f;
    f.Counts = counts;
    f.Function = function;
    f.Range = range;
    f.Hold = hold;
    f.OverRangeCount = ol;
    return f.Encode();
}

// Bursts of bytes as the meter and a noisy line send them, each followed by a pause.
QList<QByteArray> Bursts()
{
    QByteArray badDigit = Display(1, 0, 1);
    badDigit[3] = char(0x3a);
    return {Display(1234, 0, 1),
            QByteArray("\x7f\xfe\x33", 3) + Display(-250, 0, 0),
            Display(5, 0, 1) + Display(6, 0, 1) + Display(7, 0, 1),
            Display(0, 0, 1, false, 1),
            Display(2000, 0, 1, true),
            Display(999, 4, 2).left(6) + Display(470, 4, 2),
            badDigit + Display(3999, 8, 0),
            Display(1500, 12, 3)};
}

} // namespace

class TestOnePath : public QObject {
    Q_OBJECT
private slots:
    void windowAndLoggerWriteTheSameFiles_data();
    void windowAndLoggerWriteTheSameFiles();
};

void TestOnePath::windowAndLoggerWriteTheSameFiles_data()
{
    QTest::addColumn<QString>("csvForm"); // the window's last choice, kst-log's --csv-form
    QTest::newRow("CSV for programs") << u"iso"_qs;
    QTest::newRow("CSV for spreadsheets") << u"spreadsheet"_qs;
}

void TestOnePath::windowAndLoggerWriteTheSameFiles()
{
    QFETCH(QString, csvForm);
    ProgramUnderTest p(true, {"setting/CsvForm=" + csvForm});
    const QString folder = p.env.DataFolder() + u'/';
    p.main->MSComm1->SetQuietMs(5);
    p.main->StartCom->click();
    int shown = 0;
    connect(&p.main->Session(), &MeterSession::ReadingTaken, this, [&shown] { ++shown; });

    test::Pty line;
    LoggerOptions options;
    options.meters = {{QStringLiteral("meter1"), line.SlavePath()}};
    options.masPath = folder + QStringLiteral("logger.mas");
    options.csvPath = folder + QStringLiteral("logger.csv");
    options.csvFormat = {*CsvFormFromName(csvForm), QLocale::system()};
    options.quiet = true;
    MeterLogger logger(options);
    logger.Session().SetClock([&p] { return p.now; });
    logger.Session().Link().SetQuietMs(5);
    int logged = 0;
    connect(&logger.Session(), &MeterSession::ReadingTaken, this, [&logged] { ++logged; });
    QCOMPARE(logger.Start(), int(ExitOk));

    // How many readings each burst gives, by the assembler's own rules.
    int expected = 0;
    FrameReceiver rules([&expected](const MeterReading &) { ++expected; });
    for (const QByteArray &burst : Bursts()) {
        rules.Receive(burst);
        rules.LineQuiet();
        QVERIFY(p.pty->Write(burst) && line.Write(burst));
        QTRY_VERIFY(shown == expected && logged == expected);
        p.now = p.now.addMSecs(1250);
    }
    QCOMPARE(expected, 10);
    QCOMPARE(p.module.Samples.SampleCount, 9); // the held display is not recorded
    logger.Stop();

    p.fileAnswers = {folder + QStringLiteral("window.mas"), folder + QStringLiteral("window.csv")};
    p.main->SaveAs_Click();
    p.main->ExportCsv_Click();
    QCOMPARE(test::FileBytes(folder + QStringLiteral("window.mas")),
             test::FileBytes(options.masPath));
    QCOMPARE(test::FileBytes(folder + QStringLiteral("window.csv")),
             test::FileBytes(options.csvPath));
}

QTEST_MAIN(TestOnePath)
#include "tst_onepath.moc"
