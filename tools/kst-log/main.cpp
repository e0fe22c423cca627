// kst-log: records the meter from the command line, without a screen. Prints each reading and
// appends it to a sample file and/or a CSV file as it arrives; also converts a sample file to CSV.

#include "MeterLogger.h"

#include "common/Version.h"
#include "files/CsvWriter.h"
#include "files/SampleFile.h"
#include "publish/PublishSettings.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSettings>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

using namespace kst;

namespace {

int signalPipe[2] = {-1, -1};

void OnSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

// SIGINT, SIGTERM and SIGHUP end the run in the event loop, so the files are closed complete.
void CatchEndSignals(const std::function<void()> &end)
{
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [end] {
        char byte;
        while (::read(signalPipe[0], &byte, 1) > 0) {
        }
        end();
    });
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

int UsageError(const QString &text)
{
    std::fprintf(stderr, "kst-log: %s\nTry 'kst-log --help' for more information.\n",
                 qPrintable(text));
    return ExitUsage;
}

// "90", "90s", "15m", "2h" or "1d"; negative or not a number gives nothing.
std::optional<double> ParseDuration(const QString &text)
{
    QString number = text.trimmed();
    double unit = 1.0;
    if (!number.isEmpty()) {
        const QChar last = number.back().toLower();
        const double units[] = {1.0, 60.0, 3600.0, 86400.0};
        const qsizetype index = QStringLiteral("smhd").indexOf(last);
        if (index >= 0) {
            unit = units[index];
            number.chop(1);
        }
    }
    bool ok = false;
    const double value = number.toDouble(&ok);
    if (!ok || !(value > 0) || value * unit > 1e9)
        return {};
    return value * unit;
}

// The device the program maps port number n to: section "Ports", key "COMn" of its settings,
// /dev/ttyS(n-1) by default.
QString PortDevice(int port)
{
    QSettings settings(QStringLiteral("KST"));
    return settings
        .value(QStringLiteral("Ports/COM%1").arg(port), QStringLiteral("/dev/ttyS%1").arg(port - 1))
        .toString();
}

int Export(const QString &masPath, const QString &csvPath)
{
    SampleLog log;
    const SampleFileReadResult read = LoadSampleFile(masPath, log);
    if (read.recordsLoaded == 0 && !read.complete) {
        std::fprintf(stderr, "kst-log: %s: %s\n", qPrintable(masPath), qPrintable(read.stopReason));
        return ExitFile;
    }
    const CsvSaveResult saved = SaveCsvFile(csvPath, log, log.SampleCount);
    if (!saved.ok) {
        std::fprintf(stderr, "kst-log: %s\n", qPrintable(saved.error));
        return ExitFile;
    }
    if (!read.complete) {
        // What could be read is exported; the damage is not passed over in silence.
        std::fprintf(stderr, "kst-log: %s: reading stopped at line %lld: %s; %d records exported\n",
                     qPrintable(masPath), static_cast<long long>(read.stopLine),
                     qPrintable(read.stopReason), read.recordsLoaded);
        return ExitFile;
    }
    return ExitOk;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kst-log"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KST_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Records a 4000-count multimeter on a serial line without a screen. Prints each reading "
        "(time, display, unit) and appends it to a sample file and/or a CSV file as it arrives. "
        "SIGINT, SIGTERM and SIGHUP end the run with complete files.\n\n"
        "Exit codes: 0 done, 64 wrong command line, 69 device cannot be opened, 73 file error."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Serial port number 1 to 4, as in KST."),
                                  QStringLiteral("N"));
    const QCommandLineOption device(QStringLiteral("device"),
                                    QStringLiteral("Serial device, e.g. /dev/ttyUSB0."),
                                    QStringLiteral("PATH"));
    const QCommandLineOption mas(QStringLiteral("mas"),
                                 QStringLiteral("Append the readings to this sample file."),
                                 QStringLiteral("FILE"));
    const QCommandLineOption csv(QStringLiteral("csv"),
                                 QStringLiteral("Append the readings to this CSV file (with "
                                                "--export: write the CSV there)."),
                                 QStringLiteral("FILE"));
    const QCommandLineOption duration(
        QStringLiteral("duration"),
        QStringLiteral("Stop after this time: seconds, or a number with s, m, h or d."),
        QStringLiteral("TIME"));
    const QCommandLineOption count(QStringLiteral("count"),
                                   QStringLiteral("Stop after N readings."), QStringLiteral("N"));
    const QCommandLineOption quiet(QStringLiteral("quiet"),
                                   QStringLiteral("Print nothing on standard output."));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("Print each reading as a line of JSON."));
    const QCommandLineOption exportOption(
        QStringLiteral("export"), QStringLiteral("Convert this sample file to the --csv file."),
        QStringLiteral("FILE.mas"));
    const QCommandLineOption mqtt(
        QStringLiteral("mqtt"),
        QStringLiteral("Publish each reading to an MQTT broker: mqtt://[user@]host[:port]/prefix "
                       "or mqtts://... (TLS). The prefix defaults to kst/<hostname>/<device "
                       "name>; the password comes from KST_MQTT_PASSWORD or "
                       "--mqtt-password-file."),
        QStringLiteral("URL"));
    const QCommandLineOption mqttPasswordFile(
        QStringLiteral("mqtt-password-file"),
        QStringLiteral("Read the broker password from the first line of this file."),
        QStringLiteral("FILE"));
    const QCommandLineOption mqttCa(
        QStringLiteral("mqtt-ca"),
        QStringLiteral("Check the broker's certificate against these CA certificates instead of "
                       "the system's."),
        QStringLiteral("FILE"));
    const QCommandLineOption mqttQueue(
        QStringLiteral("mqtt-queue"),
        QStringLiteral("Readings kept on disk while the broker is away (default 1000000); when "
                       "full, the oldest are dropped."),
        QStringLiteral("N"));
    parser.addOptions({port, device, mas, csv, duration, count, quiet, json, exportOption, mqtt,
                       mqttPasswordFile, mqttCa, mqttQueue});

    if (!parser.parse(QCoreApplication::arguments()))
        return UsageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(ExitOk);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    if (!parser.positionalArguments().isEmpty())
        return UsageError(QStringLiteral("unexpected argument '%1'")
                              .arg(parser.positionalArguments().constFirst()));

    if (parser.isSet(exportOption)) {
        for (const QCommandLineOption *other : {&port, &device, &mas, &duration, &count, &json})
            if (parser.isSet(*other))
                return UsageError(
                    QStringLiteral("--export takes only --csv, not --%1").arg(other->names()[0]));
        if (!parser.isSet(csv))
            return UsageError(QStringLiteral("--export needs --csv OUT.csv"));
        return Export(parser.value(exportOption), parser.value(csv));
    }

    LoggerOptions options;
    if (parser.isSet(port) == parser.isSet(device))
        return UsageError(QStringLiteral("give either --port N or --device PATH"));
    if (parser.isSet(port)) {
        bool ok = false;
        const int number = parser.value(port).toInt(&ok);
        if (!ok || number < 1 || number > 4)
            return UsageError(QStringLiteral("--port is a number from 1 to 4"));
        options.device = PortDevice(number);
    } else {
        options.device = parser.value(device);
    }
    options.masPath = parser.value(mas);
    options.csvPath = parser.value(csv);
    if (parser.isSet(count)) {
        bool ok = false;
        options.count = parser.value(count).toLongLong(&ok);
        if (!ok || options.count < 1)
            return UsageError(QStringLiteral("--count is a whole number of at least 1"));
    }
    std::optional<double> seconds;
    if (parser.isSet(duration)) {
        seconds = ParseDuration(parser.value(duration));
        if (!seconds)
            return UsageError(QStringLiteral("--duration is a time such as 90, 90s, 15m or 2h"));
    }
    {
        // The program's own modem-line settings ("Ports" keys "DTR" and "RTS").
        const QSettings settings(QStringLiteral("KST"));
        const auto line = [&settings](const char *key, bool fallback) {
            bool ok = false;
            const int value = settings.value(QLatin1String(key)).toInt(&ok);
            return ok ? value != 0 : fallback; // missing or not a number: the default
        };
        options.dtr = line("Ports/DTR", true);
        options.rts = line("Ports/RTS", false);
    }
    options.quiet = parser.isSet(quiet);
    options.json = parser.isSet(json);
    if (options.quiet && options.masPath.isEmpty() && options.csvPath.isEmpty() &&
        !parser.isSet(mqtt))
        return UsageError(QStringLiteral("--quiet without --mas, --csv or --mqtt records nothing"));
    for (const QCommandLineOption *option : {&mqttPasswordFile, &mqttCa, &mqttQueue})
        if (parser.isSet(*option) && !parser.isSet(mqtt))
            return UsageError(QStringLiteral("--%1 needs --mqtt").arg(option->names()[0]));
    std::optional<MqttTarget> target;
    qsizetype queueCapacity = 1000000;
    if (parser.isSet(mqtt)) {
        PublishSettings settings;
        settings.url = parser.value(mqtt);
        settings.caFile = parser.value(mqttCa);
        const Result<MqttTarget> parsed =
            MqttTargetFor(settings, options.device,
                          QStringLiteral("use KST_MQTT_PASSWORD or --mqtt-password-file"));
        if (!parsed)
            return UsageError(parsed.Reason());
        target = *parsed;
        if (parser.isSet(mqttQueue)) {
            bool ok = false;
            queueCapacity = parser.value(mqttQueue).toLongLong(&ok);
            if (!ok || queueCapacity < 1)
                return UsageError(QStringLiteral("--mqtt-queue is a whole number of at least 1"));
        }
        const Result<QString> password = ReadMqttPassword(parser.value(mqttPasswordFile));
        if (!password) {
            std::fprintf(stderr, "kst-log: %s\n", qPrintable(password.Reason()));
            return ExitFile;
        }
        target->password = *password;
    }
    if (!options.masPath.isEmpty() && options.masPath == options.csvPath)
        return UsageError(QStringLiteral("--mas and --csv name the same file"));

    // A closed pipe on standard output is noticed as a failed write, not as a signal.
    std::signal(SIGPIPE, SIG_IGN);

    MeterLogger logger(options);
    std::unique_ptr<MqttPublisher> publisher;
    if (target) {
        // The queue lives in the program's data folder, as it does for kst.
        Result<std::unique_ptr<MqttPublisher>> started = StartMqttPublisher(
            *target, {options.device, QStringLiteral("kst-log"), QStringLiteral(KST_VERSION)},
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                QStringLiteral("/KST"),
            queueCapacity);
        if (!started) {
            std::fprintf(stderr, "kst-log: %s\n", qPrintable(started.Reason()));
            return ExitFile;
        }
        publisher = std::move(started).Value();
        QObject::connect(publisher.get(), &MqttPublisher::Error, [](const QString &text) {
            std::fprintf(stderr, "kst-log: %s\n", qPrintable(text));
        });
        // The publisher tells the count at most once a second while it changes.
        QObject::connect(publisher.get(), &MqttPublisher::ReadingsDropped, [](std::uint64_t total) {
            std::fprintf(stderr,
                         "kst-log: the MQTT queue is full: %llu oldest readings dropped so far\n",
                         static_cast<unsigned long long>(total));
        });
        logger.Publish = [&publisher](const QByteArray &json, const QString &unit) {
            publisher->SetUnit(unit);
            (void)publisher->Publish(json); // a failure is said through Error
        };
    }
    const int started = logger.Start();
    if (started != ExitOk)
        return started;
    QObject::connect(&logger, &MeterLogger::Finished, &app, &QCoreApplication::exit);
    auto end = [&logger, &app] {
        logger.Stop();
        app.exit(ExitOk);
    };
    CatchEndSignals(end);
    if (seconds)
        QTimer::singleShot(std::chrono::milliseconds(qint64(*seconds * 1000.0)), &app, end);
    const int code = QCoreApplication::exec();
    if (publisher) {
        // A run of a set length gives the broker a few seconds to take what is still queued.
        if (options.count > 0 || seconds)
            if (const qsizetype left = publisher->Drain(5000); left > 0)
                std::fprintf(stderr, "kst-log: %lld readings stay queued for the broker\n",
                             static_cast<long long>(left));
        publisher->Stop();
    }
    return code;
}
