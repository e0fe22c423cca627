// A long meter stream with line noise, cut and corrupted frames, fed in pieces of any size through
// the frame assembler, with a pause after each burst of bytes.
//
// Every frame of a burst that only whole frames come before must decode, at once; so must the
// frame that ends a burst, at the pause, whatever came before it. A frame that follows garbage
// (noise, a cut frame, a frame with a bad digit) and does not end its burst is lost: the
// assembler waits for the pause. Nothing decodes that was not sent, nothing twice or out of
// order. The noise never holds CR LF, since without a checksum 11 noise bytes ending in CR LF
// would be a frame to any reader.
#include "meter/FrameReceiver.h"
#include "meter/MeterFrameEncoder.h"
#include "support/SampleRecords.h"

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

    QStringList decoded;
    FrameReceiver receiver(
        [&](const MeterReading &reading) { decoded << test::DescribeReading(reading); });

    QStringList expected;
    int sent = 0;
    enum Piece { Good, Bad, Noise, Cut };
    const QList<QList<Piece>> shapes = {{Good},
                                        {Noise, Good},
                                        {Good, Noise},
                                        {Cut, Good},
                                        {Bad},
                                        {Bad, Good},
                                        {Good, Good, Good},
                                        {Good, Noise, Good, Noise},
                                        {Good, Bad, Good, Good}};
    while (sent < 10000) {
        const QList<Piece> &shape = shapes[below(int(shapes.size()))];
        QByteArray burst;
        bool clean = true; // only whole frames so far in this burst
        for (qsizetype i = 0; i < shape.size(); ++i) {
            QByteArray bytes = display();
            if (shape[i] == Good) {
                ++sent;
                if (clean || i == shape.size() - 1)
                    expected << test::DescribeReading(*DecodeMeterFrame(bytes));
            } else if (shape[i] == Bad) {
                bytes[1 + below(4)] = char(10 + below(246)); // CR LF in place, a digit not one
            } else if (shape[i] == Cut) {
                bytes = bytes.left(1 + below(10));
            } else {
                bytes.clear();
                for (int n = 1 + below(40); n > 0; --n) {
                    char c = char(below(256));
                    while (c == '\n' && bytes.endsWith('\r'))
                        c = char(below(256));
                    bytes.append(c);
                }
            }
            clean = clean && shape[i] == Good;
            burst += bytes;
        }
        for (qsizetype at = 0; at < burst.size();) {
            const int piece = 1 + below(maxPiece);
            receiver.Receive(burst.mid(at, piece));
            at += piece;
        }
        receiver.LineQuiet();
    }
    QCOMPARE(receiver.Waiting(), 0);
    QCOMPARE(decoded.size(), expected.size());
    QCOMPARE(decoded, expected);
    QVERIFY(expected.size() > sent / 2 && expected.size() < sent); // both sides exercised
}

QTEST_GUILESS_MAIN(TestFaultStream)
#include "tst_faultstream.moc"
