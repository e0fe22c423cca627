#include "common/Numbers.h"
#include "meter/MeterFrameEncoder.h"
#include "meter/ReadingExport.h"
#include "publish/Broker.h"
#include "shell/MainFrm.h"
#include "shell/PublishFrm.h"
#include "support/ui/ProgramUnderTest.h"

#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

using namespace kst;
using kst::test::ProgramUnderTest;

namespace {

QByteArray Frame(int counts, int function, int range, int ol = 0, bool hold = false)
{
    MeterFrameEncoder f;
    f.Counts = counts;
    f.Function = function;
    f.Range = range;
    f.OverRangeCount = ol;
    f.Hold = hold;
    return f.Encode();
}

} // namespace

class TestRecording : public QObject {
    Q_OBJECT
private slots:
    void startFramesStop();
    void publishesEveryReading();
};

void TestRecording::startFramesStop()
{
    ProgramUnderTest p;
    p.main->findChild<QCheckBox *>(QStringLiteral("Max"))->setChecked(true);
    p.main->findChild<QCheckBox *>(QStringLiteral("Avg"))->setChecked(true);
    auto *scroll = p.main->findChild<QScrollBar *>(QStringLiteral("HScroll"));
    QVERIFY(p.Send(Frame(1111, 0, 1))); // shown, not recorded: START is up
    QTRY_COMPARE(p.Text("ReadBox"), QStringLiteral("1.111"));
    p.main->StartCom->setChecked(true);
    QVERIFY(!p.main->FileMenu->isEnabled());
    QVERIFY(!scroll->isEnabled());

    QVERIFY(p.Send(Frame(1234, 0, 1))); // 1.234 DCV
    p.now = p.now.addSecs(1);
    QVERIFY(p.Send(Frame(3500, 0, 0))); // range change: 350.0 DCmV
    p.now = p.now.addSecs(1);
    QVERIFY(p.Send(Frame(0, 0, 0, 1)));          // OL
    QVERIFY(p.Send(Frame(2000, 0, 0, 0, true))); // HOLD: shown, not recorded
    QTRY_COMPARE(p.Text("ReadBox"), QStringLiteral("200.0"));
    p.main->StopCom->setChecked(true);
    QVERIFY(p.main->FileMenu->isEnabled());
    QVERIFY(scroll->isEnabled());
    QVERIFY(p.Send(Frame(1000, 0, 1))); // stopped: not recorded

    const SampleLog &log = p.module.Samples;
    QCOMPARE(log.SampleCount, 3);
    QCOMPARE(log.SampleValue(0), 1.234f);
    QCOMPARE(log.SampleUnit(0), QStringLiteral("DCV"));
    QCOMPARE(log.SampleDecimals(0), qint16(3));
    QCOMPARE(log.SampleIsMax(0), qint16(-1));
    QCOMPARE(log.SampleRelRef(0), NoValueMarker);
    QCOMPARE(log.SampleDate(0), QDate(2000, 5, 4));
    QCOMPARE(log.SampleTime(1), QTime(10, 15, 31));
    QCOMPARE(log.SampleAvg(1), 792.0f);    // (1234 mV + 350 mV) / 2
    QCOMPARE(log.SampleValue(2), 4000.0f); // OL keeps its frame's unit
    QCOMPARE(log.SampleUnit(2), QStringLiteral("DCmV"));
    QCOMPARE(p.module.GraphUnit, QStringLiteral("DCmV"));
    QCOMPARE(p.Text("MaxData"), QStringLiteral("1.234"));
    QVERIFY(p.main->DataModified);

    p.main->StartCom->setChecked(true);
    QVERIFY(p.Send(Frame(2000, 0, 1)));
    QTRY_COMPARE(log.SampleCount, 4); // a second run appends
    QCOMPARE(log.SampleValue(3), 2.0f);
}

// With publishing ticked, every reading received (held and over-range ones too, recording or
// not) is published as kst-log publishes it; switched off in the window, nothing more is.
void TestRecording::publishesEveryReading()
{
    test::Broker broker;
    QVERIFY(broker.Start());
    test::Subscriber subscriber(broker.Port());
    ProgramUnderTest p(true,
                       {"Publish/Enabled=1",
                        QStringLiteral("Publish/Url=mqtt://127.0.0.1:%1/e2e").arg(broker.Port())});
    QTRY_COMPARE_WITH_TIMEOUT(p.Text("PublishText"), QStringLiteral("MQTT: connected"), 15000);
    QList<QByteArray> expected;
    for (const QByteArray &frame :
         {Frame(1234, 0, 1), Frame(0, 0, 1, 1), Frame(2000, 0, 1, 0, true)}) {
        const MeterReading reading = *DecodeMeterFrame(frame);
        expected << ReadingJson(p.now, reading, ReadingValue(reading)).chopped(1) +
                        ",\"seq\":" + QByteArray::number(expected.size() + 1) + "}";
        QVERIFY(p.Send(frame));
        p.now = p.now.addSecs(1);
    }
    QTRY_COMPARE_WITH_TIMEOUT(subscriber.On("e2e/reading").size(), size_t(3), 15000);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(subscriber.On("e2e/reading")[size_t(i)].payload, expected[i]);
    const QByteArray status = subscriber.On("e2e/status").back().payload;
    QVERIFY2(status.contains("\"program\":\"kst\"") && status.contains("\"unit\":\"DCV\""), status);

    QTimer::singleShot(0, [&p] {
        auto *window = p.main->findChild<PublishFrm *>("PublishFrm");
        window->findChild<QCheckBox *>("Enabled")->setChecked(false);
        window->findChild<QPushButton *>("OkCommand")->click();
    });
    p.main->Publish_Click();
    QVERIFY(!p.Visible("PublishText"));
    QVERIFY(p.Send(Frame(1000, 0, 1)));
    QTest::qWait(1000);
    QCOMPARE(subscriber.On("e2e/reading").size(), size_t(3));
}

QTEST_MAIN(TestRecording)
#include "tst_recording.moc"
