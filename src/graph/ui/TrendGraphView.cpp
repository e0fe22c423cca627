#include "graph/ui/TrendGraphView.h"

#include "common/DateTimeText.h"
#include "common/ui/Module1.h"
#include "graph/GraphScroll.h"
#include "graph/ui/CursorOverlay.h"
#include "graph/ui/GraphMouse.h"
#include "graph/ui/GraphScrollBar.h"
#include "graph/ui/PictureBox.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace kst {

namespace {

// Twips (1/1440 inch) per pixel on the widget's screen.
double TwipsPerPixelX(const QWidget *w)
{
    return 1440.0 / std::max(1, w->logicalDpiX());
}
double TwipsPerPixelY(const QWidget *w)
{
    return 1440.0 / std::max(1, w->logicalDpiY());
}

} // namespace

TrendGraphView::TrendGraphView(Module1 &module, QWidget *parent)
    : TrendGraphView(module, module.Meter1, parent)
{
}

TrendGraphView::TrendGraphView(Module1 &module, MeterRecording &meter, QWidget *parent)
    : QWidget(parent), m_(module), meter_(meter), graphFrm_(new PictureBox(this)),
      graphBox_(new PictureBox(graphFrm_)), hScroll_(new GraphScrollBar(this)),
      timer1_(new QTimer(this))
{
    graphFrm_->setObjectName(QStringLiteral("GraphFrm"));
    graphBox_->setObjectName(QStringLiteral("GraphBox"));
    hScroll_->setObjectName(QStringLiteral("HScroll"));
    hScroll_->SetPaceInterval(m_.ReadoutIntervalMs);
    graphFrm_->SetPaceInterval(m_.ReadoutIntervalMs);
    graphBox_->SetPaceInterval(m_.ReadoutIntervalMs);
    timer1_->setObjectName(QStringLiteral("Timer1"));
    timer1_->setInterval(5000);

    graphFrm_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    graphFrm_->setMinimumSize(200, 120);
    hScroll_->setRange(0, ScrollInitialMaximum);
    hScroll_->setSingleStep(1);
    hScroll_->setPageStep(10);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(graphFrm_, 1);
    layout->addWidget(hScroll_);

    graphFrm_->SetFontName(QStringLiteral("arial"));
    graphFrm_->SetFontSize(9);
    graphFrm_->SetFontBold(true);

    graph_ = std::make_unique<TrendGraph>(meter_.Samples, meter_.Scale, *graphFrm_, *graphBox_);
    graph_->AdvanceScroll = [this](qint32 index) { AdvanceGraphScroll(index); };

    connect(hScroll_, &QScrollBar::valueChanged, this, &TrendGraphView::HScroll_Change);
    connect(graphBox_, &PictureBox::MouseUp, this, &TrendGraphView::GraphBox_MouseUp);
    connect(graphBox_, &PictureBox::Click, this, &TrendGraphView::GraphBox_Click);
    connect(timer1_, &QTimer::timeout, this, &TrendGraphView::Timer1_Timer);
    connect(graphFrm_, &PictureBox::Resized, this, [this] {
        LayoutPlotArea();
        Form_Paint();
    });
    overlay_ = new CursorOverlay(graphBox_);
    overlay_->hide();
    mouse_ = new GraphMouse(*this, *graphBox_);

    LayoutPlotArea();
    // The plot area works in graph coordinates from the start, so scroll arithmetic done before
    // the first redraw already sees the span.
    graph_->ApplyGraphScale(meter_.Scale.TopY, meter_.Scale.LowY, meter_.Scale.XSpan);
}

TrendGraphView::~TrendGraphView() = default;

QWidget *TrendGraphView::ShowData() const
{
    return showData_.data();
}

void TrendGraphView::LayoutPlotArea()
{
    // Label sizes in the frame's pixels, in the fonts the labels are drawn with.
    graphFrm_->SetFontSize(9);
    graphFrm_->SetFontBold(true);
    const double valueWidth = graphFrm_->TextWidth(QStringLiteral("+4000.0"));
    const double valueHeight = graphFrm_->TextHeight();
    graphFrm_->SetFontSize(8);
    graphFrm_->SetFontBold(false);
    const double timeWidth = graphFrm_->TextWidth(SystemTimeText(QTime(23, 59, 59)));
    graphFrm_->SetFontSize(9);
    graphFrm_->SetFontBold(true);
    const QRectF area = PlotAreaGeometry(QSizeF(graphFrm_->width(), graphFrm_->height()),
                                         valueWidth, valueHeight, timeWidth);
    graphBox_->setGeometry(area.toRect());
    if (overlay_)
        overlay_->setGeometry(graphBox_->rect());
}

