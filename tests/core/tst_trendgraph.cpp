#include "common/RecordingSurface.h"
#include "graph/GraphCursor.h"
#include "graph/TrendGraph.h"
#include "record/GraphScale.h"
#include "record/SampleLog.h"
#include "support/SampleRecords.h"

#include <QLineF>
#include <QTest>
#include <cmath>
#include <map>

using namespace kst;

Q_DECLARE_METATYPE(kst::TimeWindow)
Q_DECLARE_METATYPE(kst::ValueRange)

using Item = RecordingSurface::Item;
using Kind = RecordingSurface::Kind;
using Points = std::vector<QPointF>;
Q_DECLARE_METATYPE(Points)

class TestTrendGraph : public QObject {
    Q_OBJECT
private slots:
    void gridAndLabels_data();
    void gridAndLabels();
    void plottedSamples_data();
    void plottedSamples();
    void pixelColumnsKeepThePicture_data();
    void pixelColumnsKeepThePicture();
    void zoomedAndPanned_data();
    void zoomedAndPanned();
    void denseZoomKeepsEveryColumn();
    void gapsMarkersAndOverlay_data();
    void gapsMarkersAndOverlay();
    void cursorsAndTheirReadout();
};

namespace {

constexpr Colour DataColour = Red; // tells the data line from the black grid

struct Graph {
    SampleLog log;
    GraphScale scale;
    RecordingSurface frm{QSizeF(1000, 920)};
    RecordingSurface box{QSizeF(800, 800)};
    TrendGraph graph{log, scale, frm, box};
    Graph() { box.SetForeColor(DataColour); }

    void Store(float value, const QString &unit, QTime time = QTime(0, 0))
    {
        Sample s;
        s.value = value;
        s.unit = unit;
        s.time = time;
        log.Append(s);
    }
    // Items of a kind since the surface's last clear.
    static QList<Item> Shown(const RecordingSurface &surface, Kind kind, int colour = -1)
    {
        QList<Item> out;
        for (const Item &item : surface.items) {
            if (item.kind == Kind::Clear)
                out.clear();
            else if (item.kind == kind && (colour < 0 || item.colour == colour))
                out.append(item);
        }
        return out;
    }
    QStringList Labels(bool bold) const
    {
        QStringList out;
        for (const Item &text : Shown(frm, Kind::Text))
            if (text.bold == bold)
                out.append(text.text);
        return out;
    }
};

bool Near(double a, double b)
{
    return std::fabs(a - b) < 1e-6 * std::max(1.0, std::fabs(b));
}

} // namespace

void TestTrendGraph::gridAndLabels_data()
{
    QTest::addColumn<float>("top");
    QTest::addColumn<float>("low");
    QTest::addColumn<double>("middle"); // the solid fourth line
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<int>("samples");
    QTest::addColumn<int>("viewStart");
    QTest::addColumn<QStringList>("times");
    const QString midnight = QStringLiteral("00:00:00");
    QTest::newRow("10 / 0, 3 samples: empty slots at midnight")
        << 10.0f << 0.0f << 5.0
        << QStringList{"+10.0", "+8.75", "+7.5", "+6.25", "+5.0", "+3.75", "+2.5", "+1.25", "0.0"}
        << 3 << 0 << QStringList{"10:00:00", midnight, midnight, midnight, midnight, midnight};
    QTest::newRow("all below zero: no plus; grown arrays")
        << -5.0f << -10.0f << -7.5 << QStringList{"-5.0",   "-5.625", "-6.25",  "-6.875", "-7.5",
                                                  "-8.125", "-8.75",  "-9.375", "-10.0"}
        << 150 << 50
        << QStringList{"10:00:50", "10:01:10", "10:01:30", "10:01:50", "10:02:10", "10:02:25"};
    QTest::newRow("no height: the value on the middle line; view beyond the capacity")
        << 5.0f << 5.0f << 5.0 << QStringList(9, QStringLiteral("+5.0")) << 3 << 101
        << QStringList{};
}

