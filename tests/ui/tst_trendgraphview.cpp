#include "common/Module1.h"
#include "graph/PictureBox.h"
#include "graph/QtColour.h"
#include "graph/TrendGraphView.h"

#include <QLabel>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

using namespace kst;

class TestTrendGraphView : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void controlsAndReset();
    void recordingMovesTheScrollBar();
    void startPositionsTheScrollBar_data();
    void startPositionsTheScrollBar();
    void afterLoad_data();
    void afterLoad();
    void userScrollRedrawsTheWindow();
    void readoutReadsTheSample_data();
    void readoutReadsTheSample();
    void readoutPlacement_data();
    void readoutPlacement();
    void readoutIgnoredWhileRecording();
    void readoutClosesAfterFiveSeconds();
    void realClickReadsTheSampleUnderThePointer();
    void colourAndResizeRedraw();

private:
    std::unique_ptr<Module1> module_;
    std::unique_ptr<TrendGraphView> view_;
    const QDateTime now_{QDate(2026, 12, 6), QTime(20, 1, 2)};
};

namespace {

void Store(Module1 &m, float value, const QString &unit = QStringLiteral("DCV"))
{
    SampleLog &log = m.Samples;
    const qint32 n = log.SampleCount;
    log.Store(n,
              Sample{.value = value, .time = QTime(10, 0).addSecs(n), .unit = unit, .decimals = 2});
}

// The recording cycle's graph steps for one new sample.
void Record(TrendGraphView &view, Module1 &m, float value)
{
    const qint32 n = m.Samples.SampleCount;
    Store(m, value);
    qint32 left = view.GraphBox()->ScaleWidth() > n ? 0 : n - m.GraphXSpan;
    view.RedrawGraph(left, n, m.GraphTopY, m.GraphLowY);
    view.PlotNewestSample(n, m.Samples.SampleValue(n));
    m.Samples.SampleCount = n + 1;
}

void Fill(Module1 &m, int count)
{
    for (int i = 0; i < count; ++i) {
        Store(m, float(i % 300));
        m.Samples.SampleCount = i + 1;
    }
}

int CountColour(const QImage &image, QColor colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == colour)
                ++n;
    return n;
}

QString Label(QWidget *window, const char *name)
{
    auto *label = window ? window->findChild<QLabel *>(QString::fromLatin1(name)) : nullptr;
    return label ? label->text() : QStringLiteral("<missing>");
}

} // namespace

void TestTrendGraphView::init()
{
    module_ = std::make_unique<Module1>();
    module_->Clock = [this] { return now_; };
    view_ = std::make_unique<TrendGraphView>(*module_);
    view_->resize(700, 360);
    view_->ResetView();
    view_->show();
    QVERIFY(QTest::qWaitForWindowExposed(view_.get()));
}

void TestTrendGraphView::cleanup()
{
    view_.reset();
    module_.reset();
}

void TestTrendGraphView::controlsAndReset()
{
    auto *frm = view_->findChild<PictureBox *>(QStringLiteral("GraphFrm"));
    auto *box = view_->findChild<PictureBox *>(QStringLiteral("GraphBox"));
    auto *scroll = view_->findChild<QScrollBar *>(QStringLiteral("HScroll"));
    auto *timer = view_->findChild<QTimer *>(QStringLiteral("Timer1"));
    QVERIFY(frm && box && scroll && timer);
    QCOMPARE(box->parentWidget(), frm);
    QCOMPARE(timer->interval(), 5000);
    QVERIFY(!timer->isActive());
    QCOMPARE(scroll->minimum(), 0);
    QCOMPARE(scroll->maximum(), 100);
    QCOMPARE(scroll->value(), 0);
    // The plot area sits inside the frame, with room for labels left and below.
    QVERIFY(box->geometry().left() > 30);
    QVERIFY(box->geometry().bottom() < frm->height() * 0.92);
    QCOMPARE(box->ScaleWidth(), 100.0);

    for (int i = 0; i < 300; ++i)
        Record(*view_, *module_, 1);
    QVERIFY(scroll->value() > 100);
    // Reset: log and scale are reset by the window first, then the view.
    module_->Samples.Reset();
    module_->GraphXSpan = 100;
    frm->SetFontName(QStringLiteral("Courier"));
    view_->ResetView();
    QCOMPARE(scroll->maximum(), 100);
    QCOMPARE(scroll->value(), 0);
    QCOMPARE(view_->ViewStart(), 0);
    QCOMPARE(box->CurrentX(), 0.0);
    QCOMPARE(box->CurrentY(), 0.0);
    QCOMPARE(frm->FontName(), QStringLiteral("arial"));
    QVERIFY(frm->FontBold());
    QCOMPARE(frm->FontSize(), 9.0);
}

