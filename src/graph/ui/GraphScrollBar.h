#pragma once

#include <QImage>
#include <QRect>
#include <QScrollBar>
#include <utility>
#include <vector>

class QStyleOptionSlider;

namespace kst {

// The graph's scroll bar. While recording, its value and range move on with every sample, which
// mostly moves the slider by less than a pixel: it is repainted only when what it shows changes
// (the slider's place, the ends reached, the enabled look). It paints every pixel of its
// rectangle, so its parent is never repainted under it.
//
// The pictures the style made are kept for the last few looks: while recording, the slider
// steps between a few places near the bar's end (the range grows in steps of five samples) and
// each is painted from its picture. While the mouse is over the bar or a button is held (the
// style shows where the mouse is) and for a style whose scroll bars change by themselves (fading
// ones), the style paints.
class GraphScrollBar : public QScrollBar {
public:
    explicit GraphScrollBar(QWidget *parent = nullptr);

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

    // Everything the style's picture depends on.
    struct Key {
        QSize size;
        qreal ratio = 1;
        int state = 0;
        qint64 palette = 0;
        const void *style = nullptr;
        Look look;
        bool operator==(const Key &) const = default;
    };
    // The bar as the style paints it, in device pixels.
    QImage Render(const QStyleOptionSlider &option) const;

    Look shown_;
    bool painted_ = false;
    // The last few pictures, the newest last.
    static constexpr size_t Kept = 8;
    std::vector<std::pair<Key, QImage>> pictures_;
};

} // namespace kst
