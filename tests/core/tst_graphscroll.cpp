#include "graph/GraphScroll.h"
#include "record/SampleLog.h"

#include <QTest>

using namespace kst;

Q_DECLARE_METATYPE(kst::ViewWindow)
Q_DECLARE_METATYPE(kst::ScrollPosition)

class TestGraphScroll : public QObject {
    Q_OBJECT
private slots:
    void advance_data();
    void advance();
    void viewWindowAndStart_data();
    void viewWindowAndStart();
    void readout_data();
    void readout();
};

void TestGraphScroll::advance_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<double>("width");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("newValue");
    QTest::addColumn<int>("newMaximum");
    QTest::newRow("sample 95 stays") << 0 << 100 << 100.0 << 95 << 0 << 100;
    QTest::newRow("sample 96 moves") << 0 << 100 << 100.0 << 96 << 1 << 100;
    QTest::newRow("at the maximum it grows by 5") << 100 << 100 << 100.0 << 196 << 101 << 105;
    QTest::newRow("past 16 bits") << 32767 << 32767 << 100.0 << 40000 << 32768 << 32772;
    QTest::newRow("pinned at the limit")
        << ScrollMaximumLimit << ScrollMaximumLimit << 5.0 << std::numeric_limits<int>::max()
        << ScrollMaximumLimit << ScrollMaximumLimit;
}

void TestGraphScroll::advance()
{
    QFETCH(int, value);
    QFETCH(int, maximum);
    QFETCH(double, width);
    QFETCH(int, index);
    QFETCH(int, newValue);
    QFETCH(int, newMaximum);
    ScrollPosition scroll{value, maximum};
    QCOMPARE(AdvanceGraphScroll(scroll, width, index), newValue != value);
    QCOMPARE(scroll, (ScrollPosition{newValue, newMaximum}));
}

void TestGraphScroll::viewWindowAndStart_data()
{
    // A scroll redraw at the value, and where START puts the scroll bar (value, maximum 100).
    QTest::addColumn<int>("value");
    QTest::addColumn<double>("width");
    QTest::addColumn<int>("samples");
    QTest::addColumn<ViewWindow>("window");
    QTest::addColumn<ScrollPosition>("start");
    QTest::newRow("fits, value ignored")
        << 30 << 100.0 << 80 << ViewWindow{0, 80} << ScrollPosition{0, 100};
    QTest::newRow("cut at the last sample")
        << 154 << 100.0 << 250 << ViewWindow{154, 250} << ScrollPosition{154, 159};
    QTest::newRow("half width rounds to even")
        << 0 << 100.5 << 300 << ViewWindow{0, 100} << ScrollPosition{204, 208};
    QTest::newRow("past 16 bits") << 0 << 100.0 << 40000 << ViewWindow{0, 100}
                                  << ScrollPosition{39904, 39909};
}

void TestGraphScroll::viewWindowAndStart()
{
    QFETCH(int, value);
    QFETCH(double, width);
    QFETCH(int, samples);
    QFETCH(ViewWindow, window);
    QFETCH(ScrollPosition, start);
    QCOMPARE(ScrollViewWindow(value, width, samples), window);
    QCOMPARE(RecordingStartPosition({0, 100}, width, samples), start);
    QCOMPARE(MaximumAfterLoad(100, samples), std::max(100, samples - 1));
}

void TestGraphScroll::readout_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<float>("y");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QPointF>("corner"); // frame at (1000, 2000) twips, 9000 x 4000
    const QString now = QStringLiteral("12-06-2026 20:01:02");
    QTest::newRow("10.5 reads 10, halves to even")
        << 10.5 << 5.0f << QStringList{"1.500", "DCV", "10:00:01"} << QPointF(8500, 5800);
    QTest::newRow("11.5 reads 12, own unit and decimals")
        << 11.5 << -5.0f << QStringList{"123.4", "ACmV", "10:00:02"} << QPointF(8500, 2650);
    QTest::newRow("beyond the last sample")
        << 60.0 << 0.0f << QStringList{"NO DATA", "", now} << QPointF(1000, 2650);
    QTest::newRow("x 50 counts as left")
        << 50.0 << 1.0f << QStringList{"NO DATA", "", now} << QPointF(1000, 5800);
}

void TestGraphScroll::readout()
{
    QFETCH(double, x);
    QFETCH(float, y);
    QFETCH(QStringList, texts);
    QFETCH(QPointF, corner);
    SampleLog log;
    for (qint32 n = 0; n <= 12; ++n) {
        Sample s;
        s.value = n == 12 ? 123.4f : 1.5f;
        s.decimals = n == 12 ? 1 : 3;
        s.unit = n == 12 ? QStringLiteral("ACmV") : QStringLiteral("DCV");
        s.time = QTime(10, 0, n == 12 ? 2 : 1);
        log.Append(s);
    }
    const qint32 offset = ClickSampleOffset(x);
    const PointReadout readout =
        ReadoutFor(log, offset, QDateTime(QDate(2026, 12, 6), QTime(20, 1, 2)));
    QCOMPARE((QStringList{readout.Value, readout.Unit, readout.Time}), texts);
    QCOMPARE(ReadoutPlacement(QRectF(1000, 2000, 9000, 4000), offset, y), corner);
}

QTEST_GUILESS_MAIN(TestGraphScroll)
#include "tst_graphscroll.moc"
