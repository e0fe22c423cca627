#include "graph/ui/GraphScrollBar.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>
#include <algorithm>
#include <cmath>

namespace kst {

GraphScrollBar::GraphScrollBar(QWidget *parent) : QScrollBar(Qt::Horizontal, parent) {}

bool GraphScrollBar::event(QEvent *event)
{
    const bool handled = QScrollBar::event(event);
    // The style's polish clears the attribute that scroll bars in general need off.
    if (event->type() == QEvent::Polish || event->type() == QEvent::StyleChange)
        setAttribute(Qt::WA_OpaquePaintEvent);
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
    const Key key{size(), ratio, int(option.state), qint64(palette().cacheKey()), style(), shown_};
    auto found = std::find_if(pictures_.begin(), pictures_.end(),
                              [&key](const auto &kept) { return kept.first == key; });
    if (found == pictures_.end()) {
        if (pictures_.size() == Kept)
            pictures_.erase(pictures_.begin());
        pictures_.emplace_back(key, Render(option));
        found = pictures_.end() - 1;
    } else {
        std::rotate(found, found + 1, pictures_.end()); // the newest last
        found = pictures_.end() - 1;
    }
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), found->second);
}

QImage GraphScrollBar::Render(const QStyleOptionSlider &option) const
{
    const int ratio = int(devicePixelRatioF());
    QImage image(size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    style()->drawComplexControl(QStyle::CC_ScrollBar, &option, &painter, this);
    return image;
}

} // namespace kst
