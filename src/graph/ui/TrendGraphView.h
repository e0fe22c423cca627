#pragma once

#include "common/DrawingSurface.h"
#include "graph/GraphScroll.h"
#include "graph/TrendGraph.h"
#include "graph/ui/GraphScrollBar.h"

#include <QPointer>
#include <QWidget>
#include <memory>
#include <optional>

class QFrame;
class QLabel;
class QScrollBar;
class QTimer;

namespace kst {

class Module1;
class MeterRecording;
class PictureBox;
class CursorOverlay;
class GraphMouse;

// The main window's trend graph: the frame GraphFrm with the value and time labels, the plot
// area GraphBox inside it, the scroll bar HScroll under them, and the point read-out window
// ShowData with the timer Timer1 that closes it.
//
// The scroll bar's value is the first visible sample once the log is longer than the window.
// Every change of its value, by the user or by the program, redraws the window from there.
// While recording runs the user cannot scroll and clicks on the graph show nothing; the
// recording cycle moves the view on (AdvanceGraphScroll).
//
// The user may zoom and pan (GraphMouse): then the time window stays where the user put it,
// recording or not, and the scroll bar follows it (and moves it); Home or a double click goes
// back to the newest samples and the graph as it always is. The cursor read-out, when switched
// on, follows the pointer and takes over the click from the point read-out.
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

    // What the plot shows (see TrendGraph::View).
    GraphView View() const { return graph_->View(); }
    bool Zoomed() const { return graph_->TimeZoom() || graph_->ValueZoom(); }
    // Zooming and panning, in fractions of the plot (see GraphView.h). Each draws at once; a
    // change of the time window is told to whoever keeps other strips in step (TimeZoomChosen).
    void ZoomTimeAt(double factor, double at);
    void ZoomValuesAt(double factor, double at);
    // The view `from` (where a drag began) moved by dx of the width and dy of the height; the
    // values move only when they are zoomed.
    void PanFrom(const GraphView &from, double dx, double dy);
    void ZoomToBox(const QRectF &box);
    // The box a Shift-drag draws, over the plot; none when it is done.
    void ShowZoomBox(std::optional<QRectF> box);
    // The time window another strip chose: several meters zoom and pan their time axis
    // together. Told to nobody.
    void SetTimeZoom(std::optional<TimeWindow> time);
    // Back to the newest samples, the graph as it always is: no zoom, the scroll bar where
    // recording puts it. FollowNewest is the user's (a double click), told as FollowChosen.
    void Follow();
    void FollowNewest();

    // The cursor read-out: off, a click is the point read-out.
    void SetCursorReadout(bool on);
    bool CursorReadout() const { return cursorOn_; }
    // The pointer at graph x over the plot; none when it left.
    void CursorAt(std::optional<double> x);
    // Pins a cursor at the sample nearest to graph x: the first, the second, then the first again.
    void PinCursor(double x);
    void ClearCursors();
    // The read-out's lines as shown (empty when no cursor shows).
    QStringList CursorLines() const { return cursorLines_; }
    CursorOverlay *Overlay() const { return overlay_; }

    // The markers drawn with the samples; null for none.
    void SetMarkers(const MarkerList *markers);
    // A saved recording drawn faint under the line, its first sample at the first of the log;
    // null takes it away.
    void SetSavedRecording(std::unique_ptr<SampleLog> saved);
    const SampleLog *SavedRecording() const { return saved_.get(); }

signals:
    void TimeZoomChosen(std::optional<kst::TimeWindow> time);
    void FollowChosen();

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
    // Takes the user's next view: its time window and/or its values.
    void Navigate(const GraphView &next, bool time, bool values);
    void ApplyZoom(std::optional<TimeWindow> time, std::optional<ValueRange> values);
    // The scroll bar on the zoomed time window: its value the first sample, its page the span.
    void SyncScrollBar();
    // The cursors and their read-out, or the zoom box, over the plot.
    void DrawOverlay();

    Module1 &m_;
    MeterRecording &meter_;
    PictureBox *graphFrm_;
    PictureBox *graphBox_;
    GraphScrollBar *hScroll_;
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
    // The scroll bar is being put on the zoomed window: its change is no user's.
    bool syncing_ = false;
    CursorOverlay *overlay_ = nullptr;
    GraphMouse *mouse_ = nullptr;
    bool cursorOn_ = false;
    std::optional<qint64> hover_, pinnedA_, pinnedB_;
    std::optional<QRectF> zoomBox_;
    QStringList cursorLines_;
    std::unique_ptr<SampleLog> saved_;
    Colour back_ = 0xFFFFFF, fore_ = 0;
};

} // namespace kst
