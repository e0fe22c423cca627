#include "common/Module1.h"
#include "common/RecordingSurface.h"
#include "graph/GraphScroll.h"
#include "graph/TrendGraph.h"

#include <QTest>
#include <cmath>

using namespace kst;

using Item = RecordingSurface::Item;
Q_DECLARE_METATYPE(QList<double>)

class TestTrendGraph : public QObject {
    Q_OBJECT
private slots:
    void gridAndValueLabels_data();
    void gridAndValueLabels();
    void samplesInGraphUnitAndClipped_data();
    void samplesInGraphUnitAndClipped();
    void newestSegmentIsNotClipped();
    void firstSampleIsADot();
    void leftBeyondLastSample_data();
    void leftBeyondLastSample();
    void longLogEndsAtLastSample();
    void timeLabels_data();
    void timeLabels();
    void rangeWithoutHeight();
    void recordingScrollsAtSample96();
    void plotAreaLinesUpWithLabels();
};

namespace {

constexpr Colour DataColour = 0x0000FF; // red, to tell the data line from the black grid
constexpr int DataWidth = 2;

struct Graph {
    Module1 module;
    RecordingSurface frm{QSizeF(1000, 920)};
    RecordingSurface box{QSizeF(800, 800)};
    TrendGraph graph{module, frm, box};
    Graph()
    {
        box.SetForeColor(DataColour);
        box.SetDrawWidth(DataWidth);
    }

    void Store(float value, const QString &unit, QTime time = QTime(0, 0))
    {
        Sample s;
        s.value = value;
        s.unit = unit;
        s.time = time;
        module.Samples.Append(s);
    }

    // The recording cycle's part for one sample: store it at n, draw the window and the newest
    // segment while SampleCount still equals n, then count it.
    void Record(float value, const QString &unit)
    {
        SampleLog &log = module.Samples;
        const qint32 n = log.SampleCount;
        Sample s;
        s.value = value;
        s.unit = unit;
        log.Store(n, s);
        qint32 left = box.ScaleWidth() > n ? 0 : n - module.GraphXSpan;
        graph.RedrawGraph(left, n, module.GraphTopY, module.GraphLowY);
        graph.PlotNewestSample(n, log.SampleValue(n));
        log.SampleCount = n + 1;
    }

    // What a surface shows: the items since its last Cls.
    static QList<Item> Shown(const RecordingSurface &surface, RecordingSurface::Kind kind)
    {
        QList<Item> out;
        for (const Item &item : surface.items) {
            if (item.kind == RecordingSurface::Kind::Clear)
                out.clear();
            else if (item.kind == kind)
                out.append(item);
        }
        return out;
    }
    QList<Item> DataLines() const
    {
        QList<Item> out;
        for (const Item &line : Shown(box, RecordingSurface::Kind::Line))
            if (line.colour == DataColour)
                out.append(line);
        return out;
    }
    QList<Item> GridLines() const
    {
        QList<Item> out;
        for (const Item &line : Shown(box, RecordingSurface::Kind::Line))
            if (line.colour == Black)
                out.append(line);
        return out;
    }
    // Value labels: bold, size 9; time labels: plain, size 8.
    QList<Item> Labels(bool bold) const
    {
        QList<Item> out;
        for (const Item &text : Shown(frm, RecordingSurface::Kind::Text))
            if (text.bold == bold)
                out.append(text);
        return out;
    }
};

QStringList Strings(const QList<Item> &items)
{
    QStringList out;
    for (const Item &i : items)
        out.append(i.text);
    return out;
}

bool Near(double a, double b)
{
    return std::fabs(a - b) < 1e-6 * std::max(1.0, std::fabs(b));
}

QString Describe(const QList<Item> &lines)
{
    QStringList out;
    for (const Item &l : lines)
        out.append(QStringLiteral("(%1,%2)-(%3,%4)")
                       .arg(l.points[0].x())
                       .arg(l.points[0].y())
                       .arg(l.points[1].x())
                       .arg(l.points[1].y()));
    return out.join(u' ');
}

} // namespace

