#pragma once

#include "common/DrawingSurface.h"
#include "common/ReadoutPacer.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <QPen>
#include <QRegion>
#include <QStaticText>
#include <QWidget>
#include <limits>
#include <map>
#include <memory>
#include <tuple>
#include <utility>
#include <vector>

class QPainter;

namespace kst {

// A picture box: a widget that is a drawing surface with a persistent picture. Whatever is drawn
// stays on the picture until Cls (or a change of the background colour), and paint events only
// show the picture, so the program draws when its data changes, not when the window system asks.
//
// Default user coordinates are pixels; Scale sets others. When the widget is resized the picture
// keeps what it has in its top-left corner and is extended with the background colour; user
// coordinates that were set with Scale stay, so the owner redraws to fill the new size.
// Mouse releases are reported in user coordinates.
//
// Drawing is put on the picture when it is needed (shown, handed out, resized), not call by
// call: what a Cls wipes is never rasterised, and lines drawn between two paints are stroked
// together.
//
// The picture has a data layer over the background: what is drawn while SetDataLayer(true) is
// in force goes there, and ScrollData moves only that layer, so a strip chart advances by
// moving its line and drawing the newest piece while its grid stays where it is.
//
// Only what changed is repainted: drawing is put on the picture once the program is back in its
// event loop, and the widget then asks for a repaint of the rectangles the drawing touched (and
// of what a clear wiped). A scrolled data layer repaints where its line was and where it is now,
// in blocks of columns as tall as the line in them, not the whole picture. The widget paints
// every pixel of its rectangle, so its parent is never repainted under it.
//
// Drawing done while SetPaced(true) is in force (a strip chart's newest sample) is put on the
// picture and shown at most as often as the read-outs change (see ReadoutPacer): readings that
// come faster than the meter's display are drawn together. Other drawing is shown at once, and
// takes what waits along.
class PictureBox : public QWidget, public DrawingSurface {
    Q_OBJECT
public:
    explicit PictureBox(QWidget *parent = nullptr);
    ~PictureBox() override;

    Colour BackColor() const { return backColor_; }
    // Sets the background colour; like Cls, it clears the picture to the new colour.
    void SetBackColor(Colour colour);

    // What is drawn so far, in device pixels.
    const QImage &Picture() const;

    QSize sizeHint() const override { return {200, 100}; }

    bool CanScroll() const override { return true; }
    void SetDataLayer(bool on) override { dataLayer_ = on; }
    void ScrollData(double dx) override;

    // Whether the drawing from now on is shown at the read-outs' pace.
    void SetPaced(bool paced) { paced_ = paced; }
    // The shortest time between two shows of paced drawing; 0 shows it at once.
    void SetPaceInterval(qint64 ms) { flushes_.SetInterval(ms); }

signals:
    // A mouse button was released over the box; x and y in user coordinates.
    void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, double x, double y);
    // The left button was pressed and released over the box (after MouseUp).
    void Click();
    // The widget changed size; the picture was kept and extended.
    void Resized();

protected:
    QSizeF DeviceSize() const override;
    void DeviceClear() override;
    void DeviceLines(const std::vector<QPointF> &devicePoints) override;
    void DeviceText(QPointF topLeft, const QString &text) override;
    double DeviceTextWidth(const QString &text) const override;
    double DeviceLineHeight() const override;
    double DeviceAverageCharWidth() const override;

    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    // Everything a font needs, kept per font the surface has used: metrics, measured widths
    // and laid-out texts (the graph's labels repeat from redraw to redraw).
    struct FontData {
        QFont font;
        QFontMetricsF metrics;
        QHash<QString, double> widths;
        QHash<QString, QStaticText> texts;
    };
    // A drawing operation not yet on the picture.
    struct Pending {
        std::vector<QPointF> points; // a polyline, or empty for a text
        QPen pen;
        bool antialias = false;
        QPointF topLeft;
        QString text;
        FontData *font = nullptr;
        bool data = false; // on the data layer
        double shift = 0;  // the data layer's total shift when queued, device pixels
    };