void TestTrendGraphView::recordingMovesTheScrollBar()
{
    QScrollBar *scroll = view_->HScroll();
    view_->SetRecording(true);
    QVERIFY(!scroll->isEnabled());
    for (int n = 0; n < 96; ++n)
        Record(*view_, *module_, float(n));
    QCOMPARE(scroll->value(), 0);
    Record(*view_, *module_, 96); // sample 96
    QCOMPARE(scroll->value(), 1);
    for (int n = 97; n <= 195; ++n)
        Record(*view_, *module_, float(n));
    QCOMPARE(scroll->value(), 100);
    QCOMPARE(scroll->maximum(), 100);
    Record(*view_, *module_, 196); // at the maximum: it grows by 5 first
    QCOMPARE(scroll->maximum(), 105);
    QCOMPARE(scroll->value(), 101);
    QCOMPARE(view_->ViewStart(), 101);
    QCOMPARE(view_->ViewEnd(), 196);
    view_->SetRecording(false);
    QVERIFY(scroll->isEnabled());
}

void TestTrendGraphView::startPositionsTheScrollBar_data()
{
    QTest::addColumn<int>("samples");
    QTest::addColumn<int>("span");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("value");
    QTest::newRow("250 samples, span 100") << 250 << 100 << 159 << 154;
    QTest::newRow("1000 samples, span 400") << 1000 << 400 << 609 << 604;
    QTest::newRow("100 samples, span 400") << 100 << 400 << 100 << 0;
}

void TestTrendGraphView::startPositionsTheScrollBar()
{
    QFETCH(int, samples);
    QFETCH(int, span);
    QFETCH(int, maximum);
    QFETCH(int, value);
    module_->GraphXSpan = span;
    view_->Form_Paint(); // the new span takes effect at the next redraw
    Fill(*module_, samples);
    view_->PositionForRecording();
    QCOMPARE(view_->HScroll()->maximum(), maximum);
    QCOMPARE(view_->HScroll()->value(), value);
    QCOMPARE(view_->ViewStart(), samples > span ? value : 0);
}

void TestTrendGraphView::afterLoad_data()
{
    QTest::addColumn<int>("samples");
    QTest::addColumn<int>("maximum");
    QTest::newRow("500 records") << 500 << 499;
    QTest::newRow("50 records") << 50 << 100;
}

void TestTrendGraphView::afterLoad()
{
    QFETCH(int, samples);
    QFETCH(int, maximum);
    Fill(*module_, samples);
    view_->AfterLoad();
    QCOMPARE(view_->HScroll()->maximum(), maximum);
    QCOMPARE(view_->HScroll()->value(), 0);
    QCOMPARE(view_->ViewStart(), 0);
    // The line ends on the last sample.
    QCOMPARE(view_->GraphBox()->CurrentX(), double(samples - 1));
}

