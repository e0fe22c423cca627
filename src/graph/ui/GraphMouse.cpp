#include "graph/ui/GraphMouse.h"

#include "graph/ui/PictureBox.h"
#include "graph/ui/TrendGraphView.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWheelEvent>
#include <cmath>

namespace kst {

namespace {

// A notch of the wheel zooms in to 4/5 of the span, or out by 5/4.
constexpr double NotchFactor = 0.8;

} // namespace

GraphMouse::GraphMouse(TrendGraphView &view, PictureBox &box)
    : QObject(&view), view_(view), box_(box)
{
    box.installEventFilter(this);
}

QPointF GraphMouse::Fraction(QPointF position) const
{
    return {position.x() / std::max(1, box_.width()), position.y() / std::max(1, box_.height())};
}

bool GraphMouse::eventFilter(QObject *, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Wheel:
        return Wheel(event);
    case QEvent::MouseButtonPress: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton) {
            pressed_ = true;
            dragging_ = false;
            boxing_ = mouse->modifiers() & Qt::ShiftModifier;
            pressedAt_ = mouse->position();
            pressView_ = view_.View();
        }
        return false; // the plot sees the press: a click is a press and a release there
    }
    case QEvent::MouseMove:
        return Move(event);
    case QEvent::MouseButtonRelease:
        return Release(event);
    case QEvent::MouseButtonDblClick:
        if (static_cast<QMouseEvent *>(event)->button() != Qt::LeftButton)
            return false;
        view_.FollowNewest();
        return true;
    case QEvent::Leave:
        view_.CursorAt(std::nullopt);
        return false;
    default:
        return false;
    }
}

bool GraphMouse::Wheel(QEvent *event)
{
    const auto *wheel = static_cast<QWheelEvent *>(event);
    const double notches = wheel->angleDelta().y() / 120.0;
    if (notches == 0)
        return false;
    const double factor = std::pow(NotchFactor, notches);
    const QPointF at = Fraction(wheel->position());
    if (wheel->modifiers() & Qt::ControlModifier)
        view_.ZoomValuesAt(factor, at.y());
    else
        view_.ZoomTimeAt(factor, at.x());
    return true;
}

bool GraphMouse::Move(QEvent *event)
{
    const auto *mouse = static_cast<QMouseEvent *>(event);
    if (!pressed_ || !(mouse->buttons() & Qt::LeftButton)) {
        view_.CursorAt(box_.ScaleLeft() + box_.DeviceToUserX(mouse->position().x()));
        return false;
    }
    const QPointF moved = mouse->position() - pressedAt_;
    if (!dragging_ && moved.manhattanLength() < QApplication::startDragDistance())
        return true;
    dragging_ = true;
    const QPointF from = Fraction(pressedAt_), to = Fraction(mouse->position());
    if (boxing_)
        view_.ShowZoomBox(QRectF(from, to));
    else
        view_.PanFrom(pressView_, to.x() - from.x(), to.y() - from.y());
    return true;
}

bool GraphMouse::Release(QEvent *event)
{
    const auto *mouse = static_cast<QMouseEvent *>(event);
    const double x = box_.ScaleLeft() + box_.DeviceToUserX(mouse->position().x());
    if (mouse->button() == Qt::RightButton && view_.CursorReadout()) {
        view_.ClearCursors();
        return true;
    }
    if (mouse->button() != Qt::LeftButton || !pressed_)
        return false;
    pressed_ = false;
    if (dragging_) {
        dragging_ = false;
        if (boxing_) {
            const QRectF box(Fraction(pressedAt_), Fraction(mouse->position()));
            view_.ShowZoomBox(std::nullopt);
            if (std::abs(box.width()) * box_.width() >= 4 &&
                std::abs(box.height()) * box_.height() >= 4)
                view_.ZoomToBox(box);
        }
        return true; // a drag is no click
    }
    if (view_.CursorReadout()) {
        view_.PinCursor(x);
        return true;
    }
    return false;
}

} // namespace kst
