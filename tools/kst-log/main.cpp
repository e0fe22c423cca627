// kst-log: records the meter from the command line, without a screen. Prints each reading and
// appends it to a sample file and/or a CSV file as it arrives; also converts a sample file to CSV.

#include "LoggerOptions.h"
#include "MeterLogger.h"

#include "common/Version.h"
#include "files/CsvWriter.h"
#include "files/FileIo.h"
#include "files/SampleFileReader.h"
#include "files/SampleFileWriter.h"
#include "publish/PublishSettings.h"

#include <QCoreApplication>
#include <QSocketNotifier>
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

void Complain(const QString &text)
{
    std::fprintf(stderr, "kst-log: %s\n", qPrintable(text));
}

int Export(const QString &masPath, const QString &csvPath, const CsvFormat &format)
{
    SampleLog log;
    const SampleFileReadResult read = LoadSampleFile(masPath, log);
    if (read.recordsLoaded == 0 && !read.complete) {
        Complain(QStringLiteral("%1: %2").arg(masPath, read.stopReason));
        return ExitFile;
    }
    const Result<ExportEnd> saved =
        csvPath == QLatin1String("-")
            ? WriteCsv(DescriptorSink(STDOUT_FILENO, QStringLiteral("standard output")), log,
                       log.SampleCount, format)
            : SaveCsvFile(csvPath, log, log.SampleCount, format);
    if (!saved) {
        Complain(saved.Reason());
        return ExitFile;
    }
    if (!read.complete) {
        // What could be read is exported; the damage is not passed over in silence.
        Complain(QStringLiteral("%1: reading stopped at line %2: %3; %4 records exported")
                     .arg(masPath)
                     .arg(read.stopLine)
                     .arg(read.stopReason)
                     .arg(read.recordsLoaded));
        return ExitFile;
    }
    return ExitOk;
}

// The broker meter `index` publishes to, its queue opened; nothing (with the exit code) when it
// cannot be used. With several meters, each publishes under <prefix>/<name>, the prefix being
// the address's or kst/<hostname>.
struct Publishing {
    std::unique_ptr<MqttPublisher> publisher;
    int exitCode = ExitOk;
};

Publishing StartPublishing(const LoggerOptions &options, size_t index)
{
    const MeterSpec &meter = options.meters[index];
    PublishSettings settings;
    settings.url = options.mqttUrl;
    settings.caFile = options.mqttCa;
    if (options.meters.size() > 1) {
        const Result<MqttTarget> url = ParseMqttUrl(options.mqttUrl);
        const QString base = url && !url->prefix.isEmpty()
                                 ? url->prefix
                                 : QStringLiteral("kst/") + QSysInfo::machineHostName();
        settings.prefix = base + u'/' + meter.name;
    }
    Result<MqttTarget> target = MqttTargetFor(
        settings, meter.device, QStringLiteral("use KST_MQTT_PASSWORD or --mqtt-password-file"));
    if (!target) {
        std::fprintf(stderr, "kst-log: %s\nTry 'kst-log --help' for more information.\n",
                     qPrintable(target.Reason()));
        return {nullptr, ExitUsage};
    }
    const Result<QString> password = ReadMqttPassword(options.mqttPasswordFile);
    if (!password) {
        Complain(password.Reason());
        return {nullptr, ExitFile};
    }
    target->password = *password;
    // The queue lives in the program's data folder, as it does for kst.
    Result<std::unique_ptr<MqttPublisher>> started = StartMqttPublisher(
        *target, {meter.device, QStringLiteral("kst-log"), QStringLiteral(KST_VERSION)},
        options.dataFolder, options.mqttQueue);
    if (!started) {
        Complain(started.Reason());
        return {nullptr, ExitFile};
    }
    Publishing publishing{std::move(started).Value()};
    QObject::connect(publishing.publisher.get(), &MqttPublisher::Error, Complain);
    // The publisher tells the count at most once a second while it changes.
    QObject::connect(publishing.publisher.get(), &MqttPublisher::ReadingsDropped,
                     [](std::uint64_t total) {
                         Complain(QStringLiteral("the MQTT queue is full: %1 oldest readings "
                                                 "dropped so far")
                                      .arg(total));
                     });
    return publishing;
}

// The end of a run that published: a run of a set length gives the broker a while to take what
// is still queued; readings that stay queued are said, with an exit code of their own.
int EndPublishing(MqttPublisher &publisher, const LoggerOptions &options, int code)
{
    if (code == ExitOk && (options.count > 0 || options.seconds)) {
        if (const qsizetype left = publisher.Drain(int(options.mqttWaitSeconds * 1000)); left > 0) {
            Complain(QStringLiteral("%1 readings stay queued for the broker").arg(left));
            code = ExitQueued;
        }
    }
    publisher.Stop();
    return code;
}