void TestTrendGraph::gridAndValueLabels_data()
{
    QTest::addColumn<float>("top");
    QTest::addColumn<float>("low");
    QTest::addColumn<QList<double>>("rows");
    QTest::addColumn<QStringList>("labels");
    QTest::newRow("400 / -400") << 400.0f << -400.0f
                                << QList<double>{300, 200, 100, 0, -100, -200, -300, -400}
                                << QStringList{"+400.0", "+300.0", "+200.0", "+100.0", "0.0",
                                               "-100.0", "-200.0", "-300.0", "-400.0"};
    QTest::newRow("10 / 0") << 10.0f << 0.0f
                            << QList<double>{8.75, 7.5, 6.25, 5, 3.75, 2.5, 1.25, 0}
                            << QStringList{"+10.0", "+8.75", "+7.5",  "+6.25", "+5.0",
                                           "+3.75", "+2.5",  "+1.25", "0.0"};
    QTest::newRow("1 / 0: three decimals")
        << 1.0f << 0.0f << QList<double>{0.875, 0.75, 0.625, 0.5, 0.375, 0.25, 0.125, 0}
        << QStringList{"+1.0",   "+0.875", "+0.75",  "+0.625", "+0.5",
                       "+0.375", "+0.25",  "+0.125", "0.0"};
    QTest::newRow("2 / -2") << 2.0f << -2.0f << QList<double>{1.5, 1, 0.5, 0, -0.5, -1, -1.5, -2}
                            << QStringList{"+2.0", "+1.5", "+1.0", "+0.5", "0.0",
                                           "-0.5", "-1.0", "-1.5", "-2.0"};
    QTest::newRow("all below zero: no plus before a minus")
        << -5.0f << -10.0f << QList<double>{-5.625, -6.25, -6.875, -7.5, -8.125, -8.75, -9.375, -10}
        << QStringList{"-5.0",   "-5.625", "-6.25",  "-6.875", "-7.5",
                       "-8.125", "-8.75",  "-9.375", "-10.0"};
}

void TestTrendGraph::gridAndValueLabels()
{
    QFETCH(float, top);
    QFETCH(float, low);
    QFETCH(QList<double>, rows);
    QFETCH(QStringList, labels);
    Graph g;
    g.module.GraphTopY = top;
    g.module.GraphLowY = low;
    qint32 left = 0;
    g.graph.RedrawGraph(left, 0, top, low);

    const QList<Item> grid = g.GridLines();
    QCOMPARE(grid.size(), 18);
    for (int i = 0; i < 8; ++i) {
        const Item &line = grid[i];
        QVERIFY2(Near(line.points[0].y(), rows[i]) && Near(line.points[1].y(), rows[i]),
                 qPrintable(Describe({line})));
        QCOMPARE(line.points[0].x(), 0.0);
        QCOMPARE(line.points[1].x(), 100.0);
        QCOMPARE(line.style, i == 3 ? 0 : 2); // the fourth line solid, the others dotted
        QCOMPARE(line.width, 1);
    }
    for (int i = 0; i < 10; ++i) {
        const Item &line = grid[8 + i];
        QCOMPARE(line.points[0].x(), 10.0 * (i + 1));
        QVERIFY(Near(line.points[0].y(), top));
        QVERIFY(Near(line.points[1].y(), low));
        QCOMPARE(line.style, 2);
    }
    // The box keeps its own pen for the data line.
    QCOMPARE(g.box.ForeColor(), DataColour);
    QCOMPARE(g.box.DrawWidth(), DataWidth);
    QCOMPARE(g.box.DrawStyle(), 0);

    const QList<Item> values = g.Labels(true);
    QCOMPARE(Strings(values), labels);
    for (int i = 0; i < 9; ++i) {
        QCOMPARE(values[i].fontSize, 9.0);
        QCOMPARE(values[i].points[0].x(), 10.0);           // frame width / 100
        QVERIFY(Near(values[i].points[0].y(), i * 100.0)); // i * frame height / 9.2
    }
}

