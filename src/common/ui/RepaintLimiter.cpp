#include "common/ui/RepaintLimiter.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

namespace kst {

RepaintLimiter::RepaintLimiter(QWidget *window) : QObject(window), window_(window)
{
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] { Release(); });
    window->installEventFilter(this);
}

bool RepaintLimiter::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != window_ || event->type() != QEvent::UpdateRequest || releasing_)
        return false;
    if (clock_.isValid() && clock_.elapsed() < IntervalMs) {
        if (!timer_.isActive())
            timer_.start(int(IntervalMs - clock_.elapsed()));
        return true;
    }
    clock_.start();
    return false;
}

void RepaintLimiter::Release()
{
    releasing_ = true;
    clock_.start();
    QEvent request(QEvent::UpdateRequest);
    QCoreApplication::sendEvent(window_, &request);
    releasing_ = false;
}

} // namespace kst
