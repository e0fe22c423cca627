#pragma once

#include <QByteArray>
#include <functional>
#include <optional>

namespace kst {

// The receive buffer between the serial line and the frame reader, and the rules that decide
// when the reader runs:
//   - two frames' worth waiting: the reader runs at once, as often as that holds and each run
//     shrinks the buffer (the program fell behind, or the meter sent a burst);
//   - the line goes quiet (the meter pauses after every frame): only the last FrameLength bytes
//     are kept, since a frame ends at the pause, and the reader runs on them; less than a frame
//     is dropped. Whatever came before (garbage, a cut frame, older frames) goes, so the reader
//     locks onto frames from any starting byte.
// The reader takes bytes with Take() or TakeFrame(); after a bad frame it calls Discard().
class FrameReceiver {
public:
    static constexpr int FrameLength = 11;

    explicit FrameReceiver(std::function<void()> reader) : reader_(std::move(reader)) {}

    // Bytes as the line delivered them, in pieces of any size.
    void Receive(const QByteArray &bytes);
    // The line has gone quiet.
    void LineQuiet();

    qsizetype Waiting() const { return buffer_.size(); }
    // Up to `length` bytes from the front (all when length <= 0).
    QByteArray Take(qsizetype length);
    // The recovery step: everything waiting is dropped; the meter repeats its display, so the
    // next frame after a pause is read afresh.
    void Discard() { buffer_.clear(); }

    // One read of the reader: chunks A and B of FrameLength bytes are both taken, and the first
    // that is a whole frame ending in CR LF is returned (a short chunk A ends the search). With
    // none, everything waiting is discarded.
    std::optional<QByteArray> TakeFrame();

private:
    void RunReader();

    std::function<void()> reader_;
    QByteArray buffer_;
    bool reading_ = false;
};

} // namespace kst
