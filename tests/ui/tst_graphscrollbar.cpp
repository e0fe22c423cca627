#include "graph/ui/GraphScrollBar.h"

#include <QTest>

using namespace kst;

class TestGraphScrollBar : public QObject {
    Q_OBJECT
private slots:
    void paintsWhatTheStylePaints_data();
    void paintsWhatTheStylePaints();
};

void TestGraphScrollBar::paintsWhatTheStylePaints_data()
{
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("page");
    QTest::addColumn<QList<int>>("values"); // one after the other
    QTest::newRow("places again and anew")
        << 1000 << 100 << QList<int>{500, 530, 500, 501, 530, 700, 200, 500};
    QTest::newRow("the ends and next to them")
        << 1000 << 10 << QList<int>{0, 1, 999, 1000, 0, 1000};
    QTest::newRow("a wide slider") << 12 << 30 << QList<int>{0, 4, 12, 7, 4};
}

// The scroll bar paints pixel for pixel what the style paints for a plain one, also where it
// paints a picture it kept.
void TestGraphScrollBar::paintsWhatTheStylePaints()
{
    QFETCH(int, maximum);
    QFETCH(int, page);
    QFETCH(QList<int>, values);
    QWidget window;
    auto *graph = new GraphScrollBar(&window);
    auto *plain = new QScrollBar(Qt::Horizontal, &window);
    for (QScrollBar *bar : {static_cast<QScrollBar *>(graph), plain}) {
        bar->setGeometry(0, 0, 824, 16);
        bar->setRange(0, maximum);
        bar->setPageStep(page);
    }
    window.show();
    const auto picture = [](QWidget *bar) {
        return bar->grab().toImage().convertToFormat(QImage::Format_RGB32);
    };
    for (const int value : values) {
        graph->setValue(value);
        plain->setValue(value);
        QCOMPARE(picture(graph), picture(plain));
    }
}

QTEST_MAIN(TestGraphScrollBar)
#include "tst_graphscrollbar.moc"
