#pragma once

#include "meter/FrameDecoder.h"

#include <QByteArray>
#include <functional>

namespace kst {

// The frame assembler: the one path from the serial line's bytes to decoded readings.
//
// The meter sends its display as 11-byte frames ending in CR LF, pausing after each one. While
// the assembler is in step with the frames, every 11 bytes that end in CR LF are a frame and are
// decoded at once, however many wait: frames sent back to back (the program was busy, or the
// meter sent a burst) are all read. Bytes that do not end in CR LF where a frame should end
// (garbage on the line, a frame cut short, the port opened in the middle of one) and a frame that
// does not decode (a digit that is not a digit) put it out of step: everything waiting is
// dropped, and until the line goes quiet only the last 11 bytes are kept, since a frame ends at
// the pause. At the pause those bytes are decoded if they are a frame, and the assembler is in
// step again. So it locks onto frames from any starting byte, and after garbage or a cut frame
// reads again from the frame that ends at the next pause.
//
// Readings go to the handler in the order their frames arrived. The handler may call Discard()
// (a reading the program could not use): the rest of what waits is then dropped the same way.
class FrameReceiver {
public:
    static constexpr int FrameLength = 11;
    using ReadingHandler = std::function<void(const MeterReading &reading)>;

    explicit FrameReceiver(ReadingHandler handler) : handler_(std::move(handler)) {}

    // Bytes as the line delivered them, in pieces of any size.
    void Receive(const char *bytes, qsizetype size);
    void Receive(const QByteArray &bytes) { Receive(bytes.constData(), bytes.size()); }
    // The line has gone quiet.
    void LineQuiet();
    // The recovery step: what waits is dropped and the frame that ends at the next pause is read
    // afresh. Also when the port closes or opens.
    void Discard();
    // Back in step with a frame starting at the next byte (a port just opened).
    void Restart();

    // Bytes kept for a frame still arriving or for the pause.
    qsizetype Waiting() const { return buffer_.size() - start_; }
    // Out of step: nothing decodes until the line goes quiet.
    bool WaitingForPause() const { return !inStep_; }

private:
    void Deliver(const char *frame);
    void KeepLastFrame();

    ReadingHandler handler_;
    QByteArray buffer_;
    qsizetype start_ = 0; // bytes before it are taken
    bool inStep_ = true;
};

} // namespace kst
