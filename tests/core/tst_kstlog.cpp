#include "files/SampleFileReader.h"

#include "support/SampleRecords.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <csignal>
#include <memory>

using namespace kst;

namespace {

QString Program(const char *name)
{
    return QCoreApplication::applicationDirPath() + u'/' + QLatin1String(name);
}

QList<QByteArray> Lines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> lines = file.readAll().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

// kst-log as a user runs it: against the virtual meter on a pseudo-terminal, with real files in a
// temporary folder.
class tst_KstLog : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void readingsForACount_data();
    void readingsForACount();
    void reconnectsAndEndsOnSigint();
    void severalMeters();
    void errors_data();
    void errors();
    void serviceUnit();

private:
    // Starts the virtual meter; its device path, or empty on failure.
    QString StartMeter(const QStringList &arguments);
    void
    StartLogger(const QStringList &arguments,
                const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());
    QString Path(const char *name) const { return dir_->filePath(QLatin1String(name)); }

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<QProcess> meter_;
    std::unique_ptr<QProcess> logger_;
};

void tst_KstLog::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    // The program's settings (for --port) stay in the test's folder.
    qputenv("XDG_CONFIG_HOME", dir_->path().toLocal8Bit());
}

void tst_KstLog::cleanup()
{
    for (auto *process : {logger_.get(), meter_.get()})
        if (process && process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(5000);
        }
    logger_.reset();
    meter_.reset();
}

QString tst_KstLog::StartMeter(const QStringList &arguments)
{
    meter_ = std::make_unique<QProcess>();
    const QString pathFile = Path("meter-path");
    QFile::remove(pathFile);
    meter_->start(Program("kst-meter-sim"), QStringList(arguments)
                                                << u"--path-file"_qs << pathFile);
    if (!QTest::qWaitFor([&] { return !Lines(pathFile).isEmpty(); }, 30000))
        return {};
    return QString::fromLocal8Bit(Lines(pathFile).constFirst());
}

void tst_KstLog::StartLogger(const QStringList &arguments, const QProcessEnvironment &environment)
{
    logger_ = std::make_unique<QProcess>();
    logger_->setProcessEnvironment(environment);
    logger_->start(Program("kst-log"), arguments);
    QVERIFY(logger_->waitForStarted(10000));
}

void tst_KstLog::readingsForACount_data()
{
    QTest::addColumn<QStringList>("meter");
    QTest::addColumn<bool>("json");
    QTest::addColumn<QString>("display");
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<int>("records");
    QTest::newRow("volts as lines") << QStringList{u"--value"_qs, u"1234"_qs} << false
                                    << u"1.234"_qs << 1.234f << u"DCV"_qs << 6;
    QTest::newRow("kilo-ohms as JSON")
        << QStringList{u"--function"_qs, u"4"_qs, u"--range"_qs, u"2"_qs, u"--value"_qs, u"-500"_qs}
        << true << u"05.00"_qs << 5.0f << u"KΩ"_qs << 6;
    QTest::newRow("held display: printed, not recorded")
        << QStringList{u"--hold"_qs, u"--value"_qs, u"42"_qs} << false << u"0.042"_qs << 0.042f
        << u"DCV"_qs << 0;
}