void TrendGraphView::ApplyGraphScale(float top, float low, qint32 span)
{
    graph_->ApplyGraphScale(top, low, span);
}

void TrendGraphView::RedrawGraph(qint32 &left, qint32 count, float top, float low)
{
    graph_->RedrawGraph(left, count, top, low);
}

void TrendGraphView::PlotNewestSample(qint32 index, float value)
{
    graph_->PlotNewestSample(index, value);
}

void TrendGraphView::DrawAxisLabels(float top, float low)
{
    graph_->DrawAxisLabels(top, low);
}

bool TrendGraphView::FollowNewestSample(qint32 index, ScrollPosition &scroll)
{
    const double width = graphBox_->ScaleWidth();
    const ScrollPosition before{hScroll_->value(), hScroll_->maximum()};
    scroll = before;
    const bool moved = kst::AdvanceGraphScroll(scroll, width, index);
    if (scroll.Maximum != before.Maximum)
        hScroll_->setMaximum(scroll.Maximum);
    if (!moved && before.Value + width - 5.0 < index) {
        // The scroll bar is at its 16-bit end and cannot follow: labels and read-out count from
        // the start of the newest window.
        graph_->ViewStart = std::max(0, index - meter_.Scale.XSpan);
        graph_->ViewEnd = index;
    }
    return moved;
}

void TrendGraphView::AdvanceGraphScroll(qint32 index)
{
    ScrollPosition scroll;
    if (FollowNewestSample(index, scroll))
        hScroll_->setValue(scroll.Value); // redraws through HScroll_Change
}

void TrendGraphView::RecordNewestSample(qint32 index)
{
    // The graph moves on with every sample: it is shown at the read-outs' pace.
    const auto pace = [this](bool paced) {
        hScroll_->SetPaced(paced);
        graphFrm_->SetPaced(paced);
        graphBox_->SetPaced(paced);
    };
    pace(true);
    const auto unpaced = qScopeGuard([pace] { pace(false); });
    if (graph_->TimeZoom()) {
        // The user looks elsewhere: the window stays, the scroll bar's range reaches on.
        graph_->ShowRecordedWindow(0, index, false);
        SyncScrollBar();
        DrawOverlay();
        return;
    }
    if (cursorOn_)
        QMetaObject::invokeMethod(this, &TrendGraphView::DrawOverlay, Qt::QueuedConnection);
    // The picture is that of the log before the sample: the scroll redraw ends at the previous
    // sample, and the newest one is drawn as the segment after it.
    const double width = graphBox_->ScaleWidth();
    // While the log fits in one window it is drawn from the left edge; after that the window
    // ends at the new sample, with the newest segment after it.
    const qint32 left = width > index ? 0 : index - meter_.Scale.XSpan;
    ScrollPosition scroll;
    if (FollowNewestSample(index, scroll)) {
        cycling_ = true;
        hScroll_->setValue(scroll.Value);
        cycling_ = false;
        // The newest sample is drawn by the next cycle.
        const ViewWindow window = ScrollViewWindow(scroll.Value, width, index);
        graph_->ViewStart = window.Start;
        graph_->ViewEnd = window.End;
        graph_->ShowRecordedWindow(window.Start, window.End, false);
        return;
    }
    graph_->ShowRecordedWindow(left, index, true);
}

void TrendGraphView::PositionForRecording()
{
    if (graph_->TimeZoom())
        return; // the scroll bar stays on the user's window
    const ScrollPosition scroll =
        RecordingStartPosition({hScroll_->value(), hScroll_->maximum()}, graphBox_->ScaleWidth(),
                               meter_.Samples.SampleCount);
    hScroll_->setMaximum(scroll.Maximum);
    hScroll_->setValue(scroll.Value);
}

void TrendGraphView::AfterLoad()
{
    graph_->SetZoom(std::nullopt, std::nullopt);
    ClearCursors();
    hScroll_->setPageStep(10);
    graph_->ViewStart = 0;
    graph_->ViewEnd = meter_.Samples.SampleCount;
    qint32 left = 0;
    graph_->RedrawGraph(left, meter_.Samples.SampleCount, meter_.Scale.TopY, meter_.Scale.LowY);
    hScroll_->setMaximum(MaximumAfterLoad(hScroll_->maximum(), meter_.Samples.SampleCount));
}

