#pragma once

#include "graph/GraphView.h"

#include <QObject>
#include <QPointF>

namespace kst {

class PictureBox;
class TrendGraphView;

// What the mouse does on the plot, turned into the graph view's commands: the wheel zooms the
// time axis around the pointer (with Ctrl the value axis), dragging pans, dragging with Shift
// draws a box to zoom to, a double click returns to the newest samples. With the cursor read-out
// on, moving shows the cursor under the pointer, a click pins a cursor (a second click the second
// one, a third starts again) and the right button takes them away. A plain click otherwise goes
// on to the plot as it always has (the point read-out).
class GraphMouse : public QObject {
public:
    GraphMouse(TrendGraphView &view, PictureBox &box);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The pointer as fractions of the plot from its top left.
    QPointF Fraction(QPointF position) const;
    bool Wheel(QEvent *event);
    bool Move(QEvent *event);
    bool Release(QEvent *event);

    TrendGraphView &view_;
    PictureBox &box_;
    QPointF pressedAt_;
    GraphView pressView_;
    bool pressed_ = false;
    bool dragging_ = false;
    bool boxing_ = false;
};

} // namespace kst
