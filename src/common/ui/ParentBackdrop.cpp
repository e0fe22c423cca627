#include "common/ui/ParentBackdrop.h"

#include <QEvent>
#include <QPainter>
#include <QWidget>

namespace kst {

ParentBackdrop::ParentBackdrop(QWidget *widget) : QObject(widget) {}

void ParentBackdrop::Install(QWidget *widget)
{
    widget->installEventFilter(new ParentBackdrop(widget));
    widget->setAttribute(Qt::WA_OpaquePaintEvent);
}

const QImage &ParentBackdrop::Picture(QWidget *parent)
{
    const Look look{
        parent->size(),  parent->devicePixelRatioF(), qint64(parent->palette().cacheKey()),
        parent->style(), parent->isEnabled(),         parent->isActiveWindow()};
    if (look == look_ && !picture_.isNull())
        return picture_;
    look_ = look;
    picture_ = QImage(parent->size() * look.ratio, QImage::Format_ARGB32_Premultiplied);
    picture_.setDevicePixelRatio(look.ratio);
    picture_.fill(Qt::transparent);
    parent->render(&picture_, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    return picture_;
}

bool ParentBackdrop::eventFilter(QObject *watched, QEvent *event)
{
    auto *widget = static_cast<QWidget *>(watched);
    if (event->type() != QEvent::Paint || !widget->parentWidget())
        return false;
    // Painted before the widget's own painting, which the event goes on to.
    const QImage &picture = Picture(widget->parentWidget());
    const QPoint at = widget->mapTo(widget->parentWidget(), QPoint(0, 0));
    const qreal ratio = picture.devicePixelRatio();
    QPainter painter(widget);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QRectF(QPointF(0, 0), QSizeF(widget->size())), picture,
                      QRectF(QPointF(at) * ratio, QSizeF(widget->size()) * ratio));
    return false;
}

} // namespace kst
