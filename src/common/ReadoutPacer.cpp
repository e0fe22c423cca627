#include "common/ReadoutPacer.h"

#include <memory>

namespace kst {

ReadoutPacer::ReadoutPacer(std::function<void()> show, QObject *parent)
    : QObject(parent), show_(std::move(show))
{
    auto steady = std::make_shared<QElapsedTimer>();
    steady->start();
    clock_ = [steady] { return steady->elapsed(); };
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &ReadoutPacer::Show);
}

void ReadoutPacer::Changed()
{
    if (timer_.isActive())
        return; // shown with what is current when the time is up
    const qint64 since = clock_() - lastShown_;
    if (!shown_ || since >= intervalMs_) {
        Show();
        return;
    }
    timer_.start(int(intervalMs_ - since));
}

void ReadoutPacer::Show()
{
    timer_.stop();
    shown_ = true;
    lastShown_ = clock_();
    show_();
}

} // namespace kst
