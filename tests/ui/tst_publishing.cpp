#include "meter/MeterFrameEncoder.h"
#include "meter/ReadingExport.h"
#include "publish/Broker.h"
#include "shell/PublishFrm.h"
#include "support/ui/ProgramUnderTest.h"

#include <QCheckBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace kst;
using namespace kst::test;

class TestPublishing : public QObject {
    Q_OBJECT
private slots:
    void readingsReachTheBroker();
};

// With publishing ticked, every reading the program receives (held and over-range ones too) is
// published as kst-log publishes it; switched off in the window, nothing more is.
void TestPublishing::readingsReachTheBroker()
{
    Broker broker;
    QVERIFY(broker.Start());
    Subscriber subscriber(broker.Port());
    ProgramUnderTest p(
        true, {"Publish/Enabled=1",
               QStringLiteral("Publish/Url=mqtt://127.0.0.1:%1/lab/e2e").arg(broker.Port())});
    QTRY_COMPARE_WITH_TIMEOUT(p.Text("PublishText"), QStringLiteral("MQTT: connected"), 15000);

    QList<QByteArray> expected;
    for (const auto &[counts, ol, hold] :
         {std::tuple{1234, 0, false}, {0, 1, false}, {2000, 0, true}}) {
        MeterFrameEncoder f;
        f.Counts = counts;
        f.Range = 1;
        f.OverRangeCount = ol;
        f.Hold = hold;
        const MeterReading reading = *DecodeMeterFrame(f.Encode());
        expected << ReadingJson(p.now, reading, ReadingValue(reading)).chopped(1) +
                        ",\"seq\":" + QByteArray::number(expected.size() + 1) + "}";
        QVERIFY(p.Send(f.Encode()));
        p.now = p.now.addSecs(1);
    }
    QTRY_COMPARE_WITH_TIMEOUT(subscriber.On("lab/e2e/reading").size(), size_t(3), 15000);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(subscriber.On("lab/e2e/reading")[size_t(i)].payload, expected[i]);
    const QJsonObject status =
        QJsonDocument::fromJson(subscriber.On("lab/e2e/status").back().payload).object();
    QCOMPARE(status.value("program").toString(), QStringLiteral("kst"));
    QCOMPARE(status.value("device").toString(), p.pty->SlavePath());
    QCOMPARE(status.value("unit").toString(), QStringLiteral("DCV"));

    // A bad address is refused with its cause and kept; switched off, OK closes the window.
    QString kept;
    QTimer::singleShot(0, [&] {
        auto *window = p.main->findChild<PublishFrm *>("PublishFrm");
        auto *url = window->findChild<QLineEdit *>("Url");
        url->setText("http://broker/x");
        window->findChild<QPushButton *>("OkCommand")->click();
        kept = window->isVisible() ? url->text() : QString();
        url->clear();
        window->findChild<QCheckBox *>("Enabled")->setChecked(false);
        window->findChild<QPushButton *>("OkCommand")->click();
    });
    p.main->Publish_Click();
    QCOMPARE(kept, "http://broker/x");
    QCOMPARE(p.messages.Texts().value(0), "http://broker/x: not a broker address (mqtt://"
                                          "[user@]host[:port]/prefix or mqtts://...)");
    QVERIFY(!ReadPublishSettings().enabled);
    QVERIFY(!p.Visible("PublishText"));
    QTRY_COMPARE_WITH_TIMEOUT(
        QJsonDocument::fromJson(subscriber.On("lab/e2e/status").back().payload)
            .object()
            .value("status")
            .toString(),
        QStringLiteral("offline"), 15000);
    QVERIFY(p.Send(MeterFrameEncoder().Encode()));
    QTest::qWait(500);
    QCOMPARE(subscriber.On("lab/e2e/reading").size(), size_t(3));
}

QTEST_MAIN(TestPublishing)
#include "tst_publishing.moc"
