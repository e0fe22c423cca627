#include "common/Numbers.h"
#include "meter/MeterFrameEncoder.h"
#include "shell/MainFrm.h"
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

QTEST_MAIN(TestRecording)
#include "tst_recording.moc"
