#include "meter/MSComm.h"
#include "support/Pty.h"

#include <QTest>

using namespace kst;
using kst::test::Pty;

namespace {

QByteArray Frame(char digit)
{
    QByteArray f("\x80\x00\x00\x00\x00\x80\x81\x80\x80\r\n", 11);
    f[1] = digit;
    return f;
}

} // namespace

class TestMSComm : public QObject {
    Q_OBJECT
private slots:
    void framesReachTheReader_data();
    void framesReachTheReader();
    void openErrors();
};

void TestMSComm::framesReachTheReader_data()
{
    QTest::addColumn<QList<QByteArray>>("writes"); // each write is followed by a pause
    QTest::addColumn<QList<QByteArray>>("expected");
    QTest::newRow("frames with pauses")
        << QList<QByteArray>{Frame(1), Frame(2)} << QList<QByteArray>{Frame(1), Frame(2)};
    QTest::newRow("garbage glued before a frame")
        << QList<QByteArray>{QByteArray("\x01\x02\x03", 3) + Frame(4)}
        << QList<QByteArray>{Frame(4)};
    QTest::newRow("cut frame, pause, frame")
        << QList<QByteArray>{Frame(5).left(6), Frame(6)} << QList<QByteArray>{Frame(6)};
    QTest::newRow("two back to back: the first is read at once")
        << QList<QByteArray>{Frame(1) + Frame(2)} << QList<QByteArray>{Frame(1)};
}

// Through a real tty, with DTR and RTS requested on a line that has neither.
void TestMSComm::framesReachTheReader()
{
    QFETCH(QList<QByteArray>, writes);
    QFETCH(QList<QByteArray>, expected);
    Pty pty;
    MSComm comm([&](int) { return pty.SlavePath(); });
    comm.SetQuietMs(20);
    comm.SetModemLines(true, true);
    QCOMPARE(comm.SetPortOpen(true), 0);
    QList<QByteArray> read;
    connect(&comm, &MSComm::OnComm, this, [&] {
        QCOMPARE(comm.CommEvent(), MSComm::ComEvReceive);
        comm.SetInputLen(11);
        read << comm.Input();
        comm.Input();
    });
    for (const QByteArray &bytes : writes) {
        QVERIFY(pty.Write(bytes));
        QTest::qWait(120);
    }
    QTRY_COMPARE(read, expected);
    QVERIFY(comm.PortOpen());
}

void TestMSComm::openErrors()
{
    Pty pty;
    MSComm first([&](int) { return pty.SlavePath(); });
    QCOMPARE(first.SetPortOpen(true), 0);
    QCOMPARE(first.SetPortOpen(true), MSComm::ErrPortAlreadyOpen);
    MSComm second([&](int) { return pty.SlavePath(); });
    QCOMPARE(second.SetPortOpen(true), MSComm::ErrPortAlreadyOpen); // held by the first
    MSComm missing([](int) { return QStringLiteral("/dev/kst-no-such-port"); });
    QCOMPARE(missing.SetPortOpen(true), MSComm::ErrBadPortNumber);
    QCOMPARE(first.SetPortOpen(false), 0);
    QCOMPARE(second.SetPortOpen(true), 0); // free again
    QVERIFY(!second.SetSettings(QStringLiteral("9600,x,8,1")));
}

QTEST_MAIN(TestMSComm)
#include "tst_mscomm.moc"
