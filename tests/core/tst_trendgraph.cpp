#include "common/RecordingSurface.h"
#include "graph/TrendGraph.h"
#include "record/GraphScale.h"
#include "record/SampleLog.h"

#include <QTest>
#include <cmath>
#include <map>

using namespace kst;

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

QTEST_GUILESS_MAIN(TestTrendGraph)
#include "tst_trendgraph.moc"
