#include "meter/MeterFrameEncoder.h"
#include "meter/ReadingExport.h"
#include "publish/Broker.h"
#include "publish/PublishLink.h"
#include "shell/MainFrm.h"
#include "shell/PublishFrm.h"
#include "support/ui/ProgramUnderTest.h"

#include <QCheckBox>
#include <QPushButton>
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

// The program publishing to a broker of the test's own.
class TestPublishing : public QObject {
    Q_OBJECT
private slots:
    void publishesEveryReading();
};

// With publishing ticked, every reading received (held and over-range ones too, recording or
// not) is published as kst-log publishes it; switched off in the window, nothing more is.
void TestPublishing::publishesEveryReading()
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

    const auto tick = [&p](bool on) {
        QTimer::singleShot(0, [&p, on] {
            auto *window = p.main->findChild<PublishFrm *>("PublishFrm");
            window->findChild<QCheckBox *>("Enabled")->setChecked(on);
            window->findChild<QPushButton *>("OkCommand")->click();
        });
        p.main->Publish_Click();
    };
    // A reading while publishing is off is neither sent nor queued: the next one published after
    // ticking it again is the fourth.
    tick(false);
    QVERIFY(!p.Visible("PublishText"));
    QVERIFY(p.Send(Frame(1000, 0, 1)));
    tick(true);
    QTRY_COMPARE_WITH_TIMEOUT(p.Text("PublishText"), QStringLiteral("MQTT: connected"), 15000);
    QVERIFY(p.Send(Frame(1500, 0, 1)));
    QTRY_COMPARE_WITH_TIMEOUT(subscriber.On("e2e/reading").size(), size_t(4), 15000);
    const QByteArray fourth = subscriber.On("e2e/reading")[3].payload;
    QVERIFY2(fourth.contains("\"value\":1.500") && fourth.endsWith(",\"seq\":4}"), fourth);
}

QTEST_MAIN(TestPublishing)
#include "tst_publishing.moc"
