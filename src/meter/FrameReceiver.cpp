#include "meter/FrameReceiver.h"

#include "meter/FrameDecoder.h"

#include <algorithm>

namespace kst {

void FrameReceiver::Receive(const QByteArray &bytes)
{
    buffer_.append(bytes);
    while (buffer_.size() >= 2 * FrameLength && !reading_) {
        const qsizetype before = buffer_.size();
        RunReader();
        if (buffer_.size() >= before)
            break; // a reader that takes nothing would spin
    }
}

void FrameReceiver::LineQuiet()
{
    if (buffer_.size() < FrameLength) {
        buffer_.clear();
        return;
    }
    buffer_ = buffer_.right(FrameLength);
    if (!reading_)
        RunReader();
}

QByteArray FrameReceiver::Take(qsizetype length)
{
    const qsizetype n = length <= 0 ? buffer_.size() : std::min(length, buffer_.size());
    QByteArray chunk = buffer_.left(n);
    buffer_.remove(0, n);
    return chunk;
}

std::optional<QByteArray> FrameReceiver::TakeFrame()
{
    const QByteArray chunkA = Take(FrameLength);
    const QByteArray chunkB = Take(FrameLength);
    std::optional<QByteArray> frame = SelectFrame(chunkA, chunkB);
    if (!frame)
        Discard();
    return frame;
}

void FrameReceiver::RunReader()
{
    reading_ = true;
    if (reader_)
        reader_();
    reading_ = false;
}

} // namespace kst
