#include "support/SampleRecords.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

using namespace kst;

// Runs the virtual meter on its own pseudo-terminal and reads what a program opening the device
// would receive.
class TestMeterSim : public QObject {
    Q_OBJECT
private slots:
    void run_data();
    void run();

private:
    // Starts the simulator, reads the device until it hangs up; false on failure.
    bool Run(const QStringList &arguments, QByteArray &received);
};

bool TestMeterSim::Run(const QStringList &arguments, QByteArray &received)
{
    QProcess sim;
    // Whatever happens below, the simulator does not outlive the test.
    const auto stop = qScopeGuard([&sim] {
        if (sim.state() != QProcess::NotRunning) {
            sim.kill();
            sim.waitForFinished(2000);
        }
    });
    sim.start(QCoreApplication::applicationDirPath() + QStringLiteral("/kst-meter-sim"), arguments);
    if (!sim.waitForStarted(5000))
        return false;
    QElapsedTimer clock;
    clock.start();
    while (!sim.canReadLine() && clock.elapsed() < 5000)
        sim.waitForReadyRead(100);
    const QString path = QString::fromLocal8Bit(sim.readLine()).trimmed();
    if (path.isEmpty())
        return false;

    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;
    while (clock.elapsed() < 20000) {
        pollfd p{fd, POLLIN, 0};
        ::poll(&p, 1, 100);
        char buffer[512];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0)
            received.append(buffer, n);
        else if (n == 0 || (errno != EAGAIN && errno != EINTR))
            break; // hung up: the simulator has finished
    }
    ::close(fd);
    return sim.waitForFinished(5000) && sim.exitCode() == 0;
}

void TestMeterSim::run_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("display"); // of every whole frame: unit, decimals, counts, flags
    QTest::addColumn<int>("wholeFrames");
    QTest::addColumn<QString>("size"); // "=N", "<N" or ">N" bytes
    QTest::newRow("defaults") << QStringList{"--count", "3"} << "DCV 3 1234 MAN" << 3 << "=33";
    QTest::newRow("garbage") << QStringList{"--count", "4", "--garbage-every", "2"}
                             << "DCV 3 1234 MAN" << 4 << ">44";
    QTest::newRow("cut") << QStringList{"--count", "4", "--cut-every", "2"} << "DCV 3 1234 MAN" << 2
                         << "<44";
}

void TestMeterSim::run()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, display);
    QFETCH(int, wholeFrames);
    QFETCH(QString, size);
    QByteArray received;
    QVERIFY(Run(arguments << "--rate"
                          << "20",
                received));
    int whole = 0;
    for (qsizetype at = 0; at + 11 <= received.size(); ++at) {
        const QByteArray bytes = received.mid(at, 11);
        const std::optional<MeterReading> r =
            bytes.endsWith("\r\n") ? DecodeMeterFrame(bytes) : std::nullopt;
        if (!r)
            continue;
        ++whole;
        QCOMPARE(test::DescribeReading(*r), display);
    }
    QCOMPARE(whole, wholeFrames);
    const int bytes = size.mid(1).toInt();
    QVERIFY(size[0] == u'='   ? received.size() == bytes
            : size[0] == u'<' ? received.size() < bytes
                              : received.size() > bytes);
}

QTEST_GUILESS_MAIN(TestMeterSim)
#include "tst_metersim.moc"
