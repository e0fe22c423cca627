#include "panel/BarGraph.h"

#include <QTest>

using namespace kst;

class TestBarGraph : public QObject {
    Q_OBJECT
private slots:
    void segmentsAndMarks_data();
    void segmentsAndMarks();
};

void TestBarGraph::segmentsAndMarks_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<int>("segments");
    QTest::addColumn<QString>("marks"); // marks 1..4 shown, "x" / "-"
    QTest::newRow("0") << 0.0f << 0 << "----";
    QTest::newRow("250 ties to 2") << 250.0f << 2 << "----";
    QTest::newRow("950") << 950.0f << 10 << "x---";
    QTest::newRow("-2500: no sign") << -2500.0f << 25 << "xx--";
    QTest::newRow("3999") << 3999.0f << 40 << "xxxx";
    QTest::newRow("12000 limited") << 12000.0f << 40 << "xxxx";
}

void TestBarGraph::segmentsAndMarks()
{
    QFETCH(float, value);
    QFETCH(int, segments);
    QFETCH(QString, marks);
    const BarGraph bar = UpdateBarGraph(value);
    QCOMPARE(bar.Segments, segments);
    QString shown;
    for (int k = 1; k <= BarGraph::MarkCount; ++k)
        shown += bar.MarkShown(k) ? u'x' : u'-';
    QCOMPARE(shown, marks);
}

QTEST_GUILESS_MAIN(TestBarGraph)
#include "tst_bargraph.moc"
