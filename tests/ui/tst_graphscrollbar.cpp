#include "graph/ui/GraphScrollBar.h"

#include <QTest>

using namespace kst;

class TestGraphScrollBar : public QObject {
    Q_OBJECT
private slots:
    void paintsWhatTheStylePaints_data();
    void paintsWhatTheStylePaints();
    void recordingMovesWaitUserMovesDoNot();
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

// Moves the recording makes are repainted at the read-outs' pace, with the slider where it is
// then; the user's moves at once.
void TestGraphScrollBar::recordingMovesWaitUserMovesDoNot()
{
    QWidget window;
    auto *bar = new GraphScrollBar(&window);
    bar->setGeometry(0, 0, 824, 16);
    bar->setRange(0, 1000);
    bar->setPageStep(10);
    bar->SetPaceInterval(3600 * 1000); // nothing waiting is shown while the test runs
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    struct Paints : QObject {
        int count = 0;
        bool eventFilter(QObject *, QEvent *event) override
        {
            count += event->type() == QEvent::Paint;
            return false;
        }
    } paints;
    bar->installEventFilter(&paints);
    const auto moveTo = [&](int value, bool recording) {
        bar->SetPaced(recording);
        bar->setValue(value);
        bar->SetPaced(false);
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
        return paints.count;
    };
    QCOMPARE(moveTo(500, true), 1);  // the first after a quiet spell: at once
    QCOMPARE(moveTo(900, true), 1);  // waits for its time
    QCOMPARE(moveTo(100, false), 2); // the user's
}

QTEST_MAIN(TestGraphScrollBar)
#include "tst_graphscrollbar.moc"