// Every reading is printed; what the program records goes to both files, the same readings
// with the same times; the sample file loads completely and converts to the same CSV.
void tst_KstLog::readingsForACount()
{
    QFETCH(QStringList, meter);
    QFETCH(bool, json);
    QFETCH(QString, display);
    QFETCH(float, value);
    QFETCH(QString, unit);
    QFETCH(int, records);
    const QString device = StartMeter(QStringList(meter) << u"--rate"_qs << u"20"_qs);
    QVERIFY(!device.isEmpty());
    QStringList arguments{u"--device"_qs, device,          u"--count"_qs, u"6"_qs,
                          u"--mas"_qs,    Path("log.mas"), u"--csv"_qs,   Path("log.csv")};
    if (json)
        arguments << u"--json"_qs;
    StartLogger(arguments);
    QVERIFY(logger_->waitForFinished(60000));
    QCOMPARE(logger_->exitCode(), 0);

    QList<QByteArray> lines = logger_->readAllStandardOutput().split('\n');
    QCOMPARE(lines.takeLast(), QByteArray());
    QCOMPARE(lines.size(), 6);
    QStringList times;
    for (const QByteArray &line : lines) {
        if (json) {
            const QJsonObject object = QJsonDocument::fromJson(line).object();
            QCOMPARE(object.value(u"display"_qs).toString(), display);
            QCOMPARE(object.value(u"unit"_qs).toString(), unit);
            QCOMPARE(float(object.value(u"value"_qs).toDouble()), value);
            times << object.value(u"time"_qs).toString();
        } else {
            const QStringList fields = QString::fromUtf8(line).split(u'\t');
            QCOMPARE(fields.mid(1), QStringList({display, unit}));
            times << fields[0];
        }
    }

    SampleLog log;
    const SampleFileReadResult read = LoadSampleFile(Path("log.mas"), log);
    QVERIFY(read.complete);
    QCOMPARE(read.recordsLoaded, records);
    const QList<QByteArray> csv = Lines(Path("log.csv"));
    QCOMPARE(csv.size(), records + 1);
    for (qint32 i = 0; i < records; ++i) {
        QCOMPARE(log.SampleValue(i), value);
        QCOMPARE(log.SampleUnit(i), unit);
        const QTime printed = QDateTime::fromString(times[i], Qt::ISODateWithMs).time();
        QCOMPARE(log.SampleTime(i), QTime(printed.hour(), printed.minute(), printed.second()));
        QVERIFY(csv[i + 1].startsWith(times[i].toUtf8() + ','));
    }
    // The sample file converts to the same rows, its times in whole seconds.
    StartLogger({u"--export"_qs, Path("log.mas"), u"--csv"_qs, Path("export.csv")});
    QVERIFY(logger_->waitForFinished(30000));
    const QList<QByteArray> exported = Lines(Path("export.csv"));
    QCOMPARE(exported.size(), csv.size());
    QCOMPARE(exported.constLast().mid(29), csv.constLast().mid(29)); // after the time
    // "-" is standard output.
    StartLogger({u"--export"_qs, Path("log.mas"), u"--csv"_qs, u"-"_qs});
    QVERIFY(logger_->waitForFinished(30000));
    QCOMPARE(logger_->readAllStandardOutput(), test::FileBytes(Path("export.csv")));
    // The spreadsheet form in the user's locale.
    QProcessEnvironment german = QProcessEnvironment::systemEnvironment();
    german.insert(u"LC_ALL"_qs, u"de_DE.UTF-8"_qs);
    StartLogger({u"--export"_qs, Path("log.mas"), u"--csv"_qs, Path("sheet.csv"), u"--csv-form"_qs,
                 u"spreadsheet"_qs},
                german);
    QVERIFY(logger_->waitForFinished(30000));
    QVERIFY(test::FileBytes(Path("sheet.csv")).startsWith("\xEF\xBB\xBFtime;value;unit;"));
}

