#include "meter/MSComm.h"
#include "meter/MeterFrameEncoder.h"
#include "meter/ui/CommuniFrm.h"
#include "session/SettingsStore.h"
#include "shell/MainFrm.h"
#include "support/ui/ProgramUnderTest.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QFile>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <ctime>

using namespace kst;
using kst::test::ProgramUnderTest;
using kst::test::Pty;

namespace {

QByteArray Frame(int counts)
{
    MeterFrameEncoder f; // DC volts, three decimals
    f.Counts = counts;
    f.Range = 1;
    f.Max = true;
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
    void garbageThenFramesLockOn();
    void silentLineFallsBackToOverload();
    void panelKeepsTheMetersPace();
    void lostDeviceReconnects();
};

void TestMeterLink::garbageThenFramesLockOn()
{
    ProgramUnderTest p;
    QVERIFY(p.Send(QByteArray("\x01\xfe\x33\x0d\x0a", 5) + Frame(1111)));
    QTRY_COMPARE(p.Text("ReadBox"), QStringLiteral("1.111"));
    QCOMPARE(p.Text("UnitBox"), QStringLiteral("V"));
    QCOMPARE(LitSegments(p), 11);
    QVERIFY(p.pty->Write(Frame(2222).left(7))); // cut short: no reading
    QVERIFY(p.Send(Frame(3333)));
    QTRY_COMPARE(p.Text("ReadBox"), QStringLiteral("3.333"));
    QByteArray bad = Frame(4444);
    bad[2] = char(0x0c); // no digit: not shown, and the next frame is
    QVERIFY(p.pty->Write(bad));
    QVERIFY(p.Send(Frame(5555)));
    QTRY_COMPARE(p.Text("ReadBox"), QStringLiteral("5.555"));
    // Frames back to back are all read.
    p.main->StartCom->click();
    QVERIFY(p.pty->Write(Frame(1) + Frame(2) + Frame(3)));
    QTRY_COMPARE(p.module.Samples.SampleCount, 3);
    QCOMPARE(p.module.Samples.SampleValue(2), 0.003f);
}

void TestMeterLink::silentLineFallsBackToOverload()
{
    ProgramUnderTest p;
    QCOMPARE(p.main->Timer2->interval(), 3000);
    p.main->Timer2->setInterval(300);
    QVERIFY(!p.main->Timer2->isActive()); // no watchdog before the first frame
    QVERIFY(p.Send(Frame(1234)));
    QTRY_COMPARE(p.Text("ReadBox"), QStringLiteral("1.234"));
    QElapsedTimer clock;
    clock.start();
    QTRY_COMPARE(p.Text("ReadBox"), QStringLiteral("O L"));
    QVERIFY(clock.elapsed() > 250);
    QCOMPARE(p.Text("UnitBox"), QString());
    QCOMPARE(LitSegments(p), 40);
    QVERIFY(p.Visible("Lmax")); // the last frame's annunciators stay
}

// Readings that come faster than the meter's display reach the panel and the meter's button at
// its pace; the silent meter's "O L" at once.
void TestMeterLink::panelKeepsTheMetersPace()
{
    // Nothing waiting is shown while the test runs.
    ProgramUnderTest p(true, {QStringLiteral("Meters/Count=2")}, 3600 * 1000);
    const auto shown = [&p] {
        return p.Text("ReadBox") + u'|' + p.Find<QAbstractButton>("MeterButton1")->text();
    };
    QVERIFY(p.Send(Frame(1111)));
    QCOMPARE(shown(), QStringLiteral("1.111|meter1  1.111 DCV")); // the first after a quiet spell
    QVERIFY(p.Send(Frame(2222)));
    QCOMPARE(shown(), QStringLiteral("1.111|meter1  1.111 DCV"));
    emit p.main->MSComm1->Silent(); // the watchdog ran out
    QCOMPARE(shown(), QStringLiteral("O L|meter1  O L"));
}

// The adapter is pulled while recording and comes back under the same configured path (a link
// that follows it, as /dev/serial/by-id does).
void TestMeterLink::lostDeviceReconnects()
{
    QTemporaryDir links;
    const QString link = links.filePath(QStringLiteral("usb-meter"));
    ProgramUnderTest p(false);
    p.pty = std::make_unique<Pty>();
    QVERIFY(QFile::link(p.pty->SlavePath(), link));
    SettingsStore::SetPortDevice(1, link);
    p.main->MSComm1->SetPortOpen(false);
    p.main->MSComm1->SetRetryMs(100);
    p.main->Timer2->setInterval(300);
    QCOMPARE(p.main->MSComm1->SetPortOpen(true), 0);
    p.main->StartCom->click();
    QVERIFY(p.Send(Frame(1001) + Frame(1002) + Frame(1003)));
    QTRY_COMPARE(p.module.Samples.SampleCount, 3);

    // Pulled: the link goes first, so the retries never open a pseudo-terminal number that
    // another test running at the same time has just been given.
    QVERIFY(QFile::remove(link));
    p.pty->Close();
    QTRY_VERIFY(p.Text("StatusText")
                    .startsWith(QStringLiteral("COM1 %1: disconnected, retrying").arg(link)));
    const std::clock_t before = std::clock();
    QTest::qWait(500); // a few attempts at a missing device
    QVERIFY2(double(std::clock() - before) / CLOCKS_PER_SEC < 0.2, "busy while the device is gone");
    QTRY_COMPARE(p.Text("ReadBox"), QStringLiteral("O L"));

    p.pty = std::make_unique<Pty>();
    QVERIFY(QFile::link(p.pty->SlavePath(), link));
    p.now = p.now.addSecs(60);
    QTRY_VERIFY(p.main->MSComm1->PortOpen());
    QVERIFY(p.Send(Frame(1500)));
    QTRY_COMPARE(p.module.Samples.SampleCount, 4);
    QCOMPARE(p.module.Samples.SampleValue(2), 1.003f);
    QCOMPARE(p.module.Samples.SampleValue(3), 1.5f);
    QCOMPARE(p.module.Samples.SampleTime(2).secsTo(p.module.Samples.SampleTime(3)), 60);

    // Lost again: choosing another port ends the waiting for this one.
    QVERIFY(QFile::remove(link));
    p.pty->Close();
    QTRY_COMPARE(p.main->MSComm1->State(), MSComm::LinkState::Retrying);
    Pty other;
    SettingsStore::SetPortDevice(2, other.SlavePath());
    CommuniFrm window(*p.main->MSComm1, p.module, MainFrm::Ports());
    window.findChild<QRadioButton *>(QStringLiteral("Option2"))->setChecked(true);
    window.ComOK_Click();
    QCOMPARE(p.main->MSComm1->State(), MSComm::LinkState::Open);
    QCOMPARE(p.main->MSComm1->DevicePath(), other.SlavePath());
}

QTEST_MAIN(TestMeterLink)
#include "tst_meterlink.moc"
