#include "common/ui/Module1.h"
#include "graph/ui/PictureBox.h"
#include "graph/ui/TrendGraphView.h"

#include <QCryptographicHash>
#include <QLabel>
#include <QPaintEvent>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <climits>
#include <cmath>

using namespace kst;

class TestTrendGraphView : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void recordingScrollsAndClicksRead();
    void advancedPictureEqualsRedraw_data();
    void advancedPictureEqualsRedraw();
    void screenShowsThePictureRepaintingWhatChanged();
    void defaultPictureUnchanged_data();
    void defaultPictureUnchanged();

private:
    std::unique_ptr<Module1> module_;
    std::unique_ptr<TrendGraphView> view_;
};

namespace {

void Store(Module1 &m, float value)
{
    Sample s;
    s.value = value;
    s.unit = QStringLiteral("DCV");
    s.decimals = 2;
    s.time = QTime(10, 0).addSecs(m.Samples.SampleCount);
    m.Samples.Store(m.Samples.SampleCount, s);
}

// The recording cycle's graph work for one new sample.
void Record(TrendGraphView &view, Module1 &m, float value)
{
    const qint32 n = m.Samples.SampleCount;
    Store(m, value);
    view.RecordNewestSample(n);
    m.Samples.SampleCount = n + 1;
}

// Rows the red data line tints in each pixel column: topmost and bottommost.
std::vector<std::pair<int, int>> LineExtremes(const QImage &image)
{
    std::vector<std::pair<int, int>> out(size_t(image.width()), {-1, -1});
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            if (const QRgb p = image.pixel(x, y); qRed(p) - qGreen(p) > 60) {
                if (out[size_t(x)].first < 0)
                    out[size_t(x)].first = y;
                out[size_t(x)].second = y;
            }
    return out;
}

// The pixels a widget's paint events covered.
class PaintedArea : public QObject {
public:
    qint64 pixels = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            for (const QRect &r : static_cast<QPaintEvent *>(event)->region())
                pixels += qint64(r.width()) * r.height();
        return false;
    }
};

} // namespace

