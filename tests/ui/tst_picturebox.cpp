#include "graph/PictureBox.h"
#include "graph/QtColour.h"

#include <QSignalSpy>
#include <QTest>

using namespace kst;

class TestPictureBox : public QObject {
    Q_OBJECT
private slots:
    void colourNumbers_data();
    void colourNumbers();
    void drawingStaysUntilCls();
    void pens_data();
    void pens();
    void userCoordinates();
    void farPointsAreCut();
    void resizeKeepsPictureAndPixelCoordinates();
    void text();
    void mouseInUserCoordinates();
};

namespace {

QImage Shot(PictureBox &box)
{
    return box.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

bool Dark(QColor c)
{
    return c.lightness() < 160;
}

int CountColour(const QImage &image, const QRect &area, QColor colour)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y) == colour)
                ++n;
    return n;
}

} // namespace

void TestPictureBox::colourNumbers_data()
{
    QTest::addColumn<Colour>("number");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("red is the low byte") << Colour(255) << QColor(255, 0, 0);
    QTest::newRow("green") << Colour(0x00FF00) << QColor(0, 255, 0);
    QTest::newRow("dark blue") << Colour(0xC00000) << QColor(0, 0, 192);
    QTest::newRow("mixed") << Colour(0x123456) << QColor(0x56, 0x34, 0x12);
    QTest::newRow("black") << Colour(0) << QColor(0, 0, 0);
    QTest::newRow("white") << Colour(0xFFFFFF) << QColor(255, 255, 255);
}

void TestPictureBox::colourNumbers()
{
    QFETCH(Colour, number);
    QFETCH(QColor, colour);
    QCOMPARE(ToQColor(number), colour);
    QCOMPARE(FromQColor(colour), number);
}

void TestPictureBox::drawingStaysUntilCls()
{
    PictureBox box;
    box.resize(100, 50);
    box.SetBackColor(0xFFFFFF);
    box.SetForeColor(255);
    box.SetDrawWidth(3);
    box.Line(10, 25, 90, 25);
    QCOMPARE(Shot(box).pixelColor(50, 25), QColor(Qt::red));
    // Repainting the widget does not lose the line.
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    box.repaint();
    QCOMPARE(Shot(box).pixelColor(50, 25), QColor(Qt::red));
    // A new background colour clears, and Cls clears to it and moves the current point home.
    box.Line(10, 40, 90, 40);
    box.Cls();
    QCOMPARE(Shot(box).pixelColor(50, 40), QColor(Qt::white));
    QCOMPARE(box.CurrentX(), 0.0);
    QCOMPARE(box.CurrentY(), 0.0);
    // Drawing after a Cls shows; what the Cls wiped does not come back.
    box.Line(50, 0, 50, 49);
    const QImage after = Shot(box);
    QCOMPARE(after.pixelColor(50, 10), QColor(Qt::red));
    QCOMPARE(after.pixelColor(20, 40), QColor(Qt::white));
    QCOMPARE(after.pixelColor(20, 25), QColor(Qt::white));
    QCOMPARE(box.Picture().pixelColor(50, 10), QColor(Qt::red));
    box.SetBackColor(0xFF0000);
    QCOMPARE(CountColour(Shot(box), QRect(0, 0, 100, 50), QColor(Qt::blue)), 100 * 50);
}

void TestPictureBox::pens_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("minPixels"); // red pixels within the 5-row band around the line
    QTest::addColumn<int>("maxPixels");
    // A solid line of width 1 covers its 80 pixels; width 5 five rows of them.
    QTest::newRow("solid 1") << 1 << 0 << 80 << 82;
    QTest::newRow("solid 5") << 5 << 0 << 5 * 80 << 5 * 86; // square ends
    // Dotted: one pixel in two or three.
    QTest::newRow("dotted 1") << 1 << 2 << 20 << 50;
}

void TestPictureBox::pens()
{
    QFETCH(int, width);
    QFETCH(int, style);
    QFETCH(int, minPixels);
    QFETCH(int, maxPixels);
    PictureBox box;
    box.resize(100, 50);
    box.SetBackColor(0xFFFFFF);
    box.SetForeColor(255);
    box.SetDrawWidth(width);
    box.SetDrawStyle(style);
    box.Line(10, 25, 90, 25);
    const int n = CountColour(Shot(box), QRect(0, 22, 100, 7), QColor(Qt::red));
    QVERIFY2(n >= minPixels && n <= maxPixels, qPrintable(QString::number(n)));
    // Nothing outside the band.
    QCOMPARE(CountColour(Shot(box), QRect(0, 0, 100, 20), QColor(Qt::white)), 100 * 20);
}

void TestPictureBox::userCoordinates()
{
    PictureBox box;
    box.resize(200, 100);
    box.SetBackColor(0xFFFFFF);
    // x from 0 to 10, y from 400 at the top to -400 at the bottom.
    box.Scale(0, 400, 10, -400);
    box.SetForeColor(0);
    box.Line(0, 0, 10, 0);     // the middle row
    box.Line(5, 400, 5, -400); // the middle column
    const QImage shot = Shot(box);
    QCOMPARE(shot.pixelColor(20, 50), QColor(Qt::black));
    QCOMPARE(shot.pixelColor(100, 10), QColor(Qt::black));
    QCOMPARE(shot.pixelColor(20, 20), QColor(Qt::white));
    QCOMPARE(box.CurrentX(), 5.0);
    QCOMPARE(box.CurrentY(), -400.0);
    // A polyline runs through its points from the current point.
    box.Cls();
    box.SetCurrentX(0);
    box.SetCurrentY(400);
    box.PolylineTo({QPointF(0, -400), QPointF(10, -400)});
    const QImage poly = Shot(box);
    // The curve is smoothed, so its pixels are dark rather than black.
    QVERIFY(Dark(poly.pixelColor(0, 50)));
    QVERIFY(Dark(poly.pixelColor(100, 99)));
    QCOMPARE(poly.pixelColor(100, 50), QColor(Qt::white));
    // A line that begins where it ends leaves a dot.
    box.Cls();
    box.Line(5, 0, 5, 0);
    QCOMPARE(Shot(box).pixelColor(100, 50), QColor(Qt::black));
}