void TestTrendGraph::gridAndLabels()
{
    QFETCH(float, top);
    QFETCH(float, low);
    QFETCH(double, middle);
    QFETCH(QStringList, labels);
    QFETCH(int, samples);
    QFETCH(int, viewStart);
    QFETCH(QStringList, times);
    Graph g;
    g.scale.TopY = top;
    g.scale.LowY = low;
    qint32 left = 0;
    g.graph.RedrawGraph(left, 0, top, low);
    const QList<Item> grid = g.Shown(g.box, Kind::Line, Black);
    QCOMPARE(grid.size(), 18); // 8 across, 10 down, none on the top or left edge
    for (int i = 0; i < 18; ++i)
        QCOMPARE(grid[i].style, i == 3 ? 0 : 2);
    QVERIFY(Near(grid[3].points[0].y(), middle));
    QVERIFY(Near(grid[7].points[0].y(), g.box.ScaleTop() + g.box.ScaleHeight()));
    QCOMPARE(g.box.ForeColor(), DataColour); // the grid leaves the data pen as it was

    for (int i = 0; i < samples; ++i)
        g.Store(1, "DCV", QTime(10, 0).addSecs(i));
    g.graph.ViewStart = viewStart;
    g.graph.DrawAxisLabels(top, low);
    QCOMPARE(g.Labels(true), labels);
    QCOMPARE(g.Labels(false), times);
    if (times.size() == 6) // under every second grid line, the sixth right of the plot
        QCOMPARE(g.Shown(g.frm, Kind::Text)[9 + 5].points[0].x(), 840.0);
}

void TestTrendGraph::plottedSamples_data()
{
    QTest::addColumn<QString>("graphUnit");
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<double>("redrawn"); // range 1000 / -1000
    QTest::newRow("0.5 DCV in a DCmV graph") << "DCmV" << 0.5f << "DCV" << 500.0;
    QTest::newRow("below the bottom") << "DCmV" << -3.0f << "ACV" << -1000.0;
    QTest::newRow("over range on the top edge") << "DCV" << 4000.0f << "DCV" << 1000.0;
    QTest::newRow("unknown unit plots as 0") << "DCV" << 7.0f << "" << 0.0;
}

void TestTrendGraph::plottedSamples()
{
    QFETCH(QString, graphUnit);
    QFETCH(float, value);
    QFETCH(QString, unit);
    QFETCH(double, redrawn);
    Graph g;
    g.scale.TopY = 1000;
    g.scale.LowY = -1000;
    g.scale.Unit = graphUnit;
    g.Store(100, graphUnit);
    g.Store(value, unit);
    // The recording cycle of sample 1: the window up to sample 0, then the newest segment to the
    // raw value at x = 1, neither converted nor clipped.
    g.graph.ShowRecordedWindow(0, 1, true);
    QList<Item> lines = g.Shown(g.box, Kind::Line, DataColour);
    QCOMPARE(lines.first().points[0], QPointF(0, 100)); // the first sample: a dot at x = 0
    QCOMPARE(lines.last().points[1], QPointF(1, value));
    // The next redraw puts it in the graph unit, clipped to the range.
    qint32 left = 0;
    g.graph.RedrawGraph(left, 2, 1000, -1000);
    lines = g.Shown(g.box, Kind::Line, DataColour);
    QVERIFY(Near(lines.last().points[1].y(), redrawn));
    QCOMPARE(lines.last().points[1].x(), 1.0);
    QCOMPARE(lines.last().style, 0); // solid after the dotted grid
}

void TestTrendGraph::pixelColumnsKeepThePicture_data()
{
    QTest::addColumn<Points>("points");
    Points sparse, wave, noise;
    for (int i = 0; i < 300; ++i)
        sparse.emplace_back(i * 2.5, 100 + 80 * std::sin(i / 9.0));
    for (int i = 0; i < 20000; ++i)
        wave.emplace_back(i * 0.037, 100 + 80 * std::sin(i / 300.0));
    quint32 seed = 7;
    for (int i = 0; i < 20000; ++i) {
        seed = seed * 1664525u + 1013904223u;
        noise.emplace_back(i * 0.05, double(seed >> 24));
    }
    QTest::newRow("sparse: unchanged") << sparse;
    QTest::newRow("dense wave") << wave;
    QTest::newRow("dense noise") << noise;
}

