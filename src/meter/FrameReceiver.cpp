#include "meter/FrameReceiver.h"

namespace kst {

namespace {

bool EndsFrame(const char *frame)
{
    return frame[FrameReceiver::FrameLength - 2] == '\r' &&
           frame[FrameReceiver::FrameLength - 1] == '\n';
}

} // namespace

void FrameReceiver::Receive(const char *bytes, qsizetype size)
{
    buffer_.append(bytes, size);
    while (inStep_ && Waiting() >= FrameLength) {
        const char *frame = buffer_.constData() + start_;
        if (!EndsFrame(frame)) {
            Discard(); // what waits stays only as the candidate for the frame before the pause
            return;
        }
        start_ += FrameLength;
        Deliver(frame); // the handler may put the assembler out of step
    }
    if (!inStep_) {
        KeepLastFrame();
    } else if (start_ == buffer_.size()) {
        buffer_.resize(0); // keeps its capacity (clear() would not): no allocation per frame
        start_ = 0;
    } else if (start_ > 0) {
        buffer_.remove(0, start_);
        start_ = 0;
    }
}

void FrameReceiver::LineQuiet()
{
    // In step, what waits is a frame cut short by the pause; out of step, the frame that ended
    // at the pause, if the last bytes are one.
    const bool frame =
        !inStep_ && Waiting() == FrameLength && EndsFrame(buffer_.constData() + start_);
    const QByteArray last = frame ? buffer_.mid(start_) : QByteArray();
    Restart();
    if (frame)
        Deliver(last.constData());
}

void FrameReceiver::Discard()
{
    inStep_ = false;
    KeepLastFrame();
}

void FrameReceiver::Restart()
{
    buffer_.clear();
    start_ = 0;
    inStep_ = true;
}

void FrameReceiver::Deliver(const char *frame)
{
    const std::optional<MeterReading> reading =
        DecodeMeterFrame(QByteArray::fromRawData(frame, FrameLength));
    if (!reading) {
        Discard();
        return;
    }
    if (handler_)
        handler_(*reading);
}

void FrameReceiver::KeepLastFrame()
{
    if (buffer_.size() - start_ > FrameLength)
        start_ = buffer_.size() - FrameLength;
    if (start_ > 0) {
        buffer_.remove(0, start_);
        start_ = 0;
    }
}

} // namespace kst