void TestTrendGraphView::userScrollRedrawsTheWindow()
{
    Fill(*module_, 300);
    view_->AfterLoad();
    view_->HScroll()->setValue(50);
    QCOMPARE(view_->ViewStart(), 50);
    QCOMPARE(view_->ViewEnd(), 150);
    // A repaint draws the same window.
    view_->Graph().ViewStart = 0;
    view_->Form_Paint();
    QCOMPARE(view_->ViewStart(), 50);
    QCOMPARE(view_->ViewEnd(), 150);
}

void TestTrendGraphView::readoutReadsTheSample_data()
{
    QTest::addColumn<int>("scrollTo");
    QTest::addColumn<double>("x");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("time");
    // Sample i holds i % 300 with two decimals, taken at 10:00:00 + i seconds.
    QTest::newRow("10.5 reads sample 10") << 0 << 10.5 << "10.00"
                                          << "DCV"
                                          << "10:00:10";
    QTest::newRow("11.5 reads sample 12") << 0 << 11.5 << "12.00"
                                          << "DCV"
                                          << "10:00:12";
    QTest::newRow("from the scrolled view") << 150 << 10.5 << "160.00"
                                            << "DCV"
                                            << "10:02:40";
    QTest::newRow("beyond the last sample") << 150 << 60.0 << "NO DATA"
                                            << ""
                                            << "12-06-2026 20:01:02";
}

void TestTrendGraphView::readoutReadsTheSample()
{
    QFETCH(int, scrollTo);
    QFETCH(double, x);
    QFETCH(QString, value);
    QFETCH(QString, unit);
    QFETCH(QString, time);
    Fill(*module_, 200);
    view_->AfterLoad();
    view_->HScroll()->setValue(scrollTo);
    view_->GraphBox_MouseUp(Qt::LeftButton, {}, x, 100);
    view_->GraphBox_Click();
    QWidget *window = view_->findChild<QWidget *>(QStringLiteral("ShowData"));
    QVERIFY(window);
    QCOMPARE(window, view_->ShowData());
    QVERIFY(window->isVisible());
    QVERIFY(window->windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(Label(window, "Label1"), value);
    QCOMPARE(Label(window, "Label2"), unit);
    QCOMPARE(Label(window, "Label3"), time);
}

void TestTrendGraphView::readoutPlacement_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<bool>("left");
    QTest::addColumn<bool>("bottom");
    QTest::newRow("x 60, above 0") << 60.0 << 100.0 << true << true;
    QTest::newRow("x 20, above 0") << 20.0 << 100.0 << false << true;
    QTest::newRow("x 60, below 0") << 60.0 << -100.0 << true << false;
    QTest::newRow("x 20, at 0") << 20.0 << 0.0 << false << false;
}

void TestTrendGraphView::readoutPlacement()
{
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(bool, left);
    QFETCH(bool, bottom);
    view_->GraphBox_MouseUp(Qt::LeftButton, {}, x, y);
    view_->GraphBox_Click();
    QWidget *window = view_->ShowData();
    QVERIFY(window);
    QCOMPARE(Label(window, "Label1"), QStringLiteral("NO DATA"));
    PictureBox *frm = view_->GraphFrm();
    const QPoint origin = frm->mapToGlobal(QPoint(0, 0));
    const double pxPerTwipX = frm->logicalDpiX() / 1440.0;
    const double pxPerTwipY = frm->logicalDpiY() / 1440.0;
    const double expectedX = left ? origin.x() : origin.x() + frm->width() - 1500 * pxPerTwipX;
    const double expectedY =
        bottom ? origin.y() + frm->height() - 200 * pxPerTwipY : origin.y() + 650 * pxPerTwipY;
    QVERIFY2(std::abs(window->x() - expectedX) <= 1,
             qPrintable(QStringLiteral("%1 vs %2").arg(window->x()).arg(expectedX)));
    QVERIFY2(std::abs(window->y() - expectedY) <= 1,
             qPrintable(QStringLiteral("%1 vs %2").arg(window->y()).arg(expectedY)));
}

