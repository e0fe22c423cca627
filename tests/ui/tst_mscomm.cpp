#include "meter/MSComm.h"
#include "support/Pty.h"

#include <QSignalSpy>
#include <QTest>

using namespace kst;
using kst::test::Pty;

namespace {

QByteArray Frame(char digit)
{
    // A well-formed frame: status, four digits, function, range, two annunciator bytes, CR LF.
    QByteArray f("\x80\x00\x00\x00\x00\x80\x81\x80\x80\r\n", 11);
    f[1] = digit;
    return f;
}

// Reads the two 11-character chunks a notification reads, as the receive handler does.
struct Reader {
    MSComm &comm;
    QList<QByteArray> firstChunks;
    void Read()
    {
        comm.SetInputLen(11);
        firstChunks.append(comm.Input());
        comm.Input();
    }
};

} // namespace

class TestMSComm : public QObject {
    Q_OBJECT
private slots:
    void framesReachTheReader_data();
    void framesReachTheReader();
    void openErrors();
    void vanishedDeviceClosesOnce();
};

void TestMSComm::framesReachTheReader_data()
{
    QTest::addColumn<QList<QByteArray>>("writes"); // each write is followed by a pause
    QTest::addColumn<QList<QByteArray>>("expected");
    QTest::newRow("one frame") << QList<QByteArray>{Frame(1)} << QList<QByteArray>{Frame(1)};
    QTest::newRow("frames with pauses") << QList<QByteArray>{Frame(1), Frame(2), Frame(3)}
                                        << QList<QByteArray>{Frame(1), Frame(2), Frame(3)};
    QTest::newRow("garbage glued before a frame")
        << QList<QByteArray>{QByteArray("\x01\x02\x03", 3) + Frame(4)}
        << QList<QByteArray>{Frame(4)};
    QTest::newRow("cut frame, pause, frame")
        << QList<QByteArray>{Frame(5).left(6), Frame(6)} << QList<QByteArray>{Frame(6)};
    QTest::newRow("tail of a frame glued before a frame")
        << QList<QByteArray>{Frame(7).mid(4) + Frame(8)} << QList<QByteArray>{Frame(8)};
    QTest::newRow("two back to back: first read at once, second dropped")
        << QList<QByteArray>{Frame(1) + Frame(2)} << QList<QByteArray>{Frame(1)};
}

void TestMSComm::framesReachTheReader()
{
    QFETCH(QList<QByteArray>, writes);
    QFETCH(QList<QByteArray>, expected);
    Pty pty;
    QVERIFY(pty.IsValid());
    MSComm comm([&](int) { return pty.SlavePath(); });
    comm.SetQuietMs(20);
    QCOMPARE(comm.SetPortOpen(true), 0);
    Reader reader{comm, {}};
    connect(&comm, &MSComm::OnComm, this, [&] {
        QCOMPARE(comm.CommEvent(), MSComm::ComEvReceive);
        reader.Read();
    });
    for (const QByteArray &bytes : writes) {
        QVERIFY(pty.Write(bytes));
        QTest::qWait(120);
    }
    QTRY_COMPARE(reader.firstChunks, expected);
}

void TestMSComm::openErrors()
{
    Pty pty;
    MSComm first([&](int) { return pty.SlavePath(); });
    QCOMPARE(first.SetPortOpen(true), 0);
    QVERIFY(first.PortOpen());
    QCOMPARE(first.SetPortOpen(true), MSComm::ErrPortAlreadyOpen);

    MSComm second([&](int) { return pty.SlavePath(); });
    QCOMPARE(second.SetPortOpen(true), MSComm::ErrPortAlreadyOpen); // held by the first
    QVERIFY(!second.PortOpen());

    MSComm missing([](int) { return QStringLiteral("/dev/kst-no-such-port"); });
    QCOMPARE(missing.SetPortOpen(true), MSComm::ErrBadPortNumber);

    QCOMPARE(first.SetPortOpen(false), 0);
    QCOMPARE(second.SetPortOpen(true), 0); // free again
    QVERIFY(!second.SetSettings(QStringLiteral("9600,x,8,1")));
    QVERIFY(second.SetSettings(QStringLiteral("9600,n,8,1")));
}

void TestMSComm::vanishedDeviceClosesOnce()
{
    auto pty = std::make_unique<Pty>();
    MSComm comm([&](int) { return pty->SlavePath(); });
    QCOMPARE(comm.SetPortOpen(true), 0);
    QSignalSpy lost(&comm, &MSComm::DeviceLost);
    QSignalSpy notified(&comm, &MSComm::OnComm);
    pty->Close();
    QTRY_COMPARE(lost.count(), 1);
    QVERIFY(!comm.PortOpen());
    QTest::qWait(200);
    QCOMPARE(lost.count(), 1);
    QCOMPARE(notified.count(), 0);
}

QTEST_MAIN(TestMSComm)
#include "tst_mscomm.moc"