void TrendGraphView::ResetView()
{
    graph_->SetZoom(std::nullopt, std::nullopt);
    ClearCursors();
    hScroll_->setPageStep(10);
    hScroll_->setMaximum(ScrollInitialMaximum);
    hScroll_->setValue(0);
    // The old log's picture goes at once, not only at the next scroll or repaint.
    Form_Paint();
    graphFrm_->SetFontBold(true);
    graphFrm_->SetFontName(QStringLiteral("arial"));
    graphFrm_->SetFontSize(9);
    graphBox_->SetCurrentX(0);
    graphBox_->SetCurrentY(0);
}

void TrendGraphView::SetColours(Colour back, Colour fore, int width)
{
    graphBox_->SetBackColor(back);
    graphFrm_->SetBackColor(back);
    graphBox_->SetForeColor(fore);
    graphBox_->SetDrawWidth(width);
    back_ = back;
    fore_ = fore;
    if (saved_)
        SetSavedRecording(std::move(saved_)); // its faint colour from the new ones
    graph_->Invalidate();
    Form_Paint();
}

void TrendGraphView::SetRecording(bool recording)
{
    recording_ = recording;
    hScroll_->setEnabled(!recording || graph_->TimeZoom());
}

void TrendGraphView::HScroll_Change()
{
    if (!cycling_ && !syncing_)
        HScroll_Scroll();
}

void TrendGraphView::HScroll_Scroll()
{
    if (std::optional<TimeWindow> time = graph_->TimeZoom()) {
        // The user moved the zoomed window with the scroll bar; a strip's hidden bar follows the
        // shared one and tells nobody.
        time->First = hScroll_->value();
        graph_->SetZoom(time, graph_->ValueZoom());
        if (hScroll_->isVisible())
            emit TimeZoomChosen(time);
    }
    graph_->ShowScrollWindow(hScroll_->value());
    DrawOverlay();
}

void TrendGraphView::Form_Paint()
{
    // The picture boxes keep their pictures; this is the program's full repaint, which shows
    // the same window a scroll redraw at the current scroll value shows.
    graph_->ShowScrollWindow(hScroll_->value());
    DrawOverlay();
}

void TrendGraphView::GraphBox_MouseUp(Qt::MouseButton, Qt::KeyboardModifiers, double x, double y)
{
    clickX_ = ClickSampleOffset(x);
    clickY_ = float(y);
}

void TrendGraphView::OpenShowData()
{
    if (showData_)
        return;
    auto *window = new QFrame(this, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    window->setObjectName(QStringLiteral("ShowData"));
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    window->setFrameStyle(QFrame::Box | QFrame::Plain);
    window->setAutoFillBackground(true);
    QFont font = window->font();
    font.setPointSize(9);
    window->setFont(font);
    label1_ = new QLabel(window);
    label1_->setObjectName(QStringLiteral("Label1"));
    QFont bold = font;
    bold.setBold(true);
    label1_->setFont(bold);
    label2_ = new QLabel(window);
    label2_->setObjectName(QStringLiteral("Label2"));
    label3_ = new QLabel(window);
    label3_->setObjectName(QStringLiteral("Label3"));
    auto *grid = new QGridLayout(window);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(2);
    grid->addWidget(label1_, 0, 0, Qt::AlignRight);
    grid->addWidget(label2_, 0, 1, Qt::AlignLeft);
    grid->addWidget(label3_, 1, 0, 1, 2, Qt::AlignHCenter);
    // 1500 twips wide, the width the placement allows for on the right.
    window->setMinimumWidth(int(1500 / TwipsPerPixelX(this) + 0.5));
    showData_ = window;
}

void TrendGraphView::GraphBox_Click()
{
    if (recording_)
        return;
    const qint64 index = qint64(graph_->ViewStart) + clickX_;
    const PointReadout texts = ReadoutFor(meter_.Samples, index, m_.Now());
    timer1_->stop();
    OpenShowData();
    label1_->setText(texts.Value);
    label2_->setText(texts.Unit);
    label3_->setText(texts.Time);
    showData_->adjustSize();

    // Placed in twips on the screen, from the frame's screen rectangle.
    const double tx = TwipsPerPixelX(this);
    const double ty = TwipsPerPixelY(this);
    const QPoint origin = graphFrm_->mapToGlobal(QPoint(0, 0));
    const QRectF frame(origin.x() * tx, origin.y() * ty, graphFrm_->width() * tx,
                       graphFrm_->height() * ty);
    const QPointF corner = ReadoutPlacement(frame, clickX_, clickY_);
    showData_->move(qRound(corner.x() / tx), qRound(corner.y() / ty));
    showData_->show();
    timer1_->start();
}

void TrendGraphView::Timer1_Timer()
{
    timer1_->stop();
    if (showData_) {
        showData_->hide();
        delete showData_.data();
        label1_ = label2_ = label3_ = nullptr;
    }
}

} // namespace kst
