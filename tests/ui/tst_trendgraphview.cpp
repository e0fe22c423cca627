#include "common/ui/Module1.h"
#include "graph/ui/CursorOverlay.h"
#include "graph/ui/PictureBox.h"
#include "graph/ui/TrendGraphView.h"

#include <QCryptographicHash>
#include <QLabel>
#include <QPaintEvent>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
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
    void mouseZoomsPansAndComesBack();
    void cursorsPinnedByClicks();

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

// A mouse event on the plot: the button that changed (or none for a move), the buttons held.
void Mouse(QWidget *box, QEvent::Type type, QPointF at, Qt::MouseButton button,
           Qt::KeyboardModifiers modifiers = {})
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton
                                  : type == QEvent::MouseMove && button == Qt::NoButton
                                      ? Qt::NoButton
                                      : Qt::MouseButtons(Qt::LeftButton);
    QMouseEvent event(type, at, box->mapToGlobal(at), button, held, modifiers);
    QApplication::sendEvent(box, &event);
}

void Drag(QWidget *box, QPointF from, QPointF to, Qt::KeyboardModifiers modifiers = {})
{
    Mouse(box, QEvent::MouseButtonPress, from, Qt::LeftButton, modifiers);
    Mouse(box, QEvent::MouseMove, (from + to) / 2, Qt::LeftButton, modifiers);
    Mouse(box, QEvent::MouseMove, to, Qt::LeftButton, modifiers);
    Mouse(box, QEvent::MouseButtonRelease, to, Qt::LeftButton, modifiers);
}

void Wheel(QWidget *box, QPointF at, int notches, Qt::KeyboardModifiers modifiers = {})
{
    QWheelEvent event(at, box->mapToGlobal(at), {}, QPoint(0, 120 * notches), Qt::NoButton,
                      modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(box, &event);
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
    module_->ReadoutIntervalMs = 0; // every sample is shown as it is drawn
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

void TestTrendGraphView::mouseZoomsPansAndComesBack()
{
    view_->SetColours(0xFFFFFF, Red, 2);
    for (int i = 0; i < 400; ++i)
        Record(*view_, *module_, float(300 * std::sin(i / 15.0)));
    view_->Follow(); // stopped: the newest samples, as START shows them
    PictureBox *box = view_->GraphBox();
    const QImage unzoomed = box->Picture().copy();
    const GraphView start = view_->View();
    QCOMPARE(start, (GraphView{304, 100, 400, -400}));
    const QPointF middle(box->width() / 2.0, box->height() / 2.0);

    Wheel(box, middle, 1); // the sample under the pointer stays there
    QCOMPARE(view_->View(), (GraphView{314, 80, 400, -400}));
    QCOMPARE(view_->HScroll()->value(), 314);
    QCOMPARE(view_->HScroll()->pageStep(), 80);
    Wheel(box, middle, -1, Qt::ControlModifier);
    QCOMPARE(view_->View(), (GraphView{314, 80, 500, -500}));
    // A drag a quarter of the width to the left moves the window a quarter on; no read-out.
    Drag(box, middle, middle - QPointF(box->width() / 4.0, 0));
    QCOMPARE(view_->View().First, 334.0);
    QVERIFY(!view_->ShowData());
    // Shift draws the box to zoom to: the middle half across, the upper half down.
    Drag(box, QPointF(box->width() / 4.0, 0), QPointF(box->width() * 3 / 4.0, middle.y()),
         Qt::ShiftModifier);
    QCOMPARE(view_->View(), (GraphView{354, 40, 500, 0}));
    view_->HScroll()->setValue(200); // the scroll bar moves the zoomed window
    QCOMPARE(view_->View().First, 200.0);
    // Recording goes on: the window stays, the scroll bar too.
    view_->SetRecording(true);
    QVERIFY(view_->HScroll()->isEnabled());
    for (int i = 0; i < 30; ++i)
        Record(*view_, *module_, 0);
    QCOMPARE(view_->View(), (GraphView{200, 40, 500, 0}));
    QCOMPARE(view_->HScroll()->value(), 200);
    view_->SetRecording(false);
    module_->Samples.SampleCount = 400; // as before the recording
    // A double click: back to the newest samples, the graph exactly as it was.
    Mouse(box, QEvent::MouseButtonDblClick, middle, Qt::LeftButton);
    QCOMPARE(view_->View(), start);
    QVERIFY(!view_->Zoomed());
    QCOMPARE(box->Picture(), unzoomed);
}

void TestTrendGraphView::cursorsPinnedByClicks()
{
    for (int i = 0; i < 50; ++i)
        Record(*view_, *module_, float(i) / 4);
    view_->SetCursorReadout(true);
    PictureBox *box = view_->GraphBox();
    const auto at = [box](double sample) { return QPointF(box->width() * sample / 100, 20); };
    Mouse(box, QEvent::MouseMove, at(10.2), Qt::NoButton);
    QCOMPARE(view_->CursorLines(), (QStringList{u"12-30-1899 10:00:10"_qs, u"2.50 DCV"_qs}));
    QVERIFY(view_->Overlay()->isVisible());
    // A click pins the first cursor, not the point read-out; the pointer is the second.
    Mouse(box, QEvent::MouseButtonPress, at(10.2), Qt::LeftButton);
    Mouse(box, QEvent::MouseButtonRelease, at(10.2), Qt::LeftButton);
    QVERIFY(!view_->ShowData());
    Mouse(box, QEvent::MouseMove, at(30), Qt::NoButton);
    QCOMPARE(view_->CursorLines().value(2), u"Δt 20 s  Δ +5.00 DCV"_qs);
    Mouse(box, QEvent::MouseButtonPress, at(30), Qt::LeftButton);
    Mouse(box, QEvent::MouseButtonRelease, at(30), Qt::LeftButton);
    Mouse(box, QEvent::MouseMove, at(45), Qt::NoButton); // both pinned: the pointer moves none
    QCOMPARE(view_->CursorLines().value(3), u"mean 5.000  min 2.50  max 7.50 DCV (21 samples)"_qs);
    Mouse(box, QEvent::MouseButtonRelease, at(45), Qt::RightButton); // gone
    QVERIFY(view_->CursorLines().isEmpty());
    view_->SetCursorReadout(false);
    QVERIFY(!view_->Overlay()->isVisible());
}

QTEST_MAIN(TestTrendGraphView)
#include "tst_trendgraphview.moc"
