#include "meter/FrameDecoder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
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
    void frames_data();
    void frames();
    void faults_data();
    void faults();

private:
    // Starts the simulator, reads the device until it hangs up; false on failure.
    bool Run(const QStringList &arguments, QByteArray &received);
};

bool TestMeterSim::Run(const QStringList &arguments, QByteArray &received)
{
    const QString program =
        QCoreApplication::applicationDirPath() + QStringLiteral("/kst-meter-sim");
    if (!QFile::exists(program)) {
        qWarning("%s is not built", qPrintable(program));
        return false;
    }
    QTemporaryDir dir;
    const QString pathFile = dir.filePath(QStringLiteral("device"));
    QProcess sim;
    // Whatever happens below, the simulator does not outlive the test.
    const auto stop = qScopeGuard([&sim] {
        if (sim.state() != QProcess::NotRunning) {
            sim.kill();
            sim.waitForFinished(2000);
        }
    });
    sim.start(program, QStringList(arguments) << QStringLiteral("--path-file") << pathFile);
    if (!sim.waitForStarted(5000))
        return false;
    QElapsedTimer clock;
    clock.start();
    while (!sim.canReadLine() && clock.elapsed() < 5000)
        sim.waitForReadyRead(100);
    const QString path = QString::fromLocal8Bit(sim.readLine()).trimmed();
    if (path.isEmpty())
        return false;
    QFile written(pathFile);
    if (!written.open(QIODevice::ReadOnly) || written.readAll().trimmed() != path.toLocal8Bit()) {
        qWarning("path file does not name %s", qPrintable(path));
        return false;
    }

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

void TestMeterSim::frames_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("display"); // unit, decimals, counts, flags

    QTest::newRow("defaults") << QStringList{} << "DC V 3 1234 MAN";
    QTest::newRow("frequency") << QStringList{"--function", "10", "--range", "5", "--value", "500"}
                               << "Hz 2 500 MAN";
    QTest::newRow("negative amps")
        << QStringList{"--function", "8", "--range", "0", "--value", "-250", "--auto"}
        << "DC A 2 -250 AUTO";
    QTest::newRow("flags") << QStringList{"--hold", "--rel", "--battery", "--auto"}
                           << "DC V 3 1234 HOLD REL AUTO BATT";
    QTest::newRow("over range") << QStringList{"--ol"} << "DC V 3 1234 MAN OL";
    QTest::newRow("ramp stays in its band")
        << QStringList{"--wave", "ramp", "--value", "2000", "--amplitude", "0", "--period", "1"}
        << "DC V 3 2000 MAN";
}

void TestMeterSim::frames()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, display);
    QByteArray received;
    QVERIFY(Run(QStringList(arguments) << "--count"
                                       << "5"
                                       << "--rate"
                                       << "20",
                received));
    QCOMPARE(received.size(), 5 * 11);
    for (int i = 0; i < 5; ++i) {
        const std::optional<QByteArray> frame =
            SelectFrame(received.mid(i * 11, 11), received.mid(i * 11 + 11, 11));
        QVERIFY(frame);
        const std::optional<MeterReading> r = DecodeMeterFrame(*frame);
        QVERIFY(r);
        QStringList parts;
        if (!r->AcDcText.isEmpty())
            parts << r->AcDcText;
        parts << r->UnitText << QString::number(r->Decimals) << QString::number(r->Counts);
        const std::pair<bool, const char *> flags[] = {
            {r->Hold, "HOLD"}, {r->Rel, "REL"},         {r->Max, "MAX"},
            {r->Min, "MIN"},   {r->Auto, "AUTO"},       {r->Man, "MAN"},
            {r->Mem, "MEM"},   {r->BatteryLow, "BATT"}, {r->OverRange, "OL"}};
        for (const auto &[on, name] : flags)
            if (on)
                parts << QString::fromLatin1(name);
        QCOMPARE(parts.join(u' '), display);
    }
}

void TestMeterSim::faults_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("wholeFrames");
    QTest::addColumn<QString>("size"); // "=N", "<N" or ">N" bytes

    QTest::newRow("garbage") << QStringList{"--count", "4", "--garbage-every", "2"} << 4 << ">44";
    QTest::newRow("cut") << QStringList{"--count", "4", "--cut-every", "2"} << 2 << "<44";
    QTest::newRow("burst") << QStringList{"--count", "6", "--burst", "3"} << 6 << "=66";
    QTest::newRow("silence") << QStringList{"--count",           "3",  "--silence-after", "1",
                                            "--silence-seconds", "0.5"}
                             << 3 << "=33";
}

void TestMeterSim::faults()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, wholeFrames);
    QFETCH(QString, size);
    QByteArray received;
    QElapsedTimer clock;
    clock.start();
    QVERIFY(Run(QStringList(arguments) << "--rate"
                                       << "20",
                received));
    // Every frame of this run shows the same display.
    QCOMPARE(received.count(QByteArray::fromHex("800403020180818082"
                                                "0d0a")),
             wholeFrames);
    const int bytes = size.mid(1).toInt();
    if (size.startsWith(u'='))
        QCOMPARE(received.size(), bytes);
    else if (size.startsWith(u'<'))
        QVERIFY(received.size() < bytes);
    else
        QVERIFY(received.size() > bytes);
    if (QTest::currentDataTag() == QLatin1String("silence"))
        QVERIFY(clock.elapsed() >= 500);
}

QTEST_GUILESS_MAIN(TestMeterSim)
#include "tst_metersim.moc"