// The meter's pty goes away and another takes its place behind the same name, seconds later:
// the logger keeps its files, says so on its JSON lines, opens the new device and records on.
// Stopped by SIGINT it exits 0 and leaves every printed reading in both files, the sample file
// complete, and the gap in the CSV file.
void tst_KstLog::reconnectsAndEndsOnSigint()
{
    const QString link = Path("meter");
    QVERIFY(QFile::link(StartMeter({u"--value"_qs, u"1111"_qs, u"--rate"_qs, u"20"_qs}), link));
    StartLogger({u"--device"_qs, link, u"--mas"_qs, Path("re.mas"), u"--csv"_qs, Path("re.csv"),
                 u"--summary"_qs, u"--json"_qs});
    QVERIFY(QTest::qWaitFor([&] { return Lines(Path("re.mas")).size() >= 3; }, 30000));
    QVERIFY(QFile::remove(link)); // first, so no retry opens another test's new pty
    meter_->kill();
    meter_->waitForFinished(5000);
    QTest::qWait(2500); // longer than a gap
    const QString second = StartMeter({u"--value"_qs, u"2222"_qs, u"--rate"_qs, u"20"_qs});
    QVERIFY(QFile::link(second, link));
    QVERIFY(QTest::qWaitFor([&] { return Lines(Path("re.mas")).constLast().startsWith("2.222,"); },
                            30000));
    ::kill(pid_t(logger_->processId()), SIGINT);
    QVERIFY(logger_->waitForFinished(30000));
    QCOMPARE(logger_->exitStatus(), QProcess::NormalExit);
    QCOMPARE(logger_->exitCode(), 0);
    const QString messages = QString::fromLocal8Bit(logger_->readAllStandardError());
    QVERIFY2(messages.contains(u"device lost"_qs) && messages.contains(u"reconnected"_qs),
             qPrintable(messages));
    QStringList statuses;
    qsizetype printed = 0;
    for (const QByteArray &line : logger_->readAllStandardOutput().split('\n')) {
        const QJsonObject object = QJsonDocument::fromJson(line).object();
        printed += object.contains(u"value"_qs) ? 1 : 0;
        if (object.contains(u"status"_qs))
            statuses << object.value(u"status"_qs).toString();
    }
    QCOMPARE(statuses, (QStringList{u"link lost"_qs, u"link back"_qs}));
    QVERIFY2(messages.contains(
                 u"kst-log: summary: %1 readings, 1 gaps, 0 dropped, 0 queued"_qs.arg(printed)),
             qPrintable(messages));
    SampleLog log;
    const SampleFileReadResult read = LoadSampleFile(Path("re.mas"), log);
    QVERIFY(read.complete);
    QCOMPARE(read.recordsLoaded, printed);
    const QList<QByteArray> csv = Lines(Path("re.csv"));
    QCOMPARE(csv.size(), printed + 2);
    QCOMPARE(
        std::count_if(csv.begin(), csv.end(),
                      [](const QByteArray &row) { return row.endsWith(",,,,,,gap: link lost\r"); }),
        1);
    QCOMPARE(log.SampleValue(0), 1.111f);
}

// Two meters in one run: each takes its count, its lines carry its name, meter 2's file is named
// after it.
void tst_KstLog::severalMeters()
{
    const QString volts = StartMeter({u"--value"_qs, u"1234"_qs, u"--rate"_qs, u"20"_qs});
    std::unique_ptr<QProcess> first = std::move(meter_);
    const QString amps =
        StartMeter({u"--function"_qs, u"8"_qs, u"--value"_qs, u"250"_qs, u"--rate"_qs, u"20"_qs});
    QVERIFY(!volts.isEmpty() && !amps.isEmpty());
    StartLogger({u"--meter"_qs, u"psu="_qs + volts, u"--meter"_qs, u"load="_qs + amps,
                 u"--count"_qs, u"3"_qs, u"--json"_qs, u"--mas"_qs, Path("run.mas")});
    QVERIFY(logger_->waitForFinished(30000));
    QCOMPARE(logger_->exitCode(), 0);
    QMap<QString, QStringList> printed;
    for (const QByteArray &line : logger_->readAllStandardOutput().split('\n'))
        if (!line.isEmpty()) {
            const QJsonObject object = QJsonDocument::fromJson(line).object();
            printed[object.value(u"meter"_qs).toString()] << object.value(u"display"_qs).toString();
        }
    QCOMPARE(printed.value(u"psu"_qs), QStringList(3, u"1.234"_qs));
    QCOMPARE(printed.value(u"load"_qs), QStringList(3, u"02.50"_qs));
    for (const auto &[file, value] :
         {std::pair{Path("run.mas"), 1.234f}, std::pair{Path("run-load.mas"), 2.5f}}) {
        SampleLog log;
        QVERIFY(LoadSampleFile(file, log).complete);
        QCOMPARE(log.SampleCount, 3);
        QCOMPARE(log.SampleValue(2), value);
    }
}

