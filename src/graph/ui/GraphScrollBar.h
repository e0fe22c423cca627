#pragma once

#include <QRect>
#include <QScrollBar>

namespace kst {

// The graph's scroll bar. While recording, its value and range move on with every sample, which
// mostly moves the slider by less than a pixel: it is repainted only when what it shows changes
// (the slider's place, the ends reached, the enabled look). It paints every pixel of its
// rectangle, so its parent is never repainted under it.
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

    Look shown_;
    bool painted_ = false;
};

} // namespace kst