void TestTrendGraph::pixelColumnsKeepThePicture()
{
    // The per-column path and the polyline through every point must cover the same rows in
    // every pixel column: the same extremes. Data no denser than the pixels is drawn unchanged.
    QFETCH(Points, points);
    const Points path = PixelColumnPath(points);
    if (points.size() < 1000) {
        QCOMPARE(path, points);
        return;
    }
    QVERIFY(path.size() < points.size() / 3);
    // Extremes of a polyline per column, segments cut at the column edges.
    const auto extremes = [](const Points &line) {
        std::map<int, std::pair<double, double>> out;
        const auto add = [&out](int column, double y) {
            auto [it, fresh] = out.try_emplace(column, y, y);
            if (!fresh) {
                it->second.first = std::min(it->second.first, y);
                it->second.second = std::max(it->second.second, y);
            }
        };
        for (size_t i = 1; i < line.size(); ++i) {
            const QPointF a = line[i - 1], b = line[i];
            add(int(std::floor(a.x())), a.y());
            add(int(std::floor(b.x())), b.y());
            for (int edge = int(std::floor(a.x())) + 1; edge <= int(std::floor(b.x())); ++edge) {
                const double y = a.y() + (b.y() - a.y()) * (edge - a.x()) / (b.x() - a.x());
                add(edge - 1, y);
                add(edge, y);
            }
        }
        return out;
    };
    const auto expected = extremes(points);
    const auto drawn = extremes(path);
    QCOMPARE(drawn.size(), expected.size());
    for (const auto &[column, range] : expected) {
        QVERIFY2(Near(drawn.at(column).first, range.first) &&
                     Near(drawn.at(column).second, range.second),
                 qPrintable(QStringLiteral("column %1").arg(column)));
    }
}

void TestTrendGraph::zoomedAndPanned_data()
{
    // Samples 0 .. 39 of value i, a second apart from 10:00:00. The zoom; the data line expected
    // (its first and last points and how many segments), the plot's left edge in samples, the
    // value labels at the top and bottom, the time labels.
    QTest::addColumn<TimeWindow>("time");
    QTest::addColumn<ValueRange>("values");
    QTest::addColumn<QLineF>("ends"); // first point to last point
    QTest::addColumn<int>("segments");
    QTest::addColumn<double>("leftEdge");
    QTest::addColumn<QStringList>("valueEnds");
    QTest::addColumn<QStringList>("times");
    const QStringList wide{u"+400.0"_qs, u"-400.0"_qs};
    QTest::newRow("zoomed into 10 .. 30")
        << TimeWindow{10, 20} << ValueRange{400, -400} << QLineF(0, 10, 21, 31) << 21 << 0.0 << wide
        << QStringList{u"10:00:10"_qs, u"10:00:14"_qs, u"10:00:18"_qs,
                       u"10:00:22"_qs, u"10:00:26"_qs, u"10:00:29"_qs};
    QTest::newRow("panned by half a step: the sample before the edge comes in")
        << TimeWindow{10.5, 20} << ValueRange{400, -400} << QLineF(0, 10, 22, 32) << 22 << 0.5
        << wide << QStringList{u"10:00:11"_qs, u"10:00:15"_qs, u"10:00:19"_qs,
                               u"10:00:23"_qs, u"10:00:27"_qs, u"10:00:30"_qs};
    QTest::newRow("past the end: labels only where samples are")
        << TimeWindow{30, 20} << ValueRange{400, -400} << QLineF(0, 30, 9, 39) << 9 << 0.0 << wide
        << QStringList{u"10:00:30"_qs, u"10:00:34"_qs, u"10:00:38"_qs};
    QTest::newRow("values zoomed: the line clipped to 12 .. 8")
        << TimeWindow{0, 40} << ValueRange{12, 8} << QLineF(0, 8, 39, 12) << 39 << 0.0
        << QStringList{u"+12.0"_qs, u"+8.0"_qs}
        << QStringList{u"10:00:00"_qs, u"10:00:08"_qs, u"10:00:16"_qs,
                       u"10:00:24"_qs, u"10:00:32"_qs, u"10:00:38"_qs};
}

void TestTrendGraph::zoomedAndPanned()
{
    QFETCH(TimeWindow, time);
    QFETCH(ValueRange, values);
    QFETCH(QLineF, ends);
    QFETCH(int, segments);
    QFETCH(double, leftEdge);
    QFETCH(QStringList, valueEnds);
    QFETCH(QStringList, times);
    Graph g;
    for (int i = 0; i < 40; ++i)
        g.Store(float(i), u"DCV"_qs, QTime(10, 0).addSecs(i));
    g.graph.SetZoom(time, values);
    g.graph.ShowScrollWindow(0); // a zoomed graph does not follow the scroll bar
    const QList<Item> line = g.Shown(g.box, Kind::Line, DataColour);
    QCOMPARE(line.size(), segments);
    QCOMPARE(QLineF(line.first().points[0], line.last().points[1]), ends);
    for (qsizetype k = 1; k < line.size(); ++k) // one connected line
        QCOMPARE(line[k].points[0], line[k - 1].points[1]);
    QCOMPARE(g.box.ScaleLeft(), leftEdge);
    QCOMPARE(g.box.ScaleWidth(), time.Span);
    QCOMPARE(g.box.ScaleTop(), double(values.Top));
    const QList<Item> grid = g.Shown(g.box, Kind::Line, Black);
    QCOMPARE(grid.size(), 18);
    const QStringList labels = g.Labels(true);
    QCOMPARE((QStringList{labels.first(), labels.last()}), valueEnds);
    QCOMPARE(g.Labels(false), times);
    QCOMPARE(g.graph.View(), (GraphView{time.First, time.Span, values.Top, values.Low}));
}

