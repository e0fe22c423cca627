// A long meter stream with line noise, cut frames and corrupted frames mixed in, fed through a
// model of the serial control's receive buffer and the receive handler's two-chunk read.
//
// The receive buffer as the serial control keeps it:
//   - bytes are appended as the port delivers them, in pieces of any size;
//   - with two frames' worth (22 bytes) waiting, the handler runs at once, as often as that
//     holds and the handler shrinks the buffer;
//   - when the line goes quiet (the meter pauses after each frame) only the last 11 bytes are
//     kept and the handler runs on them; fewer than 11 are dropped.
// The handler reads chunk A and chunk B (11 bytes each, both always taken), picks the frame with
// SelectFrame and decodes it; a failure discards everything waiting.
//
// What must hold, whatever the noise:
//   - nothing decodes that the meter did not send as a whole well-formed frame, and each sent
//     frame decodes at most once, in order, to exactly the display it carried;
//   - a frame right after a pause is decoded when the line goes quiet right after it or when a
//     frame's worth or more follows it before the next pause (it is then chunk A);
//   - a frame ending a burst of fewer than 22 bytes is decoded (at the pause it is the last 11).
// A frame followed by a few noise bytes before the pause is lost: the bytes that end at the
// pause are the noise. That is the price of locking on at pauses and is counted, not failed.
//
// The noise never holds CR followed by LF: the program has no checksum, so 11 bytes of noise
// ending in CR LF with four digit bytes in place would be a frame as far as any reader can tell.
// Corrupted frames (a digit byte out of range) do end in CR LF and must be rejected.
#include "meter/FrameDecoder.h"
#include "meter/MeterFrameEncoder.h"

#include <QRandomGenerator>
#include <QTest>

using namespace kst;

namespace {

constexpr int FrameLength = 11;

struct Decoded {
    QByteArray frame;
    MeterReading reading;
};

// The serial control's receive buffer and the handler's read, without a port.
class ReceiveModel {
public:
    void Arrive(const QByteArray &bytes)
    {
        buffer_.append(bytes);
        while (buffer_.size() >= 2 * FrameLength) {
            const qsizetype before = buffer_.size();
            Handle();
            if (buffer_.size() >= before)
                break;
        }
    }

    void Pause()
    {
        if (buffer_.size() < FrameLength) {
            buffer_.clear();
            return;
        }
        buffer_ = buffer_.right(FrameLength);
        Handle();
    }

    qsizetype Waiting() const { return buffer_.size(); }
    const std::vector<Decoded> &Frames() const { return decoded_; }

private:
    QByteArray Take()
    {
        QByteArray chunk = buffer_.left(FrameLength);
        buffer_.remove(0, chunk.size());
        return chunk;
    }

    void Handle()
    {
        const QByteArray a = Take();
        const QByteArray b = Take();
        const std::optional<QByteArray> frame = SelectFrame(a, b);
        const std::optional<MeterReading> reading =
            frame ? DecodeMeterFrame(*frame) : std::optional<MeterReading>();
        if (!reading) {
            buffer_.clear(); // the recovery path discards everything waiting
            return;
        }
        decoded_.push_back({*frame, *reading});
    }

    QByteArray buffer_;
    std::vector<Decoded> decoded_;
};

struct SentFrame {
    MeterFrameEncoder display;
    QByteArray bytes;
    bool mustDecode = false;
};

class StreamGenerator {
public:
    explicit StreamGenerator(quint32 seed) : random_(seed) {}

    MeterFrameEncoder RandomDisplay()
    {
        static constexpr int functions[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12};
        MeterFrameEncoder e;
        e.Function = functions[Below(std::size(functions))];
        e.Range = Below(7);
        e.Counts = Below(10000);
        e.Negative = Below(2);
        e.BatteryLow = Below(8) == 0;
        e.OverRangeCount = Below(10) == 0 ? 1 + Below(3) : 0;
        e.Max = Below(2);
        e.Min = Below(2);
        e.Rel = Below(2);
        e.Hold = Below(4) == 0;
        e.Mem = Below(2);
        e.Auto = Below(2);
        e.Man = Below(2);
        e.Apof = Below(2);
        return e;
    }

