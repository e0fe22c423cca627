#include "common/ui/QtColour.h"
#include "graph/ui/PictureBox.h"

#include <QTest>

using namespace kst;

class TestPictureBox : public QObject {
    Q_OBJECT
private slots:
    void dataLayerScrollsOverTheGrid();
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

QTEST_MAIN(TestPictureBox)
#include "tst_picturebox.moc"