void TestTrendGraph::denseZoomKeepsEveryColumn()
{
    // A million samples would not fit a test: 20,000 over 800 pixel columns draw, column by
    // column, exactly what the line through every one of them draws.
    Graph g;
    test::FillLog(g.log, 20000, [](qint32 i, Sample &s) {
        s.value = float(300 * std::sin(i / 700.0) + 50 * std::sin(i * 1.7));
    });
    g.graph.SetZoom(TimeWindow{-100.25, 20200}, std::nullopt);
    g.graph.ShowZoomedWindow();
    const QList<Item> reduced = g.Shown(g.box, Kind::Line, DataColour);
    QVERIFY(reduced.size() < 4 * 800);
    RecordingSurface whole{QSizeF(800, 800)};
    whole.Scale(g.box.ScaleLeft(), g.box.ScaleTop(), g.box.ScaleLeft() + g.box.ScaleWidth(),
                g.box.ScaleTop() + g.box.ScaleHeight());
    Points points;
    for (qint32 i = 0; i < 20000; ++i)
        points.emplace_back(i + 101, double(g.log.SampleValue(i)));
    whole.SetCurrentX(points.front().x());
    whole.SetCurrentY(points.front().y());
    points.erase(points.begin());
    whole.PolylineTo(points);
    QCOMPARE(reduced.size(), whole.items.size());
    for (qsizetype k = 0; k < reduced.size(); ++k)
        QCOMPARE(reduced[k].points, whole.items[k].points);
}

void TestTrendGraph::gapsMarkersAndOverlay_data()
{
    QTest::addColumn<bool>("zoomed");
    QTest::newRow("as always") << false;
    QTest::newRow("zoomed to the same window") << true;
}

void TestTrendGraph::gapsMarkersAndOverlay()
{
    // Ten samples a second apart but for five seconds between samples 5 and 6; a marker half a
    // second after sample 3; a saved recording of four samples under the line.
    QFETCH(bool, zoomed);
    Graph g;
    for (int i = 0; i < 10; ++i)
        g.Store(float(10 * i), u"DCV"_qs, QTime(10, 0).addSecs(i < 6 ? i : i + 4));
    const MarkerList markers{{Sample().date, QTime(10, 0, 3, 500), u"R5 changed"_qs}};
    SampleLog saved;
    test::FillLog(saved, 4, [](qint32 i, Sample &s) { s.value = float(-5 * i); });
    g.graph.SetMarkers(&markers);
    g.graph.SetOverlay(&saved, 0xAAAAFF);
    if (zoomed)
        g.graph.SetZoom(TimeWindow{0, 100}, std::nullopt);
    g.graph.ShowScrollWindow(0);

    QList<QLineF> line; // dots (where a line starts) left out
    for (const Item &item : g.Shown(g.box, Kind::Line, DataColour))
        if (item.points[0] != item.points[1])
            line << QLineF(item.points[0], item.points[1]);
    QList<QLineF> expected;
    for (int i = 1; i < 10; ++i)
        if (i != 6)
            expected << QLineF(i - 1, 10 * (i - 1), i, 10 * i);
    QCOMPARE(line, expected); // nothing from sample 5 to 6
    const QList<Item> gap = g.Shown(g.box, Kind::Line, GapColour);
    QCOMPARE(gap.size(), 1);
    QCOMPARE(gap[0].points, (QList<QPointF>{{5.5, 400}, {5.5, -400}}));
    QCOMPARE(gap[0].style, 1);
    const QList<Item> marker = g.Shown(g.box, Kind::Line, MarkerColour);
    QCOMPARE(marker.size(), 1);
    QCOMPARE(marker[0].points, (QList<QPointF>{{4, 400}, {4, -400}}));
    const QList<Item> note = g.Shown(g.box, Kind::Text, MarkerColour);
    QCOMPARE(note.size(), 1);
    QCOMPARE(note[0].text, u"R5 changed"_qs);
    QCOMPARE(note[0].points[0].x(), 4 + 3 * 100 / 800.0); // three pixels right of its line
    // The saved recording first, under the line, in its own colour.
    const QList<Item> under = g.Shown(g.box, Kind::Line, 0xAAAAFF);
    QCOMPARE(under.size(), 3);
    QCOMPARE(under.last().points[1], QPointF(3, -15));
    const QList<Item> all = g.Shown(g.box, Kind::Line);
    qsizetype lastUnder = -1, firstData = -1;
    for (qsizetype k = 0; k < all.size(); ++k) {
        lastUnder = all[k].colour == 0xAAAAFF ? k : lastUnder;
        firstData = all[k].colour == DataColour && firstData < 0 ? k : firstData;
    }
    QVERIFY(lastUnder >= 0 && lastUnder < firstData);
    // The pen and the current point stay the line's.
    QCOMPARE(g.box.ForeColor(), DataColour);
    QCOMPARE(QPointF(g.box.CurrentX(), g.box.CurrentY()), QPointF(9, 90));
}