    // Brings the picture to the widget's current size (and pixel ratio), keeping its content.
    // Pixel coordinates (never set with Scale) follow the new size.
    void EnsurePicture();
    void EnsurePicture() const { const_cast<PictureBox *>(this)->EnsurePicture(); }
    // Puts the pending drawing on the layers and asks for the repaint of what it changed.
    void Flush();
    void Flush() const { const_cast<PictureBox *>(this)->Flush(); }
    // Draws one pending operation on its layer; returns the widget rectangle it touched.
    QRect Draw(QPainter &painter, std::unique_ptr<QPainter> &layer, const Pending &op);
    // Moves the data layer to the shift scrolled so far, and the shown pixels with it.
    void ApplyShift();
    // The rows of the data layer, first and last, that hold ink in the columns a shift of step
    // widget pixels moves out; last < first when there is none.
    std::pair<int, int> LeavingInk(qint64 step, qreal ratio) const;
    // Draws the data layer's part for the widget rectangle `rect` at its place (the layer is a
    // ring, see ringOrigin_).
    void DrawData(QPainter &painter, const QRect &rect) const;
    // Copies the device pixels `pixels` of the data layer, in widget columns, to the straight
    // copy, or back into the layer.
    void ExchangeData(const QRect &pixels, bool intoLayer);
    // The data layer moved left by pixels: what it showed and what it shows now are repainted.
    void ScrollShown(int pixels);
    // Fills the drawn parts of the picture with the background, leaving out what child picture
    // boxes cover.
    void FillBackground(QPainter &painter);
    FontData &CurrentFont() const;
    void Queue(Pending &&op);
    // Flushes once the program is back in the event loop, while the widget is shown (paced
    // drawing: when its time has come).
    void ScheduleFlush();
    void QueueFlush();
    // Asks for the repaint of changed_.
    void ShowChanged();

    Colour backColor_ = 0xFFFFFF;
    QImage base_; // background and everything drawn outside the data layer
    QImage data_; // the data layer (null until used), premultiplied alpha
    // The data layer scrolls without moving its pixels: the widget's device column x is the
    // layer's column (x + ringOrigin_) modulo its width.
    int ringOrigin_ = 0;
    QImage straight_; // the pixels being drawn on while the ring has turned, in widget columns
    mutable QImage picture_; // both together, made when handed out
    mutable bool composed_ = false;
    bool dataLayer_ = false;
    double shiftTotal_ = 0;   // device pixels the data layer was scrolled since the last clear
    qint64 shiftApplied_ = 0; // whole pixels of it already moved on data_
    QSize pictureSize_;       // logical size the picture was made for
    std::vector<Pending> pending_;
    bool pendingClear_ = false;
    // Nothing was drawn since the last clear, so another clear changes nothing.
    bool blank_ = false;
    // Where the data layer has drawing, per pixel column of the widget: its top and bottom row
    // (none while top > bottom).
    struct Ink {
        int top = std::numeric_limits<int>::max();
        int bottom = std::numeric_limits<int>::min();
    };
    // The widget rectangles the data layer's drawing covers now and, once it is moved left by
    // shift pixels, then: blocks of columns, each as tall as the drawing in it.
    QRegion DataInk(int shift) const;
    void NoteDataInk(const QRect &rect);

    // Widget rectangles drawn on since the last clear on the background layer; the data layer's
    // drawing by column; what must be repainted and has not been asked for yet.
    QRegion baseInked_;
    std::vector<Ink> dataInk_;
    QRegion changed_;
    bool flushScheduled_ = false;
    bool paced_ = false;
    ReadoutPacer flushes_;

    mutable std::map<std::tuple<QString, double, bool>, std::unique_ptr<FontData>> fonts_;
    mutable FontData *font_ = nullptr;
    mutable std::tuple<QString, double, bool> fontKey_;
    bool leftPressed_ = false;
};

} // namespace kst
