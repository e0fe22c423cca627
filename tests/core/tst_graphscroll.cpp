#include "graph/GraphScroll.h"
#include "graph/GraphView.h"
#include "record/SampleLog.h"

#include <QTest>

using namespace kst;

Q_DECLARE_METATYPE(kst::ViewWindow)
Q_DECLARE_METATYPE(kst::ScrollPosition)
Q_DECLARE_METATYPE(kst::GraphView)

class TestGraphScroll : public QObject {
    Q_OBJECT
private slots:
    void advance_data();
    void advance();
    void viewWindowAndStart_data();
    void viewWindowAndStart();
    void readout_data();
    void readout();
    void zoomAndPan_data();
    void zoomAndPan();
};

void TestGraphScroll::zoomAndPan_data()
{
    // A view of 400 samples (first, span, top, low) and what a zoom or pan makes of it.
    QTest::addColumn<QString>("action");
    QTest::addColumn<GraphView>("from");
    QTest::addColumn<GraphView>("to");
    const GraphView v{300, 100, 400, -400};
    QTest::newRow("in around the middle")
        << u"time 0.8 0.5"_qs << v << GraphView{310, 80, 400, -400};
    QTest::newRow("in at the left edge") << u"time 0.8 0"_qs << v << GraphView{300, 80, 400, -400};
    QTest::newRow("out: all 400 and a quarter more at most")
        << u"time 10 0.5"_qs << v << GraphView{100, 500, 400, -400};
    QTest::newRow("in: 4 steps at least")
        << u"time 0.001 0"_qs << v << GraphView{300, 4, 400, -400};
    QTest::newRow("values in around the top")
        << u"values 0.5 0"_qs << v << GraphView{300, 100, 400, 0};
    QTest::newRow("values: a thousandth a grid step at least")
        << u"values 0 0.5"_qs << v << GraphView{300, 100, 0.004f, -0.004f};
    QTest::newRow("dragged a quarter right and down")
        << u"pan 0.25 0.25"_qs << v << GraphView{275, 100, 600, -200};
    QTest::newRow("dragged far right: half the width stays on the log")
        << u"pan 5 0"_qs << v << GraphView{-50, 100, 400, -400};
    QTest::newRow("dragged far left") << u"pan -5 0"_qs << v << GraphView{349, 100, 400, -400};
    QTest::newRow("a box from a quarter to three quarters")
        << u"box 0.25 0.25 0.5 0.5"_qs << v << GraphView{325, 50, 200, -200};
}

void TestGraphScroll::zoomAndPan()
{
    QFETCH(QString, action);
    QFETCH(GraphView, from);
    QFETCH(GraphView, to);
    const QStringList a = action.split(u' ');
    const auto n = [&a](int i) { return a[i].toDouble(); };
    const GraphView view = a[0] == u"time"     ? ZoomTime(from, n(1), n(2), 400)
                           : a[0] == u"values" ? ZoomValues(from, n(1), n(2))
                           : a[0] == u"pan"    ? PanView(from, n(1), n(2), true, 400)
                                            : ZoomToBox(from, QRectF(n(1), n(2), n(3), n(4)), 400);
    QCOMPARE(view, to);
    QCOMPARE((QList<qint32>{GraphView{10.5, 20}.FirstIndex(), GraphView{10.5, 20}.LastIndex(),
                            GraphView{-3, 10}.FirstIndex(), GraphView{-3, 10}.LastIndex()}),
             (QList<qint32>{10, 31, 0, 7}));
}

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
