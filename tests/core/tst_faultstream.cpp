// A long meter stream with line noise, cut and corrupted frames, fed in pieces of any size
// through the frame receiver to a reader that works as the receive handler does: take a frame,
// decode it, discard everything waiting when that fails.
//
// Nothing may decode that was not sent as a whole frame, nothing twice or out of order, and a
// frame must decode when it starts a burst (followed by a pause or by a frame's worth or more)
// or ends a burst shorter than two frames. A frame followed by noise before the pause may be
// lost: the bytes that end at the pause are the noise. The noise never holds CR LF, since
// without a checksum 11 noise bytes ending in CR LF would be a frame to any reader.
#include "meter/FrameDecoder.h"
#include "meter/FrameReceiver.h"
#include "meter/MeterFrameEncoder.h"

#include <QRandomGenerator>
#include <QTest>

using namespace kst;

class TestFaultStream : public QObject {
    Q_OBJECT
private slots:
    void stream_data();
    void stream();
};

void TestFaultStream::stream_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("maxPiece"); // the port hands over 1..maxPiece bytes at a time
    QTest::newRow("byte by byte") << 1u << 1;
    QTest::newRow("small pieces") << 2u << 7;
    QTest::newRow("large pieces") << 3u << 60;
}

void TestFaultStream::stream()
{
    QFETCH(quint32, seed);
    QFETCH(int, maxPiece);
    QRandomGenerator random(seed);
    const auto below = [&](int n) { return int(random.bounded(quint32(n))); };
    const auto display = [&] {
        MeterFrameEncoder e;
        e.Function = below(13);
        e.Range = below(7);
        e.Counts = below(10000);
        return e.Encode();
    };
    const auto noise = [&](QByteArray &burst, int length) {
        while (length-- > 0) {
            char c = char(below(256));
            while (c == '\n' && burst.endsWith('\r'))
                c = char(below(256));
            burst.append(c);
        }
    };

    QList<QByteArray> decoded;
    FrameReceiver receiver([&] {
        const std::optional<QByteArray> frame = receiver.TakeFrame();
        if (frame && !DecodeMeterFrame(*frame))
            receiver.Discard();
        else if (frame)
            decoded << *frame;
    });

    QList<QByteArray> sent;
    QList<bool> mustDecode;
    while (sent.size() < 10000) {
        QByteArray burst;
        QList<qsizetype> starts;
        const auto frame = [&] {
            starts << burst.size();
            sent << display();
            burst += sent.last();
        };
        switch (below(8)) {
        case 0:
            noise(burst, 1 + below(40));
            frame();
            break;
        case 1:
            frame();
            noise(burst, 1 + below(30));
            break;
        case 3: // cut short by a moved cable, then a whole frame
            burst = display().left(1 + below(10));
            frame();
            break;
        case 4: { // a digit byte out of range, CR LF in place
            burst = display();
            burst[1 + below(4)] = char(10 + below(246));
            if (below(2))
                frame();
            break;
        }
        case 5: // back to back: the program was busy
            for (int n = 2 + below(3); n > 0; --n)
                frame();
            break;
        default:
            frame();
        }
        for (qsizetype start : starts) {
            const qsizetype after = burst.size() - start - FrameReceiver::FrameLength;
            mustDecode << ((start == 0 && (after == 0 || after >= FrameReceiver::FrameLength)) ||
                           (after == 0 && burst.size() < 2 * FrameReceiver::FrameLength));
        }
        for (qsizetype at = 0; at < burst.size();) {
            const int piece = 1 + below(maxPiece);
            receiver.Receive(burst.mid(at, piece));
            at += piece;
        }
        receiver.LineQuiet();
    }
    QCOMPARE(receiver.Waiting(), 0);

    qsizetype next = 0;
    int required = 0;
    for (const QByteArray &frame : decoded) {
        while (next < sent.size() && sent[next] != frame) {
            QVERIFY2(!mustDecode[next], qPrintable(QStringLiteral("frame %1 lost").arg(next)));
            ++next;
        }
        QVERIFY2(next < sent.size(), "decoded a frame not sent, or out of order");
        ++next;
    }
    for (; next < sent.size(); ++next)
        QVERIFY(!mustDecode[next]);
    for (bool must : mustDecode)
        required += must ? 1 : 0;
    QVERIFY(required > 5000 && decoded.size() < sent.size()); // both sides exercised
}

QTEST_GUILESS_MAIN(TestFaultStream)
#include "tst_faultstream.moc"
