#pragma once

#include "common/DrawingSurface.h"
#include "graph/GraphScroll.h"
#include "graph/TrendGraph.h"

#include <QPointer>
#include <QWidget>
#include <memory>

class QFrame;
class QLabel;
class QScrollBar;
class QTimer;

namespace kst {

class Module1;
class MeterRecording;
class PictureBox;

// The main window's trend graph: the frame GraphFrm with the value and time labels, the plot
// area GraphBox inside it, the scroll bar HScroll under them, and the point read-out window
// ShowData with the timer Timer1 that closes it.
//
// The scroll bar's value is the first visible sample once the log is longer than the window.
// Every change of its value, by the user or by the program, redraws the window from there.
// While recording runs the user cannot scroll and clicks on the graph show nothing; the
// recording cycle moves the view on (AdvanceGraphScroll).
class TrendGraphView : public QWidget {
    Q_OBJECT
public:
    // Meter 1's graph; or the graph of a given meter.
    explicit TrendGraphView(Module1 &module, QWidget *parent = nullptr);
    TrendGraphView(Module1 &module, MeterRecording &meter, QWidget *parent = nullptr);
    ~TrendGraphView() override;

    PictureBox *GraphFrm() const { return graphFrm_; }
    PictureBox *GraphBox() const { return graphBox_; }
    QScrollBar *HScroll() const { return hScroll_; }
    QTimer *Timer1() const { return timer1_; }
    // The read-out window while it is open, else null.
    QWidget *ShowData() const;
    TrendGraph &Graph() { return *graph_; }

    qint32 ViewStart() const { return graph_->ViewStart; }
    qint32 ViewEnd() const { return graph_->ViewEnd; }
    qint32 ClickX() const { return clickX_; }
    float ClickY() const { return clickY_; }

    // The drawing procedures (see TrendGraph).
    void ApplyGraphScale(float top, float low, qint32 span);
    void RedrawGraph(qint32 &left, qint32 count, float top, float low);
    void PlotNewestSample(qint32 index, float value);
    void DrawAxisLabels(float top, float low);

    // The recording cycle's scroll bookkeeping for the sample just stored at index: moves the
    // scroll bar on (which redraws) once the sample nears the right edge.
    void AdvanceGraphScroll(qint32 index);
    // The recording cycle's graph work for the sample just stored at index (SampleCount still
    // equals index): the picture that the window redraw, the newest segment and the scroll
    // bookkeeping leave, drawn once, and the labels once. The log holds it: SampleCount is
    // index + 1.
    void RecordNewestSample(qint32 index);
    // START: puts the scroll bar on the newest samples before recording locks it.
    void PositionForRecording();
    // After a file was loaded: the whole log drawn from sample 0, the scroll range reaching
    // the last sample.
    void AfterLoad();
    // The main window's reset, after the log and the graph scale were reset: scroll range
    // 0..100 at 0, an empty graph, label font bold "arial" 9, drawing position 0, 0.
    void ResetView();
    // Background of both boxes, colour and width of the data line ("Bcolor", "Fcolor",
    // "Bwidth"); redraws.
    void SetColours(Colour back, Colour fore, int width);
    // While recording the scroll bar is locked and clicks on the graph are ignored.
    void SetRecording(bool recording);
    bool Recording() const { return recording_; }

    QSize sizeHint() const override { return {600, 320}; }

public slots:
    void HScroll_Change();
    void HScroll_Scroll();
    // Redraws the window the scroll bar selects (also after a resize).
    void Form_Paint();
    void GraphBox_MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, double x, double y);
    void GraphBox_Click();
    void Timer1_Timer();

private:
    // Places GraphBox inside GraphFrm so the labels line up with the grid.
    void LayoutPlotArea();
    void OpenShowData();
    // Moves the scroll bar's range on for the sample just stored at index; true when its value
    // must follow too (scroll holds the new position).
    bool FollowNewestSample(qint32 index, ScrollPosition &scroll);

    Module1 &m_;
    MeterRecording &meter_;
    PictureBox *graphFrm_;
    PictureBox *graphBox_;
    QScrollBar *hScroll_;
    QTimer *timer1_;
    std::unique_ptr<TrendGraph> graph_;
    QPointer<QFrame> showData_;
    QLabel *label1_ = nullptr;
    QLabel *label2_ = nullptr;
    QLabel *label3_ = nullptr;
    // The recording cycle moves the scroll bar itself and draws once.
    bool cycling_ = false;
    qint32 clickX_ = 0;
    float clickY_ = 0;
    bool recording_ = false;
};

} // namespace kst