void TestPictureBox::farPointsAreCut()
{
    // A segment to a point far outside still shows its visible part, at the right slope.
    PictureBox box;
    box.resize(100, 50);
    box.SetBackColor(0xFFFFFF);
    box.SetForeColor(255);
    box.SetDrawWidth(2);
    box.Line(10, 10, 1e7, 10);
    box.Line(0, 40, 1e6, 40 + 1e6);
    box.Line(-1e7, -1e7, -1e7 + 5, -1e7); // wholly outside: nothing
    const QImage shot = Shot(box);
    QCOMPARE(shot.pixelColor(95, 10), QColor(Qt::red));
    QCOMPARE(shot.pixelColor(5, 10), QColor(Qt::white));
    QVERIFY(shot.pixelColor(5, 45) != QColor(Qt::white));
    QCOMPARE(shot.pixelColor(40, 45), QColor(Qt::white));
    QCOMPARE(box.CurrentX(), -1e7 + 5);
}

void TestPictureBox::resizeKeepsPictureAndPixelCoordinates()
{
    PictureBox box;
    box.resize(100, 50);
    box.SetBackColor(0x00FF00);
    box.SetForeColor(0);
    box.Line(0, 10, 99, 10);
    box.resize(160, 80);
    const QImage shot = Shot(box);
    QCOMPARE(box.ScaleWidth(), 160.0);
    QCOMPARE(box.ScaleHeight(), 80.0);
    QCOMPARE(shot.size(), QSize(160, 80));
    QCOMPARE(shot.pixelColor(50, 10), QColor(Qt::black));
    QCOMPARE(shot.pixelColor(150, 70), QColor(Qt::green));
    QCOMPARE(shot.pixelColor(150, 10), QColor(Qt::green));
    // Coordinates set with Scale stay when the box grows.
    box.Scale(0, 1, 1, 0);
    box.resize(200, 100);
    Shot(box);
    QCOMPARE(box.ScaleWidth(), 1.0);
    QCOMPARE(box.ScaleHeight(), -1.0);
}

void TestPictureBox::text()
{
    PictureBox box;
    box.resize(200, 60);
    box.SetBackColor(0xFFFFFF);
    box.SetForeColor(0);
    box.SetFontName(QStringLiteral("arial"));
    box.SetFontSize(9);
    box.SetFontBold(false);
    const double plain = box.TextWidth(QStringLiteral("NO DATA"));
    box.SetFontBold(true);
    const double bold = box.TextWidth(QStringLiteral("NO DATA"));
    QVERIFY(plain > 10);
    QVERIFY(bold > plain);
    box.SetFontSize(18);
    QVERIFY(box.TextWidth(QStringLiteral("NO DATA")) > 1.5 * bold);
    QVERIFY(box.TextHeight() > 15);
    box.SetFontSize(9);
    box.SetCurrentX(100);
    box.SetCurrentY(5);
    box.Print(QStringLiteral("+400.0"));
    // The text lies right of and below the point it was printed at; the point moves to the next
    // line.
    const QImage shot = Shot(box);
    QVERIFY(CountColour(shot, QRect(100, 5, 60, 20), QColor(Qt::white)) < 60 * 20);
    QCOMPARE(CountColour(shot, QRect(0, 0, 98, 60), QColor(Qt::white)), 98 * 60);
    QCOMPARE(box.CurrentX(), 0.0);
    QVERIFY(box.CurrentY() > 5 + 10);
}

void TestPictureBox::mouseInUserCoordinates()
{
    PictureBox box;
    box.resize(200, 100);
    box.Scale(0, 400, 100, -400);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QSignalSpy up(&box, &PictureBox::MouseUp);
    QSignalSpy click(&box, &PictureBox::Click);
    QTest::mouseClick(&box, Qt::LeftButton, Qt::ShiftModifier, QPoint(50, 25));
    QCOMPARE(up.count(), 1);
    QCOMPARE(up[0][0].value<Qt::MouseButton>(), Qt::LeftButton);
    QCOMPARE(up[0][1].value<Qt::KeyboardModifiers>(), Qt::KeyboardModifiers(Qt::ShiftModifier));
    QCOMPARE(up[0][2].toDouble(), 25.0);
    QCOMPARE(up[0][3].toDouble(), 200.0);
    QCOMPARE(click.count(), 1);
    // The right button reports its release but is no click.
    QTest::mouseClick(&box, Qt::RightButton, {}, QPoint(150, 75));
    QCOMPARE(up.count(), 2);
    QCOMPARE(up[1][2].toDouble(), 75.0);
    QCOMPARE(up[1][3].toDouble(), -200.0);
    QCOMPARE(click.count(), 1);
}

QTEST_MAIN(TestPictureBox)
#include "tst_picturebox.moc"