void TestTrendGraph::samplesInGraphUnitAndClipped_data()
{
    QTest::addColumn<QString>("graphUnit");
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<double>("plotted");
    // Range 1000 / -1000 in the graph unit.
    QTest::newRow("0.5 DCV in a DCmV graph") << "DCmV" << 0.5f << "DCV" << 500.0;
    QTest::newRow("AC and DC alike") << "DCmV" << 0.25f << "ACV" << 250.0;
    QTest::newRow("same unit") << "DCmV" << 250.0f << "DCmV" << 250.0;
    QTest::newRow("above the top") << "DCmV" << 2.0f << "DCV" << 1000.0;
    QTest::newRow("below the bottom") << "DCmV" << -3.0f << "DCV" << -1000.0;
    QTest::newRow("over range on the top edge") << "DCV" << 4000.0f << "DCV" << 1000.0;
    QTest::newRow("unknown unit plots as 0") << "DCV" << 7.0f << "" << 0.0;
    QTest::newRow("kilohms in ohms") << "Ω" << 0.47f << "KΩ" << 470.0;
}

void TestTrendGraph::samplesInGraphUnitAndClipped()
{
    QFETCH(QString, graphUnit);
    QFETCH(float, value);
    QFETCH(QString, unit);
    QFETCH(double, plotted);
    Graph g;
    g.module.GraphTopY = 1000;
    g.module.GraphLowY = -1000;
    g.module.GraphUnit = graphUnit;
    g.Store(100, graphUnit);
    g.Store(value, unit);
    g.Store(-100, graphUnit);
    qint32 left = 0;
    g.graph.RedrawGraph(left, 3, 1000, -1000);
    const QList<Item> lines = g.DataLines();
    // The first segment runs at x = 0 from the unconverted first value to the converted one.
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0].points[0], QPointF(0, 100));
    QCOMPARE(lines[0].points[1], QPointF(0, 100));
    QVERIFY2(Near(lines[1].points[1].x(), 1) && Near(lines[1].points[1].y(), plotted),
             qPrintable(Describe(lines)));
    QVERIFY(Near(lines[2].points[1].y(), -100));
    QCOMPARE(lines[1].width, DataWidth);
    QCOMPARE(lines[1].style, 0);
    QCOMPARE(left, 0);
}

void TestTrendGraph::newestSegmentIsNotClipped()
{
    // Range 1 / -1: a sample of 2 goes to its true value when it is drawn as the newest, and
    // onto the top edge by the next full redraw.
    Graph g;
    g.module.GraphTopY = 1;
    g.module.GraphLowY = -1;
    g.Record(0.5f, "DCV");
    g.Record(2.0f, "DCV");
    QList<Item> lines = g.DataLines();
    QCOMPARE(lines.last().points[0], QPointF(0, 0.5));
    QCOMPARE(lines.last().points[1], QPointF(1, 2));
    g.Record(0.0f, "DCV");
    lines = g.DataLines();
    QVERIFY2(lines.size() == 3, qPrintable(Describe(lines)));
    QCOMPARE(lines[1].points[1], QPointF(1, 1));
    QCOMPARE(lines[2].points[0], QPointF(1, 1));
    QCOMPARE(lines[2].points[1], QPointF(2, 0));
    // The newest value is not converted either: it is drawn in the sample's own unit.
    g.module.GraphUnit = QStringLiteral("DCmV");
    g.module.GraphTopY = 1000;
    g.module.GraphLowY = -1000;
    g.Record(0.5f, "DCV");
    QCOMPARE(g.DataLines().last().points[1], QPointF(3, 0.5));
}

void TestTrendGraph::firstSampleIsADot()
{
    Graph g;
    g.Record(123, "DCV");
    const QList<Item> lines = g.DataLines();
    QCOMPARE(lines.size(), 1);
    QCOMPARE(lines[0].points[0], QPointF(0, 123));
    QCOMPARE(lines[0].points[1], QPointF(0, 123));
}

