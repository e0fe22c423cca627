#include "VirtualMeter.h"

#include <cerrno>
#include <cmath>
#include <numbers>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace kst {

namespace {
// More than this waiting on the slave side means nobody is reading.
constexpr int StaleQueueBytes = 512;
} // namespace

VirtualMeter::VirtualMeter(const VirtualMeterOptions &options, int fd, int queueFd, QObject *parent)
    : QObject(parent), options_(options), fd_(fd), queueFd_(queueFd), random_(20240611)
{
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(int(std::lround(1000.0 / std::max(0.1, options_.Rate))));
    connect(&timer_, &QTimer::timeout, this, &VirtualMeter::Tick);
}

void VirtualMeter::Start()
{
    Tick();
    if (sent_ < options_.Count || options_.Count <= 0)
        timer_.start();
}

QByteArray VirtualMeter::FrameFor(qint64 index) const
{
    const double t = double(index) / std::max(0.1, options_.Rate);
    const double period = std::max(0.001, options_.PeriodSeconds);
    double value = options_.Value;
    switch (options_.Shape) {
    case VirtualMeterOptions::Wave::Const:
        break;
    case VirtualMeterOptions::Wave::Sine:
        value += options_.Amplitude * std::sin(2 * std::numbers::pi * t / period);
        break;
    case VirtualMeterOptions::Wave::Ramp: {
        // Sawtooth from centre - amplitude up to centre + amplitude.
        const double phase = t / period - std::floor(t / period);
        value += options_.Amplitude * (2 * phase - 1);
        break;
    }
    case VirtualMeterOptions::Wave::Random:
        // A fixed sequence per frame number, so runs repeat.
        value += options_.Amplitude *
                 (2 * QRandomGenerator(quint32(index * 2654435761u + 1)).generateDouble() - 1);
        break;
    }

    MeterFrameEncoder frame;
    const long counts = std::lround(value);
    frame.Negative = counts < 0;
    frame.Counts = int(std::min(9999L, std::labs(counts)));
    frame.OverRangeCount = options_.OverRange ? 1 : 0;
    frame.BatteryLow = options_.BatteryLow;
    frame.Function = options_.Function;
    frame.Range = options_.Range;
    frame.Hold = options_.Hold;
    frame.Rel = options_.Rel;
    frame.Auto = options_.Auto;
    frame.Man = !options_.Auto;
    return frame.Encode();
}

void VirtualMeter::Tick()
{
    if (silenced_)
        return;
    QByteArray bytes;
    const int burst = std::max(1, options_.Burst);
    for (int i = 0; i < burst; ++i) {
        if (options_.Count > 0 && sent_ >= options_.Count)
            break;
        const qint64 number = sent_ + 1; // 1-based for the "every N" faults
        QByteArray frame = FrameFor(sent_);
        if (options_.GarbageEvery > 0 && number % options_.GarbageEvery == 0) {
            QByteArray garbage(1 + random_.bounded(15), '\0');
            for (char &c : garbage)
                c = char(random_.bounded(256));
            bytes += garbage;
        }
        if (options_.CutEvery > 0 && number % options_.CutEvery == 0)
            frame.truncate(1 + random_.bounded(9));
        bytes += frame;
        ++sent_;
        if (options_.SilenceAfter > 0 && sent_ == options_.SilenceAfter) {
            silenced_ = true;
            QTimer::singleShot(int(options_.SilenceSeconds * 1000), this,
                               [this] { silenced_ = false; });
            break;
        }
    }
    Send(bytes);
    if (options_.Count > 0 && sent_ >= options_.Count) {
        timer_.stop();
        WaitForDrain();
    }
}

void VirtualMeter::Send(const QByteArray &bytes)
{
    if (queueFd_ >= 0) {
        int queued = 0;
        if (::ioctl(queueFd_, FIONREAD, &queued) == 0 && queued > StaleQueueBytes)
            ::tcflush(queueFd_, TCIFLUSH);
    }
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return; // line full or gone: the rest is lost, as on a wire
        }
        done += n;
    }
}

// Lets a reader take the last frames before the line goes away (at most 3 s).
void VirtualMeter::WaitForDrain()
{
    int queued = 0;
    if (queueFd_ >= 0 && ++drainPolls_ < 150 && ::ioctl(queueFd_, FIONREAD, &queued) == 0 &&
        queued > 0) {
        QTimer::singleShot(20, this, &VirtualMeter::WaitForDrain);
        return;
    }
    if (queueFd_ < 0)
        ::tcdrain(fd_);
    // A short grace period so a reader sees the last bytes before the hang-up.
    QTimer::singleShot(100, this, &VirtualMeter::Finished);
}

} // namespace kst