// One meter of the run: its logger and, when it publishes, its publisher.
struct MeterRun {
    std::unique_ptr<MeterLogger> logger;
    Publishing publishing;
};

// Starts every meter's publisher and logger; the exit code of the first that cannot start.
int StartMeters(const LoggerOptions &options, std::vector<MeterRun> &meters)
{
    const auto headerPrinted = std::make_shared<bool>(false);
    for (size_t i = 0; i < options.meters.size(); ++i) {
        MeterRun &run = meters.emplace_back();
        if (!options.mqttUrl.isEmpty()) {
            run.publishing = StartPublishing(options, i);
            if (!run.publishing.publisher)
                return run.publishing.exitCode;
        }
        run.logger = std::make_unique<MeterLogger>(options, int(i), headerPrinted);
        if (MqttPublisher *publisher = run.publishing.publisher.get())
            run.logger->PublishTo(
                [publisher](const QByteArray &json, const QString &unit) {
                    publisher->SetUnit(unit);
                    static_cast<void>(publisher->Publish(json)); // a failure is said through Error
                },
                [publisher](bool lost) { publisher->SetLinkLost(lost); });
        if (const int started = run.logger->Start(); started != ExitOk)
            return started;
    }
    return ExitOk;
}

// The end of each meter: the broker's last chance, and the summary a service's log keeps.
int EndMeters(const LoggerOptions &options, std::vector<MeterRun> &meters, int code)
{
    int exitCode = code;
    for (MeterRun &run : meters) {
        MqttPublisher *publisher = run.publishing.publisher.get();
        if (publisher)
            exitCode = std::max(exitCode, EndPublishing(*publisher, options, code));
        if (!options.summary || !run.logger)
            continue;
        const QString who =
            meters.size() > 1 ? run.logger->Meter().name + QStringLiteral(": ") : QString();
        Complain(QStringLiteral("%1summary: %2 readings, %3 gaps, %4 dropped, %5 queued")
                     .arg(who)
                     .arg(run.logger->Readings())
                     .arg(run.logger->Gaps())
                     .arg(publisher ? publisher->Dropped() : 0)
                     .arg(publisher ? publisher->Queued() : 0));
    }
    return exitCode;
}

// Logs until every meter's count, the duration, a signal or a failure ends the run. One meter's
// device going away stops none of the others.
int Run(QCoreApplication &app, const LoggerOptions &options)
{
    std::vector<MeterRun> meters;
    meters.reserve(options.meters.size());
    if (const int started = StartMeters(options, meters); started != ExitOk)
        return started;
    const auto stopAll = [&meters] {
        for (MeterRun &run : meters)
            run.logger->Stop();
    };
    size_t done = 0;
    for (MeterRun &run : meters)
        QObject::connect(run.logger.get(), &MeterLogger::Finished, &app, [&, stopAll](int code) {
            if (code != ExitOk) { // a file failed: the record is no longer whole
                stopAll();
                app.exit(code);
            } else if (++done == meters.size()) {
                app.exit(ExitOk);
            }
        });
    auto end = [&app, stopAll] {
        stopAll();
        app.exit(ExitOk);
    };
    CatchEndSignals(end);
    if (options.seconds)
        QTimer::singleShot(std::chrono::milliseconds(qint64(*options.seconds * 1000.0)), &app, end);
    return EndMeters(options, meters, QCoreApplication::exec());
}

} // namespace

int main(int argc, char *argv[])
{
    // Qt's own event loop rather than GLib's: a logger waits on a port and a few timers, and
    // GLib's loop costs more a wake-up.
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB"))
        qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kst-log"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KST_VERSION));

    const Result<LoggerOptions> options = ParseLoggerOptions(QCoreApplication::arguments());
    if (!options) {
        std::fprintf(stderr, "kst-log: %s\nTry 'kst-log --help' for more information.\n",
                     qPrintable(options.Reason()));
        return ExitUsage;
    }
    switch (options->action) {
    case LoggerOptions::Action::Help:
        std::fputs(qPrintable(options->helpText), stdout);
        return ExitOk;
    case LoggerOptions::Action::Version:
        std::printf("kst-log %s\n", KST_VERSION);
        return ExitOk;
    case LoggerOptions::Action::Export:
        return Export(options->exportPath, options->csvPath, options->csvFormat);
    case LoggerOptions::Action::Log:
        break;
    }
    // A closed pipe on standard output is noticed as a failed write, not as a signal.
    std::signal(SIGPIPE, SIG_IGN);
    return Run(app, *options);
}