void TestTrendGraph::leftBeyondLastSample_data()
{
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("newLeft");
    QTest::addColumn<int>("dataLines");
    QTest::newRow("left equals count") << 5 << 5 << 5 << 0;
    QTest::newRow("left beyond count") << 7 << 5 << 5 << 0;
    QTest::newRow("empty log") << 0 << 0 << 0 << 0;
    QTest::newRow("left on the last sample") << 4 << 5 << 4 << 1;
    QTest::newRow("from the start") << 0 << 5 << 0 << 5;
}

void TestTrendGraph::leftBeyondLastSample()
{
    QFETCH(int, left);
    QFETCH(int, count);
    QFETCH(int, newLeft);
    QFETCH(int, dataLines);
    Graph g;
    for (int i = 0; i < 5; ++i)
        g.Store(float(10 * i), "DCV");
    qint32 l = left;
    g.graph.RedrawGraph(l, count, 400, -400);
    QCOMPARE(l, newLeft);
    QCOMPARE(g.DataLines().size(), dataLines);
    QCOMPARE(g.GridLines().size(), 18);
    QCOMPARE(g.Labels(true).size(), 9);
}

void TestTrendGraph::longLogEndsAtLastSample()
{
    // A whole long log drawn from 0 (after loading a file): the line crosses the full width and
    // the current point is the last sample, as if every segment had been drawn.
    Graph g;
    for (int i = 0; i < 5000; ++i)
        g.Store(float(i % 700), "DCV");
    qint32 left = 0;
    g.graph.RedrawGraph(left, 5000, 400, -400);
    const QList<Item> lines = g.DataLines();
    QVERIFY(lines.last().points[1].x() >= 100);
    QCOMPARE(g.box.CurrentX(), 4999.0);
    QCOMPARE(g.box.CurrentY(), 99.0);
}

void TestTrendGraph::timeLabels_data()
{
    QTest::addColumn<int>("samples");
    QTest::addColumn<int>("viewStart");
    QTest::addColumn<QStringList>("labels");
    const QString midnight = QStringLiteral("00:00:00");
    QTest::newRow("3 samples: six labels, empty slots at midnight")
        << 3 << 0 << QStringList{"10:00:00", midnight, midnight, midnight, midnight, midnight};
    QTest::newRow("last offset beyond the arrays") << 3 << 10 << QStringList(5, midnight);
    QTest::newRow("from 30: 30, 50, 70, 90") << 3 << 30 << QStringList(4, midnight);
    QTest::newRow("grown arrays") << 150 << 50 << QStringList{"10:00:50", "10:01:10", "10:01:30",
                                                              "10:01:50", "10:02:10", "10:02:25"};
    QTest::newRow("grown arrays, last offset beyond")
        << 150 << 60 << QStringList{"10:01:00", "10:01:20", "10:01:40", "10:02:00", "10:02:20"};
    QTest::newRow("view at the capacity") << 3 << 100 << QStringList{midnight};
    QTest::newRow("view beyond the capacity") << 3 << 101 << QStringList{};
}

void TestTrendGraph::timeLabels()
{
    QFETCH(int, samples);
    QFETCH(int, viewStart);
    QFETCH(QStringList, labels);
    Graph g;
    for (int i = 0; i < samples; ++i)
        g.Store(1, "DCV", QTime(10, 0).addSecs(i));
    g.graph.ViewStart = viewStart;
    g.graph.DrawAxisLabels(400, -400);
    const QList<Item> times = g.Labels(false);
    QCOMPARE(Strings(times), labels);
    // Under the plot: frame width / 20 + m * box width / 5, the sixth at box width + width / 25.
    const double xs[] = {50, 210, 370, 530, 690, 840};
    for (int m = 0; m < times.size(); ++m) {
        QCOMPARE(times[m].fontSize, 8.0);
        QCOMPARE(times[m].points[0].x(), xs[m]);
        QVERIFY(Near(times[m].points[0].y(), 920 * 0.92));
    }
    // The frame is cleared first: only this call's labels are there.
    QCOMPARE(g.frm.items.first().kind, RecordingSurface::Kind::Clear);
    QCOMPARE(g.Labels(true).size(), 9);
}

