#include "graph/ui/GraphScrollBar.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>
#include <algorithm>
#include <cmath>

namespace kst {

GraphScrollBar::GraphScrollBar(QWidget *parent)
    : QScrollBar(Qt::Horizontal, parent), repaints_([this] {
          if (Current() != shown_)
              update();
      })
{
}

bool GraphScrollBar::event(QEvent *event)
{
    const bool handled = QScrollBar::event(event);
    // The style's polish clears the attribute that scroll bars in general need off.
    if (event->type() == QEvent::Polish || event->type() == QEvent::StyleChange) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        QStyleOptionSlider option;
        initStyleOption(&option);
        transient_ = style()->styleHint(QStyle::SH_ScrollBar_Transient, &option, this);
    }
    return handled;
}

GraphScrollBar::Look GraphScrollBar::Current() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    return {
        style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this),
        value() == minimum(), value() == maximum()};
}

void GraphScrollBar::sliderChange(SliderChange change)
{
    const bool moved = change == SliderValueChange || change == SliderRangeChange;
    if (moved && painted_ && paced_ && !transient_) {
        repaints_.Changed(); // the look is compared when its time comes
        return;
    }
    if (moved && painted_ && Current() == shown_)
        return; // the same picture: no repaint
    QScrollBar::sliderChange(change);
}

void GraphScrollBar::paintEvent(QPaintEvent *event)
{
    shown_ = Current();
    painted_ = true;
    QStyleOptionSlider option;
    initStyleOption(&option);
    option.subControls = QStyle::SC_All;
    const qreal ratio = devicePixelRatioF();
    if (underMouse() || isSliderDown() || QGuiApplication::mouseButtons() != Qt::NoButton ||
        ratio != std::floor(ratio) ||
        style()->styleHint(QStyle::SH_ScrollBar_Transient, &option, this)) {
        QScrollBar::paintEvent(event);
        return;
    }
    // The slider's place and size in device pixels, with the pixels beside it that the style
    // also paints.
    const int scale = int(ratio);
    const QRect around = shown_.slider.adjusted(-SliderMargin, 0, SliderMargin, 0);
    const QRect slider(around.topLeft() * scale, around.size() * scale);
    const Key base{
        size(),           ratio,           int(option.state), qint64(palette().cacheKey()), style(),
        shown_.atMinimum, shown_.atMaximum};
    const QImage &bar = Find(bars_, base, [&] {
        return Render(option, QStyle::SubControls(QStyle::SC_All) & ~QStyle::SC_ScrollBarSlider);
    });
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), bar);
    if (slider.isEmpty())
        return;
    // Near an end of the groove the picture also holds what is there.
    const QRect groove =
        style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarGroove, this);
    Key sliderKey = base;
    sliderKey.size = slider.size();
    sliderKey.fromStart = std::min(around.left() - groove.left(), SliderMargin + 1);
    sliderKey.fromEnd = std::min(groove.right() - around.right(), SliderMargin + 1);
    const QImage &piece = Find(sliders_, sliderKey, [&] {
        QImage picture = Render(option, QStyle::SC_All).copy(slider);
        picture.setDevicePixelRatio(ratio);
        return picture;
    });
    painter.setCompositionMode(QPainter::CompositionMode_Source); // the pixels as they were
    painter.drawImage(QPointF(around.topLeft()), piece);
}

template <class Make>
const QImage &GraphScrollBar::Find(std::vector<Kept> &pictures, const Key &key, Make make)
{
    auto found = std::find_if(pictures.begin(), pictures.end(),
                              [&key](const Kept &kept) { return kept.key == key; });
    if (found == pictures.end()) {
        if (pictures.size() == KeptPictures)
            pictures.erase(pictures.begin());
        pictures.push_back({key, make()});
    } else {
        std::rotate(found, found + 1, pictures.end()); // the newest last
    }
    return pictures.back().picture;
}

QImage GraphScrollBar::Render(const QStyleOptionSlider &option, QStyle::SubControls parts) const
{
    QStyleOptionSlider only = option;
    only.subControls = parts;
    const int ratio = int(devicePixelRatioF());
    QImage image(size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    style()->drawComplexControl(QStyle::CC_ScrollBar, &only, &painter, this);
    return image;
}

} // namespace kst
