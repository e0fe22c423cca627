#include "common/ui/QtColour.h"
#include "graph/ui/PictureBox.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>

using namespace kst;

class TestPictureBox : public QObject {
    Q_OBJECT
private slots:
    void dataLayerScrollsOverTheGrid();
    void scrolledLayerEqualsOneDrawnInPlace_data();
    void scrolledLayerEqualsOneDrawnInPlace();
    void pacedDrawingWaitsOtherDrawingDoesNot();
};

namespace {

int Count(const QImage &image, Colour colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixel(x, y) == ToQColor(colour).rgb() ? 1 : 0;
    return n;
}

} // namespace

void TestPictureBox::dataLayerScrollsOverTheGrid()
{
    PictureBox box;
    box.resize(200, 100);
    box.SetBackColor(0xFFFFFF);
    box.Scale(0, 100, 20, 0); // 10 pixels per step
    box.Line(5, 0, 5, 100);   // a black grid line at x = 50 px
    box.SetForeColor(Red);
    box.SetDataLayer(true);
    box.Line(15, 20, 15, 80); // a red data line at x = 150 px
    box.SetDataLayer(false);
    const auto redAt = [&box](int x) { return box.Picture().pixel(x, 50) == qRgb(255, 0, 0); };
    const auto blackAt = [&box](int x) { return box.Picture().pixel(x, 10) == qRgb(0, 0, 0); };
    QVERIFY(redAt(150) && blackAt(50));
    box.ScrollData(3); // 30 pixels left; queued and applied together with later drawing
    box.SetDataLayer(true);
    box.Line(19, 20, 19, 80); // drawn after the scroll, at 190 px
    box.SetDataLayer(false);
    QVERIFY(!redAt(150) && redAt(120) && redAt(190));
    QVERIFY(blackAt(50) && !blackAt(20)); // the grid stays
    box.resize(300, 150);                 // a resize keeps the picture
    QVERIFY(Count(box.Picture(), Red) > 0);
    box.ScrollData(30); // more than the width: the layer is empty
    QCOMPARE(Count(box.Picture(), Red), 0);
    QVERIFY(blackAt(50));
    box.Cls();
    QVERIFY(!blackAt(50));
}

void TestPictureBox::scrolledLayerEqualsOneDrawnInPlace_data()
{
    // Pixels, whole cells of 20, so that no line ends up cut by an edge of the picture (a cut
    // line is drawn a little differently); the layer's width is no multiple of 20, so lines
    // are drawn across the place where the turned layer's pixels wrap around.
    QTest::addColumn<QList<int>>("scrolls");
    QTest::newRow("a cell at a time") << QList<int>{20, 20, 40, 20};
    QTest::newRow("past the layer's end and round") << QList<int>{200, 180, 220, 100};
    QTest::newRow("back and forth") << QList<int>{60, -40, 100, -20, 140};
}

// However the data layer was scrolled, it shows what drawing its lines where they are now shows.
void TestPictureBox::scrolledLayerEqualsOneDrawnInPlace()
{
    QFETCH(QList<int>, scrolls);
    PictureBox scrolled, direct;
    for (PictureBox *box : {&scrolled, &direct}) {
        box->resize(210, 100);
        box->SetForeColor(Red);
        box->SetDataLayer(true);
    }
    // Smoothed slanted lines in the middle of cells 0 to 8, a little lower each time, dx to the
    // right.
    const auto lines = [](PictureBox &box, int dx, int k) {
        for (int x = 5; x < 180; x += 20)
            box.Line(x + dx, 10 + x % 30 + k, x + 10 + dx, 60 - x % 20 + k);
    };
    int later = 0; // pixels scrolled after the current lines
    for (const int pixels : scrolls)
        later += pixels;
    lines(scrolled, 0, 0);
    lines(direct, -later, 0);
    for (int i = 0; i < scrolls.size(); ++i) {
        static_cast<void>(scrolled.Picture()); // drawn before the scroll
        scrolled.ScrollData(scrolls[i]);
        later -= scrolls[i];
        lines(scrolled, 0, 3 * (i + 1));
        lines(direct, -later, 3 * (i + 1));
    }
    QCOMPARE(scrolled.Picture(), direct.Picture());
}

// Drawing marked as paced reaches the screen at the read-outs' pace; other drawing at once,
// taking what waits along.
void TestPictureBox::pacedDrawingWaitsOtherDrawingDoesNot()
{
    PictureBox box;
    box.resize(200, 100);
    box.SetBackColor(0xFFFFFF);
    box.SetPaceInterval(3600 * 1000); // nothing waiting is shown while the test runs
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    const auto draw = [&box](int x, bool paced) {
        box.SetPaced(paced);
        box.Line(x, 0, x, 100);
        box.SetPaced(false);
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
        const QImage screen = QGuiApplication::primaryScreen()->grabWindow(box.winId()).toImage();
        QString lines;
        for (const int at : {10, 20, 30})
            lines += screen.pixel(at, 50) == qRgb(0, 0, 0) ? u'|' : u' ';
        return lines;
    };
    QCOMPARE(draw(10, true), QStringLiteral("|  "));  // the first after a quiet spell: at once
    QCOMPARE(draw(20, true), QStringLiteral("|  "));  // waits for its time
    QCOMPARE(draw(30, false), QStringLiteral("|||")); // at once, with what waited
}

QTEST_MAIN(TestPictureBox)
#include "tst_picturebox.moc"