    // Noise of the given length appended to burst, never making a CR LF pair with what
    // precedes it.
    void AppendNoise(QByteArray &burst, int length)
    {
        for (int i = 0; i < length; ++i) {
            char c = char(Below(256));
            while (c == '\n' && burst.endsWith('\r'))
                c = char(Below(256));
            burst.append(c);
        }
    }

    // A frame the decoder must refuse: a digit byte out of 0..9, CR LF in place.
    QByteArray CorruptedFrame()
    {
        QByteArray frame = RandomDisplay().Encode();
        frame[1 + Below(4)] = char(10 + Below(246));
        return frame;
    }

    int Below(size_t n) { return int(random_.bounded(quint32(n))); }

private:
    QRandomGenerator random_;
};

} // namespace

class TestFaultStream : public QObject {
    Q_OBJECT
private slots:
    void noisyStream_data();
    void noisyStream();
    void cleanStreamDecodesEveryFrame_data();
    void cleanStreamDecodesEveryFrame();
};

void TestFaultStream::noisyStream_data()
{
    QTest::addColumn<quint32>("seed");
    // How the port hands over the bytes of a burst: 0 = all at once, else pieces of 1..n bytes.
    QTest::addColumn<int>("maxPiece");
    QTest::newRow("one byte per read") << 1u << 1;
    QTest::newRow("small pieces") << 2u << 7;
    QTest::newRow("large pieces") << 3u << 40;
    QTest::newRow("whole bursts") << 4u << 0;
}

