#include "meter/CommuniFrm.h"
#include "meter/MSComm.h"
#include "meter/MeterFrameEncoder.h"
#include "shell/MainFrm.h"
#include "shell/SettingsStore.h"
#include "support/ui/ProgramUnderTest.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <ctime>

using namespace kst;
using kst::test::ProgramUnderTest;

namespace {

QByteArray Frame(int counts, int function, int range, bool negative = false, int ol = 0,
                 bool hold = false)
{
    MeterFrameEncoder f;
    f.Counts = counts;
    f.Function = function;
    f.Range = range;
    f.Negative = negative;
    f.OverRangeCount = ol;
    f.Hold = hold;
    f.Auto = true;
    return f.Encode();
}

int LitSegments(const ProgramUnderTest &p)
{
    int lit = 0;
    for (int i = 1; i <= 40; ++i)
        lit += p.Visible(qPrintable(QStringLiteral("Label1(%1)").arg(i))) ? 1 : 0;
    return lit;
}

} // namespace

class TestMeterLink : public QObject {
    Q_OBJECT
private slots:
    void framesReachThePanel_data();
    void framesReachThePanel();
    void garbageThenFramesLockOn();
    void silentLineFallsBackToOverload();
    void pulledDeviceLeavesTheProgramResponsive();
};

void TestMeterLink::framesReachThePanel_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QString>("reading");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("acdc");
    QTest::addColumn<int>("segments");
    QTest::addColumn<bool>("zeroSegment");
    QTest::newRow("volts") << Frame(1234, 0, 1) << "1.234"
                           << "V"
                           << "DC" << 12 << true;
    QTest::newRow("negative volts") << Frame(1234, 0, 1, true) << "-1.234"
                                    << "V"
                                    << "DC" << 12 << true;
    QTest::newRow("ohms ignore the sign") << Frame(950, 4, 2, true) << "09.50"
                                          << "KΩ"
                                          << "" << 10 << true;
    QTest::newRow("AC millivolts") << Frame(3999, 1, 0) << "399.9"
                                   << "mV"
                                   << "AC" << 40 << true;
    QTest::newRow("amperes count four times") << Frame(250, 8, 0) << "02.50"
                                              << "A"
                                              << "DC" << 10 << true;
    QTest::newRow("hertz light no segment") << Frame(5000, 10, 5) << "50.00"
                                            << "Hz"
                                            << "" << 0 << false;
    QTest::newRow("over range") << Frame(0, 0, 1, false, 1) << "O L"
                                << "V"
                                << "DC" << 0 << true;
}

void TestMeterLink::framesReachThePanel()
{
    QFETCH(QByteArray, frame);
    QFETCH(QString, reading);
    QFETCH(QString, unit);
    QFETCH(QString, acdc);
    QFETCH(int, segments);
    QFETCH(bool, zeroSegment);
    ProgramUnderTest p;
    QVERIFY(p.main->MSComm1->PortOpen());
    QCOMPARE(p.Text("ReadBox"), QStringLiteral("O L"));
    QCOMPARE(LitSegments(p), 40);
    QVERIFY(p.Send(frame));
    QTRY_COMPARE(p.Text("ReadBox"), reading);
    QCOMPARE(p.Text("UnitBox"), unit);
    QCOMPARE(p.Text("DcAcBox"), acdc);
    QCOMPARE(LitSegments(p), segments);
    QCOMPARE(p.Visible("Label1(0)"), zeroSegment);
    QVERIFY(p.Visible("Lauto"));
    QVERIFY(!p.Visible("Lhold"));
}

void TestMeterLink::garbageThenFramesLockOn()
{
    ProgramUnderTest p;
    // Garbage glued to the front of a frame, then a cut frame on its own, then frames.
    QVERIFY(p.Send(QByteArray("\x01\xfe\x33\x0d\x0a", 5) + Frame(1111, 0, 1)));
    QTRY_COMPARE(p.Text("ReadBox"), QStringLiteral("1.111"));
    QVERIFY(p.Send(Frame(2222, 0, 1).left(7)));
    QVERIFY(p.Send(Frame(3333, 0, 1)));
    QTRY_COMPARE(p.Text("ReadBox"), QStringLiteral("3.333"));
    // A frame with a digit byte that is no digit is not shown; the next one is.
    QByteArray bad = Frame(4444, 0, 1);
    bad[2] = char(0x0c);
    QVERIFY(p.Send(bad));
    QCOMPARE(p.Text("ReadBox"), QStringLiteral("3.333"));
    QVERIFY(p.Send(Frame(5555, 0, 1)));
    QTRY_COMPARE(p.Text("ReadBox"), QStringLiteral("5.555"));
}

void TestMeterLink::silentLineFallsBackToOverload()
{
    ProgramUnderTest p;
    QVERIFY(!p.main->Timer2->isActive()); // no watchdog before the first frame
    QTest::qWait(200);
    QVERIFY(!p.main->Timer2->isActive());
    MeterFrameEncoder f;
    f.Counts = 1234;
    f.Function = 0;
    f.Range = 1;
    f.Max = true;
    QVERIFY(p.Send(f.Encode()));
    QTRY_COMPARE(p.Text("ReadBox"), QStringLiteral("1.234"));
    QVERIFY(p.main->Timer2->isActive());
    QElapsedTimer clock;
    clock.start();
    QTRY_COMPARE_WITH_TIMEOUT(p.Text("ReadBox"), QStringLiteral("O L"), 4000);
    QVERIFY(clock.elapsed() > 2500);
    QCOMPARE(p.Text("UnitBox"), QString());
    QCOMPARE(p.Text("DcAcBox"), QString());
    QCOMPARE(LitSegments(p), 40);
    QVERIFY(p.Visible("Lmax"));          // the annunciators of the last frame stay
    QVERIFY(p.main->Timer2->isActive()); // and it keeps firing until the next frame
}

void TestMeterLink::pulledDeviceLeavesTheProgramResponsive()
{
    ProgramUnderTest p;
    p.main->StartCom->setChecked(true);
    for (int i = 1; i <= 3; ++i)
        QVERIFY(p.Send(Frame(1000 + i, 0, 1)));
    QTRY_COMPARE(p.module.Samples.SampleCount, 3);
    p.pty->Close();
    QTRY_VERIFY(!p.main->MSComm1->PortOpen());
    // The event loop keeps turning: a timer set now still fires on time.
    bool fired = false;
    QTimer::singleShot(50, [&] { fired = true; });
    QTRY_VERIFY_WITH_TIMEOUT(fired, 1000);
    QCOMPARE(p.module.Samples.SampleCount, 3);
    // No busy loop on the dead device: a second of waiting costs almost no processor time.
    const std::clock_t before = std::clock();
    QTest::qWait(1000);
    QVERIFY2(double(std::clock() - before) / CLOCKS_PER_SEC < 0.3, "busy while the device is gone");
    QTRY_COMPARE_WITH_TIMEOUT(p.Text("ReadBox"), QStringLiteral("O L"), 4000);

    // The adapter comes back as another device: assigning it in the port window resumes.
    kst::test::Pty again;
    SettingsStore::SetPortDevice(1, again.SlavePath());
    CommuniFrm window(*p.main->MSComm1, p.module);
    window.ComOK_Click();
    QVERIFY(p.main->MSComm1->PortOpen());
    QVERIFY(again.Write(Frame(1500, 0, 1)));
    QTRY_COMPARE(p.Text("ReadBox"), QStringLiteral("1.500"));
    QTRY_COMPARE(p.module.Samples.SampleCount, 4);
}

QTEST_MAIN(TestMeterLink)
#include "tst_meterlink.moc"