void TestTrendGraphView::readoutIgnoredWhileRecording()
{
    Fill(*module_, 20);
    view_->SetRecording(true);
    view_->GraphBox_MouseUp(Qt::LeftButton, {}, 5, 1);
    view_->GraphBox_Click();
    QVERIFY(!view_->ShowData());
    QVERIFY(!view_->Timer1()->isActive());
    QCOMPARE(view_->ClickX(), 5); // the release is still noted
    view_->SetRecording(false);
    view_->GraphBox_Click();
    QVERIFY(view_->ShowData());
}

void TestTrendGraphView::readoutClosesAfterFiveSeconds()
{
    QTimer *timer = view_->Timer1();
    view_->GraphBox_MouseUp(Qt::LeftButton, {}, 5, 1);
    view_->GraphBox_Click();
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 5000);
    // Expiry closes and destroys the window and stops the timer.
    view_->Timer1_Timer();
    QVERIFY(!view_->ShowData());
    QVERIFY(!view_->findChild<QWidget *>(QStringLiteral("ShowData")));
    QVERIFY(!timer->isActive());
    // Each click restarts the period; the timer itself closes the window.
    timer->setInterval(300);
    view_->GraphBox_Click();
    QTest::qWait(150);
    view_->GraphBox_Click(); // restart
    QVERIFY(timer->remainingTime() > 200);
    QVERIFY(view_->ShowData());
    QTRY_VERIFY_WITH_TIMEOUT(!view_->ShowData(), 3000);
    QVERIFY(!timer->isActive());
}

void TestTrendGraphView::realClickReadsTheSampleUnderThePointer()
{
    Fill(*module_, 50);
    view_->AfterLoad();
    PictureBox *box = view_->GraphBox();
    const QPointF device = box->ToDevice(30, 100);
    QTest::mouseClick(box, Qt::LeftButton, {}, device.toPoint());
    QCOMPARE(view_->ClickX(), 30);
    QVERIFY(std::abs(view_->ClickY() - 100) < 800.0 / box->height() * 2);
    QCOMPARE(Label(view_->ShowData(), "Label1"), QStringLiteral("30.00"));
}

void TestTrendGraphView::colourAndResizeRedraw()
{
    const Colour back = 16444615; // light blue
    const Colour fore = 255;      // red
    view_->SetColours(back, fore, 2);
    QCOMPARE(view_->GraphBox()->ForeColor(), fore);
    QCOMPARE(view_->GraphBox()->DrawWidth(), 2);
    for (int n = 0; n < 60; ++n)
        Record(*view_, *module_, float(n * 5));
    const QImage box = view_->GraphBox()->grab().toImage();
    const QImage frm = view_->GraphFrm()->grab().toImage();
    QCOMPARE(frm.pixelColor(1, 1), ToQColor(back));
    QCOMPARE(box.pixelColor(box.width() - 2, 2), ToQColor(back));
    QVERIFY(CountColour(box, QColor(Qt::red)) > 50);

    // A larger window: the plot area grows and the line is drawn again across it.
    const QRect before = view_->GraphBox()->geometry();
    view_->resize(900, 500);
    QTRY_VERIFY(view_->GraphBox()->geometry().width() > before.width());
    const QImage grown = view_->GraphBox()->grab().toImage();
    QVERIFY(CountColour(grown, QColor(Qt::red)) > 50);
    // The redrawn line still ends at sample 59 at its x in the wider box: red pixels right of
    // the old width's share of 59 steps.
    int rightmost = 0;
    for (int y = 0; y < grown.height(); ++y)
        for (int x = 0; x < grown.width(); ++x)
            if (grown.pixelColor(x, y) == QColor(Qt::red))
                rightmost = std::max(rightmost, x);
    QVERIFY2(std::abs(rightmost - grown.width() * 59 / 100) <= 3,
             qPrintable(QString::number(rightmost)));
}

QTEST_MAIN(TestTrendGraphView)
#include "tst_trendgraphview.moc"