void TestTrendGraph::cursorsAndTheirReadout()
{
    // Samples of 0.25 V steps half a second apart, one of them over range; a saved recording.
    SampleLog log, saved;
    test::FillLog(log, 21, [](qint32 i, Sample &s) {
        s.value = i == 5 ? 4000.0f : float(i) / 4;
        s.decimals = 2;
        s.time = QTime(10, 0).addMSecs(500 * i);
    });
    test::FillLog(saved, 21, [](qint32 i, Sample &s) { s.value = float(-i); });
    QCOMPARE(CursorReadout(log, &saved, u"DCV"_qs, 3, std::nullopt),
             (QStringList{u"05-04-2000 10:00:01.500"_qs, u"0.75 DCV"_qs, u"saved: -3.0 DCV"_qs}));
    // From A to B: the mean, lowest and highest leave the over-range sample out.
    const QStringList two{u"A 10:00:01.500  0.75 DCV"_qs, u"B 10:00:05  2.50 DCV"_qs,
                          u"Δt 3.500 s  Δ +1.75 DCV"_qs,
                          u"mean 1.679  min 0.75  max 2.50 DCV (7 samples)"_qs};
    QCOMPARE(CursorReadout(log, nullptr, u"DCV"_qs, 3, 10), two);
    QCOMPARE(CursorReadout(log, nullptr, u"DCmV"_qs, 10, 3)[2], u"Δt -3.500 s  Δ -1750.00 DCmV"_qs);
    QCOMPARE(CursorReadout(log, nullptr, u"DCV"_qs, 40, std::nullopt), QStringList{u"no data"_qs});
    QCOMPARE(DurationText(3723250, true), u"1:02:03.250"_qs);
    QCOMPARE(DurationText(59000, false), u"59 s"_qs);
    QCOMPARE(NearestSample(2.5, 10, 21), 13); // halves away from zero, within the log
    QCOMPARE(NearestSample(-30, 10, 21), 0);

    // The picture: a solid line at A, a dashed one at B, the read-out in the bottom corner away
    // from A, line under line.
    RecordingSurface overlay{QSizeF(800, 400)};
    overlay.Scale(0, 10, 20, -10);
    DrawCursors(overlay, 0, 3, 10, two);
    const QList<Item> lines = overlay.Lines();
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[0].points, (QList<QPointF>{{3, 10}, {3, -10}}));
    QCOMPARE(lines[1].points, (QList<QPointF>{{10, 10}, {10, -10}}));
    QCOMPARE((QList<int>{lines[0].style, lines[1].style, lines[0].colour}),
             (QList<int>{0, 1, CursorColour}));
    const QList<Item> texts = overlay.Texts();
    QCOMPARE(overlay.TextStrings(), two);
    const double widest = 46 * 20 / 800.0; // the mean's 46 characters of one pixel each
    for (qsizetype k = 0; k < texts.size(); ++k)
        QCOMPARE(texts[k].points[0],
                 QPointF(20 - widest - 6 * 20 / 800.0, -10 + (4 + 4 - k) / 20.0));
}

QTEST_GUILESS_MAIN(TestTrendGraph)
#include "tst_trendgraph.moc"