// Run as a service runs, without HOME and XDG_DATA_HOME.
void tst_KstLog::errors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing device") << QStringList{u"--device"_qs, u"/dev/kst-no-such-tty"_qs} << 69
                                    << u"kst-log: /dev/kst-no-such-tty: no such device"_qs;
    QTest::newRow("file in a missing folder")
        << QStringList{u"--port"_qs, u"1"_qs, u"--mas"_qs, u"/kst-no-such-folder/a.mas"_qs} << 73
        << u"kst-log: /kst-no-such-folder/a.mas: "_qs;
    QTest::newRow("no folder for the MQTT queue")
        << QStringList{u"--device"_qs, u"/dev/kst-no-such-tty"_qs, u"--mqtt"_qs, u"mqtt://h/k"_qs}
        << 64
        << u"kst-log: neither XDG_DATA_HOME nor HOME names a folder for the MQTT queue; give one "
           "with --data-dir DIR"_qs;
}

void tst_KstLog::errors()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"HOME"_qs);
    environment.remove(u"XDG_DATA_HOME"_qs);
    StartLogger(arguments, environment);
    QVERIFY(logger_->waitForFinished(30000));
    QCOMPARE(logger_->exitCode(), exitCode);
    QVERIFY2(QString::fromLocal8Bit(logger_->readAllStandardError()).startsWith(message),
             qPrintable(message));
    QCOMPARE(logger_->readAllStandardOutput(), QByteArray());
}

// The systemd unit the README shows (resources/kst-log.service): its command line as written, in
// the environment of a service (its Environment= lines, the state folder systemd makes, no HOME
// nor XDG folders), with the device set to the virtual meter as a user sets it. Stopped as
// systemd stops it, it leaves whole files and says what it took.
void tst_KstLog::serviceUnit()
{
    const QByteArray unit =
        test::FileBytes(QStringLiteral(KST_SOURCE_DIR "/resources/kst-log.service"));
    QVERIFY(test::FileBytes(QStringLiteral(KST_SOURCE_DIR "/README.md")).contains(unit));
    QProcessEnvironment environment;
    QStringList command;
    for (const QByteArray &line : unit.split('\n')) {
        if (line.startsWith("Environment="))
            environment.insert(QString::fromUtf8(line.mid(12)).section(u'=', 0, 0),
                               QString::fromUtf8(line.mid(12)).section(u'=', 1));
        if (line.startsWith("ExecStart="))
            command = QString::fromUtf8(line.mid(10)).split(u' ', Qt::SkipEmptyParts);
    }
    environment.insert(u"STATE_DIRECTORY"_qs, dir_->path());
    environment.insert(u"KST_DEVICE"_qs, StartMeter({u"--rate"_qs, u"20"_qs}));
    QVERIFY(!command.isEmpty() && command.takeFirst() == u"/usr/bin/kst-log");
    static const QRegularExpression variable(uR"(\$\{(\w+)\})"_qs);
    for (QString &argument : command) // ${NAME} as systemd expands it
        for (const QRegularExpressionMatch &match : variable.globalMatch(QString(argument)))
            argument.replace(match.captured(0), environment.value(match.captured(1)));
    StartLogger(command, environment);
    QVERIFY(QTest::qWaitFor([&] { return Lines(Path("meter.mas")).size() >= 3; }, 30000));
    ::kill(pid_t(logger_->processId()), SIGTERM);
    QVERIFY(logger_->waitForFinished(30000));
    QCOMPARE(logger_->exitCode(), 0);
    SampleLog log;
    QVERIFY(LoadSampleFile(Path("meter.mas"), log).complete);
    QCOMPARE(Lines(Path("meter.csv")).size(), log.SampleCount + 1);
    QCOMPARE(
        QString::fromLocal8Bit(logger_->readAllStandardError()),
        u"kst-log: summary: %1 readings, 0 gaps, 0 dropped, 0 queued\n"_qs.arg(log.SampleCount));
}

QTEST_GUILESS_MAIN(tst_KstLog)
#include "tst_kstlog.moc"