void TestTrendGraphView::init()
{
    module_ = std::make_unique<Module1>();
    module_->Clock = [] { return QDateTime(QDate(2026, 12, 6), QTime(20, 1, 2)); };
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

void TestTrendGraphView::recordingScrollsAndClicksRead()
{
    view_->SetRecording(true);
    QScrollBar *scroll = view_->HScroll();
    QVERIFY(!scroll->isEnabled());
    for (int i = 0; i <= 106; ++i)
        Record(*view_, *module_, float(i) / 4);
    QCOMPARE(scroll->value(), 11);
    QCOMPARE(view_->ViewStart(), 11); // past 100 samples the window starts at the value
    QCOMPARE(view_->ViewEnd(), 106);  // and ends at the sample before the newest
    PictureBox *box = view_->GraphBox();
    const QPoint at(int(box->width() * 12.2 / 100), box->height() / 4);
    QTest::mouseClick(box, Qt::LeftButton, {}, at);
    QVERIFY(!view_->ShowData()); // clicks while recording show nothing
    view_->SetRecording(false);
    QVERIFY(scroll->isEnabled());
    scroll->setValue(0); // the user scrolls back
    QCOMPARE(view_->ViewStart(), 0);
    QCOMPARE(view_->ViewEnd(), 100);
    QTest::mouseClick(box, Qt::LeftButton, {}, at); // reads the sample under the pointer
    QCOMPARE(view_->ShowData()->findChild<QLabel *>(QStringLiteral("Label1"))->text(),
             QStringLiteral("03.00"));
    view_->Timer1_Timer(); // five seconds later
    QVERIFY(!view_->ShowData());
}

void TestTrendGraphView::advancedPictureEqualsRedraw_data()
{
    QTest::addColumn<int>("span");
    QTest::addColumn<int>("samples");
    QTest::newRow("span 100, filling and moving on") << 100 << 400;
    QTest::newRow("span 10000, dense") << 10000 << 12000;
}

void TestTrendGraphView::advancedPictureEqualsRedraw()
{
    // The recording cycle scrolls the picture and draws only the newest piece; a full redraw of
    // the same window must show the same line: in every column the same extremes, within the
    // pixel the scrolling rounds to.
    QFETCH(int, span);
    QFETCH(int, samples);
    module_->GraphXSpan = span;
    view_->SetColours(0xFFFFFF, Red, 1);
    view_->SetRecording(true);
    for (int i = 0; i < samples; ++i)
        Record(*view_, *module_, float(300 * std::sin(i * 8.0 / span) + 60 * std::sin(i / 3.0)));
    const QImage advanced = view_->GraphBox()->Picture().copy();
    qint32 left = view_->ViewStart();
    view_->RedrawGraph(left, view_->ViewEnd(), module_->GraphTopY, module_->GraphLowY);
    const QImage redrawn = view_->GraphBox()->Picture().copy();
    const auto a = LineExtremes(advanced);
    const auto r = LineExtremes(redrawn);
    // What one picture shows in a column lies within what the other shows in it and its
    // neighbours, give or take the pixel the scrolling rounds to.
    const auto within = [](const auto &one, const auto &other, size_t x) {
        if (one[x].first < 0)
            return true;
        int top = INT_MAX, bottom = -1;
        for (size_t n = x - 1; n <= x + 1; ++n)
            if (other[n].first >= 0) {
                top = std::min(top, other[n].first);
                bottom = std::max(bottom, other[n].second);
            }
        return bottom >= 0 && one[x].first >= top - 2 && one[x].second <= bottom + 2;
    };
    int lineColumns = 0;
    // The columns of the first step show the edge of the scrolled line.
    for (size_t x = size_t(advanced.width() / span + 2); x + 1 < a.size(); ++x) {
        lineColumns += r[x].first >= 0 ? 1 : 0;
        QVERIFY2(within(a, r, x) && within(r, a, x),
                 qPrintable(QStringLiteral("column %1: %2..%3 against %4..%5")
                                .arg(x)
                                .arg(a[x].first)
                                .arg(a[x].second)
                                .arg(r[x].first)
                                .arg(r[x].second)));
    }
    QVERIFY(lineColumns > advanced.width() * 8 / 10);
}

void TestTrendGraphView::screenShowsThePictureRepaintingWhatChanged()
{
    // Recording with the window shown: each sample repaints only where the line was and is, and
    // what the screen shows is the picture.
    view_->SetColours(0xFFFFFF, Red, 2);
    view_->SetRecording(true);
    PictureBox *box = view_->GraphBox();
    PaintedArea painted;
    box->installEventFilter(&painted);
    const auto settle = [] {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    };
    for (int i = 0; i < 300; ++i) {
        if (i == 200)
            painted.pixels = 0;
        Record(*view_, *module_, float(300 * std::sin(i / 20.0)));
        settle();
    }
    QVERIFY(painted.pixels / 100 < box->width() * box->height() / 3);
    const QImage screen = QGuiApplication::primaryScreen()
                              ->grabWindow(view_->winId())
                              .toImage()
                              .copy(QRect(box->mapTo(view_.get(), QPoint(0, 0)), box->size()))
                              .convertToFormat(QImage::Format_RGB32);
    QCOMPARE(screen, box->Picture().convertToFormat(QImage::Format_RGB32));
}

void TestTrendGraphView::defaultPictureUnchanged_data()
{
    // The plot's pixels in three everyday states, as the graph drew them before it could zoom,
    // pan, pin cursors, show markers, gaps or an overlay: none of that may change them unasked.
    QTest::addColumn<int>("scrollBack"); // -1: left recording; else STOP and scroll there
    QTest::addColumn<bool>("loaded");    // the whole log drawn as after Open
    QTest::addColumn<QByteArray>("md5");
    QTest::newRow("recording") << -1 << false << QByteArray("ada3d063ba777b9a56d6146404923ecb");
    QTest::newRow("stopped, scrolled back")
        << 37 << false << QByteArray("83d45bd6f6d6738bce440b3663ce87d3");
    QTest::newRow("after Open") << -1 << true << QByteArray("47f4b3a5b9c6240c7f33b8d2a39b9917");
}

void TestTrendGraphView::defaultPictureUnchanged()
{
    QFETCH(int, scrollBack);
    QFETCH(bool, loaded);
    QFETCH(QByteArray, md5);
    view_->SetColours(0xFFFFFF, Red, 2);
    view_->SetRecording(true);
    for (int i = 0; i < 250; ++i)
        Record(*view_, *module_, float(300 * std::sin(i / 15.0) + 40 * std::sin(i / 2.0)));
    if (scrollBack >= 0) {
        view_->SetRecording(false);
        view_->HScroll()->setValue(scrollBack);
    }
    if (loaded)
        view_->AfterLoad();
    const QImage picture = view_->GraphBox()->Picture().convertToFormat(QImage::Format_RGB32);
    const QByteArray hash =
        QCryptographicHash::hash(QByteArrayView(picture.constBits(), picture.sizeInBytes()),
                                 QCryptographicHash::Md5)
            .toHex();
    QCOMPARE(hash, md5);
}

QTEST_MAIN(TestTrendGraphView)
#include "tst_trendgraphview.moc"