void TestTrendGraph::rangeWithoutHeight()
{
    // Top equal to bottom: the grid is drawn as usual and every value lies on the one line.
    Graph g;
    g.module.GraphTopY = 5;
    g.module.GraphLowY = 5;
    g.Store(1, "DCV");
    g.Store(9, "DCV");
    g.Record(7, "DCV");
    const QList<Item> grid = g.GridLines();
    QCOMPARE(grid.size(), 18);
    QVERIFY(Near(grid[3].points[0].y(), 5)); // the solid middle line carries the value
    QCOMPARE(grid[3].style, 0);
    double lowest = 1e9, highest = -1e9;
    for (const Item &line : grid)
        for (const QPointF &p : line.points) {
            QVERIFY(std::isfinite(p.x()) && std::isfinite(p.y()));
            lowest = std::min(lowest, p.y());
            highest = std::max(highest, p.y());
        }
    QVERIFY(highest > lowest); // the grid has a height
    const QList<Item> lines = g.DataLines();
    QCOMPARE(lines.size(), 3); // two redrawn segments and the newest
    for (const Item &line : lines) {
        QCOMPARE(line.points[1].y(), 5.0);
    }
    QCOMPARE(lines.last().points[1].x(), 2.0);
    for (const Item &label : g.Labels(true))
        QCOMPARE(label.text, QStringLiteral("+5.0"));
}

void TestTrendGraph::recordingScrollsAtSample96()
{
    // The recording cycle with the window's scroll bookkeeping: from an empty log at span 100
    // the window starts to move with sample 96, and the picture the cycle leaves always ends
    // at the previous sample.
    Graph g;
    ScrollPosition scroll;
    int redraws = 0;
    g.graph.AdvanceScroll = [&](qint32 index) {
        if (AdvanceGraphScroll(scroll, g.box.ScaleWidth(), index)) {
            ++redraws;
            g.graph.ShowScrollWindow(scroll.Value);
        }
    };
    for (qint32 n = 0; n < 300; ++n) {
        g.box.Clear();
        g.frm.Clear();
        g.Record(float(n), "DCV");
        if (n < 96) {
            QCOMPARE(redraws, 0);
            QCOMPARE(scroll.Value, 0);
            continue;
        }
        QCOMPARE(scroll.Value, n - 95);
        QCOMPARE(redraws, n - 95);
        QCOMPARE(g.graph.ViewStart, n < 101 ? 0 : n - 95);
        QCOMPARE(g.graph.ViewEnd, n);
        // The last line drawn is the scroll redraw's, ending at sample n - 1.
        const QList<Item> lines = g.DataLines();
        const QPointF end = lines.last().points[1];
        QCOMPARE(end.y(), double(std::min(n - 1, 400)));
        QCOMPARE(end.x(), double(n - 1 - g.graph.ViewStart));
    }
    QCOMPARE(scroll.Maximum, 205); // reached 100 at sample 195, then grew by 5 each time
}

void TestTrendGraph::plotAreaLinesUpWithLabels()
{
    const QRectF area = PlotAreaGeometry(QSizeF(600, 300), 45, 15, 50);
    // Grid line i at area.top + i * height / 8 meets the middle of value label i.
    for (int i = 0; i <= 8; ++i)
        QVERIFY(Near(area.top() + i * area.height() / 8, i * 300 / 9.2 + 7.5));
    // The value labels fit left of the plot, the first time label centres under its edge and
    // the sixth ends inside the frame.
    QVERIFY(area.left() >= 600 / 100.0 + 45);
    QVERIFY(Near(area.left(), 600 / 20.0 + 25) || area.left() > 600 / 20.0 + 25);
    QVERIFY(area.width() + 600 / 25.0 + 50 <= 600);
    QVERIFY(area.bottom() < 300 * 0.92); // the time labels sit below it
}

QTEST_GUILESS_MAIN(TestTrendGraph)
#include "tst_trendgraph.moc"