void TestFaultStream::noisyStream()
{
    QFETCH(quint32, seed);
    QFETCH(int, maxPiece);
    constexpr int FrameCount = 10000;
    StreamGenerator gen(seed);
    ReceiveModel model;
    std::vector<SentFrame> sent;
    int bursts = 0;
    int corrupted = 0;

    const auto deliver = [&](const QByteArray &burst) {
        for (qsizetype at = 0; at < burst.size();) {
            const qsizetype piece = maxPiece == 0 ? burst.size() : 1 + gen.Below(size_t(maxPiece));
            model.Arrive(burst.mid(at, piece));
            at += piece;
        }
        model.Pause();
        ++bursts;
    };

    while (sent.size() < size_t(FrameCount)) {
        // One burst between two pauses of the meter.
        QByteArray burst;
        std::vector<std::pair<size_t, qsizetype>> framesHere; // index in sent, start in burst
        const auto addFrame = [&]() {
            SentFrame frame{gen.RandomDisplay(), {}, false};
            frame.bytes = frame.display.Encode();
            framesHere.emplace_back(sent.size(), burst.size());
            sent.push_back(frame);
            burst.append(frame.bytes);
        };
        const int kind = gen.Below(10);
        switch (kind) {
        case 0: // noise, then a frame
            gen.AppendNoise(burst, 1 + gen.Below(40));
            addFrame();
            break;
        case 1: // a frame, then noise before the pause
            addFrame();
            gen.AppendNoise(burst, 1 + gen.Below(30));
            break;
        case 2: // noise alone
            gen.AppendNoise(burst, 1 + gen.Below(60));
            break;
        case 3: // a frame cut short (the cable moved), then a whole one
            burst.append(gen.RandomDisplay().Encode().left(1 + gen.Below(10)));
            addFrame();
            break;
        case 4: // a corrupted frame, alone or before a good one
            burst.append(gen.CorruptedFrame());
            ++corrupted;
            if (gen.Below(2))
                addFrame();
            break;
        case 5: // several frames without a pause (the program was busy)
            for (int n = 2 + gen.Below(3); n > 0; --n)
                addFrame();
            break;
        default: // the meter's normal rhythm
            addFrame();
            break;
        }
        // Which of this burst's frames the buffer logic guarantees to decode.
        for (const auto &[index, start] : framesHere) {
            SentFrame &frame = sent[index];
            const qsizetype after = burst.size() - start - FrameLength;
            if (start == 0 && (after == 0 || after >= FrameLength))
                frame.mustDecode = true;
            if (after == 0 && burst.size() < 2 * FrameLength)
                frame.mustDecode = true;
        }
        deliver(burst);
    }
    QCOMPARE(model.Waiting(), qsizetype(0));

    // Match every decoded frame to a sent one, in order.
    size_t next = 0;
    std::vector<bool> decoded(sent.size(), false);
    for (const Decoded &d : model.Frames()) {
        while (next < sent.size() && sent[next].bytes != d.frame)
            ++next;
        QVERIFY2(
            next < sent.size(),
            qPrintable("decoded a frame that was not sent in this order: " + d.frame.toHex(' ')));
        const MeterFrameEncoder &e = sent[next].display;
        const MeterReading &r = d.reading;
        const bool nonNegative = r.NonNegative;
        const float counts = float(e.Counts);
        QCOMPARE(r.Counts, e.Negative && !nonNegative && e.Counts != 0 ? -counts : counts);
        QCOMPARE(r.FunctionCode, e.Function);
        QCOMPARE(r.RangeCode, e.Range);
        QCOMPARE(r.OverRange, e.OverRangeCount > 0);
        QCOMPARE(r.BatteryLow, e.BatteryLow);
        QCOMPARE(r.Hold, e.Hold);
        QCOMPARE(r.Max, e.Max);
        QCOMPARE(r.Apof, e.Apof);
        decoded[next] = true;
        ++next;
    }
    int required = 0, lost = 0;
    for (size_t i = 0; i < sent.size(); ++i) {
        if (sent[i].mustDecode) {
            ++required;
            QVERIFY2(decoded[i],
                     qPrintable(QStringLiteral("frame %1 after a pause was lost: %2")
                                    .arg(i)
                                    .arg(QString::fromLatin1(sent[i].bytes.toHex(' ')))));
        } else if (!decoded[i]) {
            ++lost;
        }
    }
    // The stream must really have exercised both sides.
    QVERIFY(required > FrameCount / 2);
    QVERIFY(corrupted > 100);
    qInfo("%d bursts, %d frames, %d decoded, %d guaranteed, %d lost to noise", bursts,
          int(sent.size()), int(model.Frames().size()), required, lost);
}

void TestFaultStream::cleanStreamDecodesEveryFrame_data()
{
    QTest::addColumn<int>("maxPiece");
    QTest::newRow("one byte per read") << 1;
    QTest::newRow("pieces of up to 5") << 5;
    QTest::newRow("whole frames") << 0;
}

// Without noise every frame is decoded, and the first one even when the port was opened in the
// middle of a frame.
void TestFaultStream::cleanStreamDecodesEveryFrame()
{
    QFETCH(int, maxPiece);
    StreamGenerator gen(99);
    ReceiveModel model;
    QList<QByteArray> sent;
    // The tail of a frame the port caught after opening.
    model.Arrive(gen.RandomDisplay().Encode().mid(4));
    model.Pause();
    for (int i = 0; i < 2000; ++i) {
        const QByteArray frame = gen.RandomDisplay().Encode();
        sent << frame;
        for (qsizetype at = 0; at < frame.size();) {
            const qsizetype piece = maxPiece == 0 ? frame.size() : 1 + gen.Below(size_t(maxPiece));
            model.Arrive(frame.mid(at, piece));
            at += piece;
        }
        model.Pause();
    }
    QCOMPARE(model.Frames().size(), size_t(sent.size()));
    for (qsizetype i = 0; i < sent.size(); ++i)
        QCOMPARE(model.Frames()[size_t(i)].frame, sent[i]);
}

QTEST_GUILESS_MAIN(TestFaultStream)
#include "tst_faultstream.moc"
