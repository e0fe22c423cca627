#include "graph/ui/GraphScrollBar.h"

#include <QEvent>
#include <QStyle>
#include <QStyleOptionSlider>

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
    QScrollBar::paintEvent(event);
}

} // namespace kst
