#pragma once

#include "common/ReadoutPacer.h"

#include <QImage>
#include <QRect>
#include <QScrollBar>
#include <QStyle>
#include <vector>

class QStyleOptionSlider;

namespace kst {

// The graph's scroll bar. While recording, its value and range move on with every sample, which
// mostly moves the slider by less than a pixel: it is repainted only when what it shows changes
// (the slider's place, the ends reached, the enabled look), and, for the moves the recording
// makes, at most as often as the read-outs change (see ReadoutPacer), with the slider where it
// is then. It paints every pixel of its rectangle, so its parent is never repainted under it.
//
// The bar is painted from two pictures the style made: the bar without its slider, and the
// slider with the groove under it, kept by its length (the groove is the same all along between
// the buttons, so a slider of the same length is the same picture at another place). While
// recording, the slider moves and shrinks a pixel now and then, and only a new length is asked
// of the style. While the mouse is over the bar or a button is held (the style shows where the
// mouse is) and for a style whose scroll bars change by themselves (fading ones), the style
// paints.
class GraphScrollBar : public QScrollBar {
public:
    explicit GraphScrollBar(QWidget *parent = nullptr);

    // Moves of the slider made while this is set are the recording's (paced); others, the
    // user's, are shown at once.
    void SetPaced(bool paced) { paced_ = paced; }
    // The shortest time between two repaints of paced moves (see ReadoutPacer).
    void SetPaceInterval(qint64 ms) { repaints_.SetInterval(ms); }

protected:
    bool event(QEvent *event) override;
    void sliderChange(SliderChange change) override;
    void paintEvent(QPaintEvent *event) override;

private:
    // What a paint shows of the value and range.
    struct Look {
        QRect slider;
        bool atMinimum = false;
        bool atMaximum = false;
        bool operator==(const Look &) const = default;
    };
    Look Current() const;

    // Everything a picture of the style's depends on.
    struct Key {
        QSize size; // of the bar, or of the slider
        qreal ratio = 1;
        int state = 0;
        qint64 palette = 0;
        const void *style = nullptr;
        bool atMinimum = false;
        bool atMaximum = false;
        int fromStart = 0; // a slider's distance from the groove's ends, up to SliderMargin + 1
        int fromEnd = 0;
        bool operator==(const Key &) const = default;
    };
    // The style paints a slider this many pixels past each end of its rectangle.
    static constexpr int SliderMargin = 2;
    struct Kept {
        Key key;
        QImage picture; // in device pixels
    };
    // The picture for key from pictures, made by `make` when it is not there; the newest last.
    template <class Make>
    static const QImage &Find(std::vector<Kept> &pictures, const Key &key, Make make);
    // The parts `parts` of the bar as the style paints them, in device pixels.
    QImage Render(const QStyleOptionSlider &option, QStyle::SubControls parts) const;

    Look shown_;
    bool painted_ = false;
    bool paced_ = false;
    bool transient_ = false; // the style's scroll bars fade in and out
    ReadoutPacer repaints_;
    // The last few pictures of each kind.
    static constexpr size_t KeptPictures = 8;
    std::vector<Kept> bars_, sliders_;
};

} // namespace kst
