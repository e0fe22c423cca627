#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <vector>

class QWidget;

namespace kst {

// Read-outs that change with every reading but that nobody reads twenty times a second (the
// sample count, the statistics, the graph's scroll bar while it follows the recording): while
// changes come faster than one per interval, they are repainted once per interval, with what they
// hold then. Their texts and values are always current; only the repaint waits. At the pace of a
// meter (a reading every 250 ms or slower), and whenever the window system asks for a paint
// (shown, uncovered, resized), they are painted at once.
class RepaintPacer : public QObject {
public:
    explicit RepaintPacer(QObject *parent = nullptr);

    static constexpr qint64 IntervalMs = 250;

    void Add(QWidget *widget);
    // A change of the read-outs is about to be made.
    void Hold();

private:
    // Shows what the read-outs hold and lets their changes through until the next Hold.
    void Release();

    struct Held {
        QPointer<QWidget> widget;
        QString look; // what it showed when it was held
    };
    std::vector<Held> widgets_;
    QTimer timer_;
    QElapsedTimer clock_; // since the last release
    bool held_ = false;
};

} // namespace kst
