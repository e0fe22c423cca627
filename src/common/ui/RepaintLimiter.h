#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QWidget;

namespace kst {

// The screen shows a window at most about 60 times a second, however fast frames come: the
// window's update requests that come sooner are held back, and everything marked for update in
// the meantime is painted together when the interval is over.
class RepaintLimiter : public QObject {
public:
    explicit RepaintLimiter(QWidget *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static constexpr qint64 IntervalMs = 16;

    void Release();

    QWidget *window_;
    QTimer timer_;
    QElapsedTimer clock_;
    bool releasing_ = false;
};

} // namespace kst
