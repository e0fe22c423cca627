#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>

namespace kst {

// Read-outs (the reading on the panel, the sample count, the statistics, the graph while it
// records) change at most as often as the meter's own display, every 250 ms, however fast
// readings come: nobody reads digits that change faster, and painting them is most of what a
// shown window costs. A change that comes later than that after the last one shown is shown at
// once, so at a meter's pace every reading is; a change sooner than that is shown when the time
// is up, with what is current then. Only what the read-outs are given waits: whatever the
// window system asks to paint is painted with what they hold.
class ReadoutPacer : public QObject {
public:
    // show: puts the current values on the read-outs.
    explicit ReadoutPacer(std::function<void()> show, QObject *parent = nullptr);

    // The shortest time between two shows; 0 shows every change at once.
    void SetInterval(qint64 ms) { intervalMs_ = ms; }
    // Milliseconds from a steady clock; tests replace it.
    void SetClock(std::function<qint64()> clock) { clock_ = std::move(clock); }

    // What the read-outs show has changed.
    void Changed();
    // A change waits for its time.
    bool Waiting() const { return timer_.isActive(); }

private:
    void Show();

    std::function<void()> show_;
    std::function<qint64()> clock_;
    qint64 intervalMs_ = 250;
    qint64 lastShown_ = 0;
    bool shown_ = false; // nothing was shown yet
    QTimer timer_;
};

} // namespace kst
